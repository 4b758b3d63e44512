// Runs velm-sim as a user would, from the build tree, and reads what it leaves behind.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace simrunner {

struct SimRun {
    int status;
    std::string output;  // stdout and stderr together
};

// environment: assignments put before the command, e.g. "TMPDIR=/x". standardOutput: where
// standard output goes instead of into the output (e.g. /dev/full); standard error stays.
inline SimRun RunSim(const std::string& arguments, const std::string& environment = "",
                     const std::string& standardOutput = "") {
    std::string command = environment + " " + std::string(VELM_BUILD_DIR) + "/velm-sim " +
                          arguments + " 2>&1" +
                          (standardOutput.empty() ? "" : " >" + standardOutput);
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

inline std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

inline std::string TempPath(const char* name) {
    return ::testing::TempDir() + "/" + name + std::to_string(getpid());
}

struct LogEvent {
    long t;
    std::string line;
};

// The events of that name in a log's text, in order.
inline std::vector<LogEvent> Events(const std::string& log, const std::string& name) {
    std::vector<LogEvent> events;
    std::istringstream in(log);
    std::regex time("^\\{\"t\":([0-9]+),\"event\":\"([a-z-]+)\"");
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        if (std::regex_search(line, m, time) && m[2] == name)
            events.push_back({std::stol(m[1]), line});
    }
    return events;
}

}  // namespace simrunner
