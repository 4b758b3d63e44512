#include "sim/RunFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace sim {
namespace {

namespace fs = std::filesystem;

// Links a path may pass through before it counts as a loop, as the kernel allows.
constexpr int kMostLinks = 40;

// Where a name leads, whether the file is there or not: its folder's links resolved, and a
// link in its own place followed even when it leads to nothing yet (the file that writing
// through it would make).
std::string WhereNameLeads(const std::string& name) {
    std::error_code error;
    fs::path path = fs::absolute(name, error);
    for (int links = 0; links < kMostLinks; ++links) {
        fs::path folder = fs::weakly_canonical(path.parent_path(), error);
        path = folder / path.filename();
        if (!fs::is_symlink(fs::symlink_status(path, error)))
            break;
        fs::path target = fs::read_symlink(path, error);
        path = target.is_absolute() ? target : folder / target;
    }
    return path.lexically_normal().string();
}

struct Identity {
    bool special = false;  // a device, pipe or folder: never one file with another
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    std::string leadsTo;  // for a file not made yet
};

// Only an input reads standard input as "-"; a GIF or snapshot of that name is a file.
bool IsStandardInput(const RunFile& file) {
    return !file.written && file.path == "-";
}

Identity IdentityOf(const RunFile& file) {
    struct stat info;
    bool standardInput = IsStandardInput(file);
    int result = standardInput ? fstat(STDIN_FILENO, &info) : stat(file.path.c_str(), &info);
    Identity identity;
    if (result != 0) {
        identity.special = standardInput;
        identity.leadsTo = WhereNameLeads(file.path);
    } else {
        identity.special = !S_ISREG(info.st_mode);
        identity.exists = true;
        identity.device = info.st_dev;
        identity.inode = info.st_ino;
    }
    return identity;
}

bool OneFile(const Identity& a, const Identity& b) {
    if (a.special || b.special || a.exists != b.exists)
        return false;
    return a.exists ? a.device == b.device && a.inode == b.inode : a.leadsTo == b.leadsTo;
}

bool Clashes(const RunFile& a, const RunFile& b) {
    if ((!a.written && !b.written) || (a.snapshot && b.snapshot))
        return false;
    return OneFile(IdentityOf(a), IdentityOf(b));
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

}  // namespace

std::vector<RunFile> FilesOfRun(const Arguments& a, const std::vector<Command>& commands) {
    std::vector<RunFile> files;
    for (const ScriptPart& part : a.script)
        if (part.file)
            files.push_back({"--script " + part.text, part.text, false});
    if (!a.playlistPath.empty())
        files.push_back({"--playlist " + a.playlistPath, a.playlistPath, false});
    files.push_back({"the plug-in " + a.options.pluginPath, a.options.pluginPath, false});
    if (!a.options.iniDir.empty()) {
        std::string ini = a.options.iniDir + "/VelmG15.ini";
        files.push_back({"the settings file " + ini + " (--ini)", ini, false});
    }
    if (!a.options.appDataDir.empty()) {
        std::string ini = a.options.appDataDir + "/VelmG15/VelmG15.ini";
        files.push_back({"the settings file " + ini + " (--appdata)", ini, false});
    }
    if (!a.options.logPath.empty() && a.options.logPath != "-")
        files.push_back({"--log " + a.options.logPath, a.options.logPath, true});
    if (!a.gifPath.empty())
        files.push_back({"--gif " + a.gifPath, a.gifPath, true});
    for (const Command& command : commands)
        if (command.name == "snapshot")
            files.push_back({"snapshot " + command.rest + " (" + Where(command) + ")", command.rest,
                             true, true});
    return files;
}

std::string OverwriteProblem(const std::vector<RunFile>& files, const std::string& pngDir) {
    for (size_t i = 0; i < files.size(); ++i)
        for (size_t j = i + 1; j < files.size(); ++j)
            if (Clashes(files[i], files[j])) {
                bool firstWritten = files[i].written;
                const RunFile& writer = firstWritten ? files[i] : files[j];
                const RunFile& other = firstWritten ? files[j] : files[i];
                return writer.label + " and " + other.label + " are one file";
            }
    if (pngDir.empty())
        return "";
    // The frames' folder is cleared of earlier frames and filled with new ones: no other file
    // of the run may live there.
    std::string frames = WhereNameLeads(WithoutTrailingSlashes(pngDir));
    for (const RunFile& file : files)
        if (!IsStandardInput(file) && fs::path(WhereNameLeads(file.path)).parent_path() == frames)
            return file.label + " is in the folder of --png " + pngDir;
    return "";
}

}  // namespace sim
