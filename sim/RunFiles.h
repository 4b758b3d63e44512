// The files a run reads and writes, and the refusal of a run in which the simulator would write
// one of them over another: the log onto the script, the GIF onto the playlist, the log and the
// GIF into one file, a file among the frames of --png. Files are compared by what they are
// (device and inode), so that another spelling, a hard link or a symbolic link counts; a file
// not made yet by where its name leads, links followed. Devices and pipes never count
// (/dev/null may take the log and the GIF), nor two snapshots into one file, which a script
// may well ask for.
#pragma once

#include <string>
#include <vector>

#include "sim/Arguments.h"
#include "sim/Script.h"

namespace sim {

struct RunFile {
    std::string label;  // how a message names it: "--log out.jsonl"
    std::string path;   // "-" for standard input, when read
    bool written;       // by the simulator itself (the plug-in's settings file is not)
    bool snapshot = false;
};

// The files of a run with these arguments and this script.
std::vector<RunFile> FilesOfRun(const Arguments& a, const std::vector<Command>& commands);

// "" when the simulator writes none of the files over another, else which two they are.
std::string OverwriteProblem(const std::vector<RunFile>& files, const std::string& pngDir);

}  // namespace sim
