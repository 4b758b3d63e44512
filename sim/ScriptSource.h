// The script of a run, from its parts in the order the command line gives them: files
// (--script) and commands (-e), every one of them, as sed runs its -e and -f scripts. A file is
// UTF-8, with or without the UTF-8 mark, or UTF-16 with its mark (as Notepad saves "Unicode");
// a control character or a byte that is not UTF-8 means it is some other kind of file.
#pragma once

#include <string>
#include <vector>

#include "sim/Script.h"
#include "sim/TextCheck.h"

namespace sim {

struct ScriptPart {
    bool file = false;  // --script FILE ("-": standard input); else -e COMMANDS
    std::string text;   // the file's path, or the commands
};

// A script file's bytes as UTF-8 text: the UTF-8 mark dropped, UTF-16 with its mark decoded.
// False, with the place of the first fault, when they are not text.
bool ScriptText(const std::string& bytes, std::string& text, TextFault& fault);

// Reads, checks and parses every part into one list of commands, each knowing its part where
// there are several. False with the message of the first fault.
bool LoadScript(const std::vector<ScriptPart>& parts, std::vector<Command>& commands,
                std::string& problem);

}  // namespace sim
