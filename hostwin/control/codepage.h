// The system's ANSI code page, which CP_ACP names and every A call converts through.
#pragma once

#include <windows.h>

namespace control {

// 1252 until set. False, leaving it as it was, for a code page the stand-in cannot convert.
bool SetAnsiCodePage(UINT codePage);

}  // namespace control
