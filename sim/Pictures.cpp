#include "sim/Pictures.h"

#include <fcntl.h>
#include <gif_lib.h>
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace sim {
namespace {

constexpr Rgb kPalette[kPictureColours] = {
    {0x2a, 0x2b, 0x2e},  // bezel: the keyboard's dark grey plastic
    {0x14, 0x10, 0x08},  // gap between the dots
    {0x24, 0x1c, 0x0e},  // a dark dot, faintly visible as on the real panel
    {0xff, 0xb0, 0x20},  // a lit dot: amber
};

// GIF delays are whole centiseconds, at most 65535; most viewers stretch a delay of 0 or 1.
constexpr long long kMaxDelayCs = 65535;

struct Rect {
    int left, top, right, bottom;  // LCD pixels, right and bottom exclusive
};

// The smallest rectangle that holds every pixel in which a and b differ; empty when equal.
Rect Changed(const LitMask& a, const LitMask& b) {
    Rect r{kLcdWidth, kLcdHeight, 0, 0};
    for (int y = 0; y < kLcdHeight; ++y)
        for (int x = 0; x < kLcdWidth; ++x)
            if (a[y * kLcdWidth + x] != b[y * kLcdWidth + x]) {
                r.left = std::min(r.left, x);
                r.top = std::min(r.top, y);
                r.right = std::max(r.right, x + 1);
                r.bottom = std::max(r.bottom, y + 1);
            }
    return r;
}

// A write or close that failed has the system's cause in errno; giflib's own words otherwise.
std::string GifError(const std::string& what, int code) {
    if (code == E_GIF_ERR_WRITE_FAILED || code == E_GIF_ERR_CLOSE_FAILED ||
        code == E_GIF_ERR_DISK_IS_FULL || code == E_GIF_ERR_OPEN_FAILED)
        return what + ": " + std::strerror(errno);
    const char* text = GifErrorString(code);
    return what + ": " + (text ? text : "unknown GIF error");
}

// Names as PngSeries writes them: "frame-" and four digits or more, ".png".
bool IsFrameName(const std::string& name) {
    constexpr size_t kPrefix = 6, kSuffix = 4;
    if (name.size() < kPrefix + 4 + kSuffix || name.compare(0, kPrefix, "frame-") != 0 ||
        name.compare(name.size() - kSuffix, kSuffix, ".png") != 0)
        return false;
    for (size_t i = kPrefix; i < name.size() - kSuffix; ++i)
        if (name[i] < '0' || name[i] > '9')
            return false;
    return true;
}

// libpng's way out of a failed write: back to the setjmp in WritePng, without its own message
// on stderr.
void PngFailed(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

}  // namespace

const Rgb* PicturePalette() {
    return kPalette;
}

LitMask MaskOf(const std::vector<unsigned char>& pixels) {
    LitMask mask(kLcdWidth * kLcdHeight, 0);
    for (size_t i = 0; i < mask.size() && i < pixels.size(); ++i)
        mask[i] = pixels[i] > 128;
    return mask;
}

// Each LCD pixel a dot of kPictureScale - 1 pixels square with a gap on its right and below,
// made a row of dots at a time: the dots' first line, the lines below it copied, then the gap.
Picture PictureOf(const LitMask& mask) {
    static_assert(kPictureScale == 4, "a dot is 3 x 3 with a gap of one");
    Picture picture;
    picture.colours.assign(picture.width * picture.height, kBezelColour);
    constexpr int kDotsWidth = kLcdWidth * kPictureScale;
    for (int y = 0; y < kLcdHeight; ++y) {
        uint8_t* first = &picture.colours[(kBezel + y * kPictureScale) * picture.width + kBezel];
        for (int x = 0; x < kLcdWidth; ++x) {
            uint8_t dot = mask[y * kLcdWidth + x] ? kLitDot : kDarkDot;
            uint8_t* at = first + x * kPictureScale;
            at[0] = at[1] = at[2] = dot;
            at[3] = kGapColour;
        }
        for (int dy = 1; dy < kPictureScale - 1; ++dy)
            std::memcpy(first + dy * picture.width, first, kDotsWidth);
        std::memset(first + (kPictureScale - 1) * picture.width, kGapColour, kDotsWidth);
    }
    return picture;
}

bool WritePng(const std::string& path, const Picture& picture, std::string& error) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = "cannot write the PNG " + path + ": " + std::strerror(errno);
        return false;
    }
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFailed, PngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        int cause = errno;
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        error = "cannot write the PNG " + path + ": " + std::strerror(cause);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, picture.width, picture.height, 8, PNG_COLOR_TYPE_PALETTE,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color palette[kPictureColours];
    for (int i = 0; i < kPictureColours; ++i)
        palette[i] = {kPalette[i].r, kPalette[i].g, kPalette[i].b};
    png_set_PLTE(png, info, palette, kPictureColours);
    png_write_info(png, info);
    for (int y = 0; y < picture.height; ++y)
        png_write_row(png, const_cast<png_bytep>(&picture.colours[y * picture.width]));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(file) != 0) {
        error = "cannot write the PNG " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool PngSeries::Open(const std::string& dir, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code code;
    // The folder itself, as --log makes its file, but not the folders it would be in: a path
    // mistyped is refused rather than made.
    fs::create_directory(dir, code);
    if (!code && !fs::is_directory(dir, code))
        code = std::make_error_code(std::errc::not_a_directory);
    if (code) {
        error = "cannot make the folder " + dir + ": " + code.message();
        return false;
    }
    std::vector<fs::path> earlier;
    for (fs::directory_iterator it(dir, code), end; !code && it != end; it.increment(code)) {
        std::string name = it->path().filename().string();
        if (!IsFrameName(name) || !it->is_regular_file(code)) {
            error = "cannot write the frames into " + dir + ": it holds " + name +
                    ", which is no frame of an earlier run";
            return false;
        }
        earlier.push_back(it->path());
    }
    // The frames of an earlier run go, so that the folder never mixes two runs.
    for (const fs::path& frame : earlier)
        if (!code)
            fs::remove(frame, code);
    if (code) {
        error = "cannot clear the folder " + dir + " of earlier frames: " + code.message();
        return false;
    }
    dir_ = dir;
    return true;
}

void PngSeries::Add(const LitMask& mask) {
    if (mask == last_ || !error_.empty())
        return;
    last_ = mask;
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%04d.png", written_ + 1);
    if (WritePng(dir_ + name, PictureOf(mask), error_))
        ++written_;
}

struct GifRecorder::File {
    GifFileType* gif = nullptr;
};

GifRecorder::GifRecorder() : file_(std::make_unique<File>()) {}

GifRecorder::~GifRecorder() {
    int ignored;
    if (file_->gif)
        EGifCloseFile(file_->gif, &ignored);
}

bool GifRecorder::Open(const std::string& path, std::string& error) {
    // Opened here rather than by giflib, which would make the file readable by its owner only.
    path_ = path;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) {
        error = "cannot write the GIF " + path + ": " + std::strerror(errno);
        return false;
    }
    int code = 0;
    file_->gif = EGifOpenFileHandle(fd, &code);  // which closes fd from now on
    if (!file_->gif) {
        ::close(fd);
        error = GifError("cannot write the GIF " + path, code);
        return false;
    }
    EGifSetGifVersion(file_->gif, true);
    ColorMapObject* map = GifMakeMapObject(kPictureColours, nullptr);
    for (int i = 0; i < kPictureColours; ++i)
        map->Colors[i] = {kPalette[i].r, kPalette[i].g, kPalette[i].b};
    int put = EGifPutScreenDesc(file_->gif, kPictureWidth, kPictureHeight, 8, kBezelColour, map);
    GifFreeMapObject(map);
    // Loop for ever: the application block "NETSCAPE2.0" with a loop count of 0.
    static const GifByteType kLoop[] = {1, 0, 0};
    if (put == GIF_ERROR ||
        EGifPutExtensionLeader(file_->gif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(file_->gif, 11, "NETSCAPE2.0") == GIF_ERROR ||
        EGifPutExtensionBlock(file_->gif, sizeof kLoop, kLoop) == GIF_ERROR ||
        EGifPutExtensionTrailer(file_->gif) == GIF_ERROR) {
        error = GifError("cannot write the GIF " + path, file_->gif->Error);
        return false;
    }
    return true;
}

void GifRecorder::Add(uint32_t t, const LitMask& mask) {
    if (!file_->gif || !error_.empty())
        return;
    if (hasPending_ ? mask == pending_ : mask == written_ && images_ > 0)
        return;
    if (hasPending_ && !WritePending(t))
        return;
    if (images_ == 0 && !hasPending_)
        firstT_ = t;
    pending_ = mask;
    pendingT_ = t;
    hasPending_ = true;
}

// The pending image shows until `until`. Delays are taken from the times since the first image
// rounded to centiseconds, so that rounding never adds up over a long run.
bool GifRecorder::WritePending(uint32_t until) {
    long long endCs = (static_cast<long long>(until - firstT_) + 5) / 10;
    long long delay = std::clamp(endCs - shownCs_, 1LL, kMaxDelayCs);
    shownCs_ += delay;

    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.DelayTime = static_cast<int>(delay);
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);

    Rect r = images_ == 0 ? Rect{0, 0, kLcdWidth, kLcdHeight} : Changed(written_, pending_);
    Picture picture = PictureOf(pending_);
    // The first image is the whole picture, bezel included; later ones only the dots changed.
    int left = images_ == 0 ? 0 : kBezel + r.left * kPictureScale;
    int top = images_ == 0 ? 0 : kBezel + r.top * kPictureScale;
    int width = images_ == 0 ? kPictureWidth : (r.right - r.left) * kPictureScale;
    int height = images_ == 0 ? kPictureHeight : (r.bottom - r.top) * kPictureScale;
    GifFileType* gif = file_->gif;
    bool ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) != GIF_ERROR &&
              EGifPutImageDesc(gif, left, top, width, height, false, nullptr) != GIF_ERROR;
    for (int y = top; ok && y < top + height; ++y)
        ok = EGifPutLine(gif, &picture.colours[y * picture.width + left], width) != GIF_ERROR;
    if (!ok) {
        error_ = GifError("cannot write the GIF " + path_, gif->Error);
        return false;
    }
    written_ = pending_;
    hasPending_ = false;
    ++images_;
    return true;
}

bool GifRecorder::Close(uint32_t endT, std::string& error) {
    if (!file_->gif) {
        error = "the GIF was not opened";
        return false;
    }
    // An LCD that never showed a frame stayed dark for the whole run: one dark image.
    if (!hasPending_ && images_ == 0)
        Add(firstT_, LitMask(kLcdWidth * kLcdHeight, 0));
    if (hasPending_)
        WritePending(endT);
    int code = 0;
    int closed = EGifCloseFile(file_->gif, &code);
    file_->gif = nullptr;
    if (!error_.empty()) {
        error = error_;
        return false;
    }
    if (closed == GIF_ERROR) {
        error = GifError("cannot write the GIF " + path_, code);
        return false;
    }
    return true;
}

}  // namespace sim
