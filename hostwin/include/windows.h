// The Win32 subset that the product code calls, for non-Windows hosts. Each header
// declares only what the code uses; the behaviour follows Windows where the code relies on it.
#pragma once

#include "windef.h"
#include "winerror.h"
#include "winbase.h"
#include "winnls.h"
#include "fileapi.h"
#include "winuser.h"
#include "wingdi.h"
#include "winreg.h"
