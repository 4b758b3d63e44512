#include "sim/LcdEvents.h"

namespace sim {

std::string FrameRowsJson(const std::vector<BYTE>& pixels) {
    std::string json = "[";
    for (int y = 0; y < kLcdHeight; ++y) {
        std::string row(kLcdWidth, '.');
        for (int x = 0; x < kLcdWidth; ++x)
            if (static_cast<size_t>(y * kLcdWidth + x) < pixels.size() &&
                pixels[y * kLcdWidth + x] > 128)
                row[x] = '#';
        json += (y ? "," : "") + JsonString(row);
    }
    return json + "]";
}

void LogLcdEvents(testbed::LcdServiceCore& service, Log& log, std::function<uint32_t()> now,
                  std::function<void(const testbed::LcdShownFrame&)> onFrame) {
    service.SetCallObserver([&log, now](const testbed::LcdCall& call) {
        log.Write(Event(now(), "lcd")
                      .Add("call", testbed::LcdEntryName(call.entry))
                      .Add("result", static_cast<long long>(call.result)));
    });
    service.SetFrameObserver([&log, now, onFrame](const testbed::LcdShownFrame& frame) {
        if (log.Wants("frame"))
            log.Write(Event(now(), "frame")
                          .Add("priority", static_cast<long long>(frame.priority))
                          .AddRaw("rows", FrameRowsJson(frame.pixels)));
        if (onFrame)
            onFrame(frame);
    });
    service.SetButtonsObserver([&log, now](DWORD buttons) {
        log.Write(Event(now(), "buttons").Add("bits", static_cast<long long>(buttons)));
    });
}

}  // namespace sim
