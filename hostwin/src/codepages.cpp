// Code pages. UTF-8 is decoded and encoded here: what Windows makes of bytes that are no
// character is a rule, not a table. Every other code page comes from glibc's iconv: the 256
// single bytes of a code page are read from it once (a byte it refuses becomes the C1 control of
// the same number, as Windows maps the holes of its 8-bit code pages), and a double-byte
// character is converted through it when it comes.
#include <iconv.h>

#include <atomic>
#include <cerrno>
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "hostwin_private.h"

namespace hostwin {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
// What a double-byte code page gives for a lead byte without a valid trail byte (the default
// Unicode character of code page 932).
constexpr char16_t kDoubleByteDefault = 0x30FB;
constexpr UINT kOemCodePage = 437;

std::atomic<UINT> g_ansiCodePage{1252};

std::string IconvName(UINT codePage) {
    return "CP" + std::to_string(codePage);
}

// One character of `in` through iconv into UTF-16; false when iconv refuses it.
bool IconvOne(iconv_t cd, const char* in, size_t inLength, char16_t& out, int& error) {
    char16_t buffer[2];
    char* from = const_cast<char*>(in);
    char* to = reinterpret_cast<char*>(buffer);
    size_t left = inLength;
    size_t room = sizeof buffer;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    error = 0;
    if (iconv(cd, &from, &left, &to, &room) == static_cast<size_t>(-1)) {
        error = errno;
        return false;
    }
    if (room != sizeof buffer - sizeof(char16_t))
        return false;
    out = buffer[0];
    return true;
}

class CodePage {
public:
    static CodePage* Find(UINT number);

    bool DoubleByte() const { return doubleByte_; }
    bool IsLead(unsigned char byte) const { return lead_[byte]; }
    char16_t Single(unsigned char byte) const { return single_[byte]; }

    // The character of a lead byte and its trail, through iconv; false when it is none.
    bool Pair(unsigned char lead, unsigned char trail, char16_t& out) const {
        std::lock_guard<std::mutex> lk(mu_);
        const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        int error;
        return IconvOne(toWide_, in, 2, out, error);
    }

    // The bytes of one UTF-16 unit (not a surrogate); 0 when the code page has none.
    int Encode(char16_t c, char out[2]) const {
        if (!doubleByte_) {
            int byte = fromWide_[c];
            if (byte < 0)
                return 0;
            out[0] = static_cast<char>(byte);
            return 1;
        }
        std::lock_guard<std::mutex> lk(mu_);
        char* from = reinterpret_cast<char*>(&c);
        size_t left = sizeof c;
        char* to = out;
        size_t room = 2;
        iconv(fromWide_cd_, nullptr, nullptr, nullptr, nullptr);
        if (iconv(fromWide_cd_, &from, &left, &to, &room) == static_cast<size_t>(-1))
            return 0;
        return static_cast<int>(2 - room);
    }

private:
    bool Load(UINT number);

    bool doubleByte_ = false;
    char16_t single_[256] = {};
    bool lead_[256] = {};
    std::vector<short> fromWide_;  // single-byte pages: the byte of each UTF-16 unit, or -1
    mutable std::mutex mu_;        // the iconv descriptors of a double-byte page
    iconv_t toWide_ = reinterpret_cast<iconv_t>(-1);
    iconv_t fromWide_cd_ = reinterpret_cast<iconv_t>(-1);
};

std::mutex g_pagesMu;

CodePage* CodePage::Find(UINT number) {
    static auto* pages = new std::map<UINT, std::unique_ptr<CodePage>>;
    std::lock_guard<std::mutex> lk(g_pagesMu);
    auto it = pages->find(number);
    if (it != pages->end())
        return it->second.get();
    auto page = std::make_unique<CodePage>();
    if (!page->Load(number))
        page.reset();
    return ((*pages)[number] = std::move(page)).get();
}

bool CodePage::Load(UINT number) {
    toWide_ = iconv_open("UTF-16LE", IconvName(number).c_str());
    fromWide_cd_ = iconv_open(IconvName(number).c_str(), "UTF-16LE");
    if (toWide_ == reinterpret_cast<iconv_t>(-1) || fromWide_cd_ == reinterpret_cast<iconv_t>(-1))
        return false;
    for (int byte = 0; byte < 256; ++byte) {
        const char in = static_cast<char>(byte);
        int error;
        if (IconvOne(toWide_, &in, 1, single_[byte], error))
            continue;
        single_[byte] = static_cast<char16_t>(byte);
        lead_[byte] = error == EINVAL;
        doubleByte_ = doubleByte_ || lead_[byte];
    }
    if (!doubleByte_) {
        fromWide_.assign(0x10000, -1);
        for (int byte = 255; byte >= 0; --byte)
            fromWide_[single_[byte]] = static_cast<short>(byte);
    }
    return true;
}

UINT Resolve(UINT codePage) {
    if (codePage == CP_ACP)
        return g_ansiCodePage.load(std::memory_order_relaxed);
    if (codePage == CP_OEMCP)
        return kOemCodePage;
    return codePage;
}

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

void AppendCodePoint(char32_t c, std::u16string& out) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
        return;
    }
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
}

// Decodes UTF-8 as Windows does: a sequence cut short, or whose second byte takes it out of
// range (an overlong form, a surrogate, beyond U+10FFFF), becomes one U+FFFD for the bytes read
// so far; any other byte that starts no character becomes one U+FFFD. False, when strict, at
// the first of them.
bool DecodeUtf8(const unsigned char* s, int length, bool strict, std::u16string& out) {
    int i = 0;
    while (i < length) {
        unsigned char lead = s[i];
        if (lead < 0x80) {
            out += lead;
            ++i;
            continue;
        }
        int need = lead >= 0xC2 && lead <= 0xDF   ? 1
                   : lead >= 0xE0 && lead <= 0xEF ? 2
                   : lead >= 0xF0 && lead <= 0xF4 ? 3
                                                  : -1;
        char32_t c = lead & (need == 1 ? 0x1F : need == 2 ? 0x0F : 0x07);
        int read = 1;
        bool valid = need > 0;
        while (valid && read <= need && i + read < length) {
            unsigned char next = s[i + read];
            if ((next & 0xC0) != 0x80)
                break;
            c = (c << 6) | (next & 0x3F);
            ++read;
            if (read == 2)
                valid = !((lead == 0xE0 && next < 0xA0) || (lead == 0xED && next > 0x9F) ||
                          (lead == 0xF0 && next < 0x90) || (lead == 0xF4 && next > 0x8F));
        }
        if (!valid || read <= need) {
            if (strict)
                return false;
            out += kReplacement;
        } else {
            AppendCodePoint(c, out);
        }
        i += read;
    }
    return true;
}

// One character of a code page at s[i]: the bytes it takes, and false in `valid` when they are
// a lead byte without a valid trail byte.
int DecodeOne(const CodePage& page, const unsigned char* s, int length, int i, char16_t& c,
              bool& valid) {
    valid = true;
    if (!page.IsLead(s[i])) {
        c = page.Single(s[i]);
        return 1;
    }
    valid = i + 1 < length && page.Pair(s[i], s[i + 1], c);
    if (!valid)
        c = kDoubleByteDefault;
    return i + 1 < length ? 2 : 1;
}

bool DecodeCodePage(const CodePage& page, const unsigned char* s, int length, bool strict,
                    std::u16string& out) {
    for (int i = 0; i < length;) {
        char16_t c;
        bool valid;
        i += DecodeOne(page, s, length, i, c, valid);
        if (!valid && strict)
            return false;
        out += c;
    }
    return true;
}

// The bytes of one UTF-16 unit, or 0: a unit the code page lacks, and every surrogate.
int EncodeOne(const CodePage& page, char16_t c, char bytes[2]) {
    return IsHighSurrogate(c) || IsLowSurrogate(c) ? 0 : page.Encode(c, bytes);
}

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

namespace {

// Unpaired surrogates become U+FFFD; false, when strict, at the first of them.
bool EncodeUtf8(const char16_t* s, int length, bool strict, std::string& out) {
    for (int i = 0; i < length; ++i) {
        // Most text is mostly ASCII: a run of it is copied across, a byte a unit.
        int run = i;
        while (run < length && s[run] < 0x80)
            ++run;
        if (run > i) {
            size_t at = out.size();
            out.resize(at + static_cast<size_t>(run - i));
            for (char* to = out.data() + at; i < run; ++i)
                *to++ = static_cast<char>(s[i]);
            if (i == length)
                break;
        }
        char32_t c = s[i];
        if (IsHighSurrogate(s[i]) && i + 1 < length && IsLowSurrogate(s[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(s[i]) || IsLowSurrogate(s[i])) {
            if (strict)
                return false;
            c = kReplacement;
        }
        AppendUtf8(out, c);
    }
    return true;
}

// A unit the code page lacks, and every surrogate, becomes the default character.
void EncodeCodePage(const CodePage& page, const char16_t* s, int length, const char* defaultChar,
                    bool& usedDefault, std::string& out) {
    for (int i = 0; i < length; ++i) {
        char bytes[2];
        int n = EncodeOne(page, s[i], bytes);
        if (n == 0) {
            out += defaultChar;
            usedDefault = true;
        } else {
            out.append(bytes, n);
        }
    }
}

template <typename Unit>
int CopyOut(const std::basic_string<Unit>& result, Unit* out, int room) {
    int needed = static_cast<int>(result.size());
    if (room == 0)
        return needed;
    if (needed > room) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(out, result.data(), needed * sizeof(Unit));
    return needed;
}

}  // namespace

UINT AnsiCodePage() {
    return g_ansiCodePage.load(std::memory_order_relaxed);
}

bool SetAnsiCodePage(UINT codePage) {
    if (codePage == CP_UTF8 || !CodePage::Find(codePage))
        return false;
    g_ansiCodePage.store(codePage, std::memory_order_relaxed);
    return true;
}

void AnsiToWide(const char* text, int length, std::u16string& out) {
    out.clear();
    if (length < 0)
        length = text ? static_cast<int>(std::strlen(text)) : 0;
    if (const CodePage* page = CodePage::Find(AnsiCodePage()))
        DecodeCodePage(*page, reinterpret_cast<const unsigned char*>(text), length, false, out);
}

int AnsiToWideInto(const char* text, int length, char16_t* out, int room) {
    const CodePage* page = CodePage::Find(AnsiCodePage());
    auto bytes = reinterpret_cast<const unsigned char*>(text);
    int written = 0;
    for (int i = 0; page && i < length && written < room;) {
        bool valid;
        i += DecodeOne(*page, bytes, length, i, out[written++], valid);
    }
    return written;
}

int WideToAnsiInto(const char16_t* text, int length, char* out, int room) {
    const CodePage* page = CodePage::Find(AnsiCodePage());
    int written = 0;
    for (int i = 0; page && i < length; ++i) {
        char bytes[2] = {'?', 0};
        int n = std::max(EncodeOne(*page, text[i], bytes), 1);
        if (written + n > room)
            break;
        std::memcpy(out + written, bytes, n);
        written += n;
    }
    return written;
}

int AnsiLengthOf(const char16_t* text, int length) {
    const CodePage* page = CodePage::Find(AnsiCodePage());
    int bytes = 0;
    for (int i = 0; page && i < length; ++i) {
        char unused[2];
        bytes += std::max(EncodeOne(*page, text[i], unused), 1);
    }
    return bytes;
}

}  // namespace hostwin

using hostwin::CodePage;

extern "C" {

int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH in, int inLength, LPWSTR out,
                               int room) {
    if (!in || inLength == 0 || room < 0 || (room > 0 && !out)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    codePage = hostwin::Resolve(codePage);
    const DWORD allowed =
        codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : MB_PRECOMPOSED | MB_ERR_INVALID_CHARS | 0x6;
    if (flags & ~allowed) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    const CodePage* page = codePage == CP_UTF8 ? nullptr : CodePage::Find(codePage);
    if (codePage != CP_UTF8 && !page) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (inLength < 0)
        inLength = static_cast<int>(std::strlen(in)) + 1;
    thread_local std::u16string result;
    result.clear();
    bool strict = (flags & MB_ERR_INVALID_CHARS) != 0;
    auto bytes = reinterpret_cast<const unsigned char*>(in);
    bool valid = page ? hostwin::DecodeCodePage(*page, bytes, inLength, strict, result)
                      : hostwin::DecodeUtf8(bytes, inLength, strict, result);
    if (!valid) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    return hostwin::CopyOut(result, out, room);
}

int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH in, int inLength, LPSTR out,
                               int room, LPCCH defaultChar, LPBOOL usedDefaultChar) {
    if (!in || inLength == 0 || room < 0 || (room > 0 && !out)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    codePage = hostwin::Resolve(codePage);
    if (codePage == CP_UTF8 && (defaultChar || usedDefaultChar)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const DWORD allowed = codePage == CP_UTF8 ? WC_ERR_INVALID_CHARS : 0x2E0 | WC_NO_BEST_FIT_CHARS;
    if (flags & ~allowed) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    const CodePage* page = codePage == CP_UTF8 ? nullptr : CodePage::Find(codePage);
    if (codePage != CP_UTF8 && !page) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (inLength < 0)
        inLength = lstrlenW(in) + 1;
    thread_local std::string result;
    result.clear();
    if (!page) {
        if (!hostwin::EncodeUtf8(in, inLength, (flags & WC_ERR_INVALID_CHARS) != 0, result)) {
            SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return 0;
        }
        return hostwin::CopyOut(result, out, room);
    }
    bool usedDefault = false;
    char fallback[2] = {defaultChar && *defaultChar ? *defaultChar : '?', '\0'};
    hostwin::EncodeCodePage(*page, in, inLength, fallback, usedDefault, result);
    if (usedDefaultChar)
        *usedDefaultChar = usedDefault;
    return hostwin::CopyOut(result, out, room);
}

UINT WINAPI GetACP(void) {
    return hostwin::AnsiCodePage();
}

int WINAPI lstrlenW(LPCWSTR s) {
    if (!s)
        return 0;
    int n = 0;
    while (s[n])
        ++n;
    return n;
}

}  // extern "C"
