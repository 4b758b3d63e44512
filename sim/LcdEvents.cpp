#include "sim/LcdEvents.h"

#include <algorithm>
#include <cstring>

namespace sim {
namespace {

// A row in the JSON text: its quotes and the ',' after it (the last one's ']').
constexpr size_t kRowJson = kLcdWidth + 3;

// A whole row as '#' and '.': of a known length and apart from the text, so that the compiler
// makes it many bytes at a time.
void MakeWholeRow(const BYTE* __restrict row, char* __restrict out) {
    for (int x = 0; x < kLcdWidth; ++x)
        out[x] = row[x] > 128 ? '#' : '.';
}

// The row of pixels from `start`, as far as the frame holds pixels, as '#' and '.'.
void MakeRow(const std::vector<BYTE>& pixels, size_t start, char* out) {
    size_t there = pixels.size() > start ? std::min<size_t>(kLcdWidth, pixels.size() - start) : 0;
    if (there == kLcdWidth)
        return MakeWholeRow(pixels.data() + start, out);
    for (size_t x = 0; x < there; ++x)
        out[x] = pixels[start + x] > 128 ? '#' : '.';
    std::memset(out + there, '.', kLcdWidth - there);
}

}  // namespace

void AppendFrameRowsJson(std::string& out, const std::vector<BYTE>& pixels) {
    size_t at = out.size();
    out.resize(at + 1 + kLcdHeight * kRowJson);
    char* text = &out[at];
    text[0] = '[';
    for (int y = 0; y < kLcdHeight; ++y) {
        char* row = text + 1 + y * kRowJson;
        row[0] = '"';
        MakeRow(pixels, static_cast<size_t>(y) * kLcdWidth, row + 1);
        row[kLcdWidth + 1] = '"';
        row[kLcdWidth + 2] = y + 1 < kLcdHeight ? ',' : ']';
    }
}

std::string FrameRowsJson(const std::vector<BYTE>& pixels) {
    std::string json;
    AppendFrameRowsJson(json, pixels);
    return json;
}

void LogLcdEvents(testbed::LcdServiceCore& service, Log& log, std::function<uint32_t()> now,
                  std::function<void(const testbed::LcdShownFrame&)> onFrame) {
    service.SetCallObserver([&log, now](const testbed::LcdCall& call) {
        if (!log.Wants("lcd"))
            return;
        log.Write(Event(now(), "lcd")
                      .Add("call", testbed::LcdEntryName(call.entry))
                      .Add("result", static_cast<long long>(call.result)));
    });
    service.SetFrameObserver([&log, now, onFrame](const testbed::LcdShownFrame& frame) {
        if (log.Wants("frame")) {
            Event event(now(), "frame");
            event.Add("priority", static_cast<long long>(frame.priority));
            AppendFrameRowsJson(event.RawValue("rows"), frame.pixels);
            log.Write(event);
        }
        if (onFrame)
            onFrame(frame);
    });
    service.SetButtonsObserver([&log, now](DWORD buttons) {
        if (!log.Wants("buttons"))
            return;
        log.Write(Event(now(), "buttons").Add("bits", static_cast<long long>(buttons)));
    });
}

}  // namespace sim
