// The LCD service's side of the simulator's log: each service call with its result ("lcd"),
// each frame the service is shown ("frame": its priority and 43 rows of 160 characters, '#'
// lit and '.' dark), and each soft-button reading that changed ("buttons").
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sim/Log.h"
#include "testbed/LcdServiceCore.h"

namespace sim {

// onFrame, when given, also sees each frame shown, after it was logged.
void LogLcdEvents(testbed::LcdServiceCore& service, Log& log, std::function<uint32_t()> now,
                  std::function<void(const testbed::LcdShownFrame&)> onFrame = nullptr);

// The frame's rows as a JSON array of strings.
std::string FrameRowsJson(const std::vector<BYTE>& pixels);
// The same, appended to out. A row is only '.' and '#', which JSON takes as they are, so the
// text is made straight, many pixels at a time.
void AppendFrameRowsJson(std::string& out, const std::vector<BYTE>& pixels);

}  // namespace sim
