#include "hostwin/control/codepage.h"

#include "hostwin_private.h"

namespace control {

bool SetAnsiCodePage(UINT codePage) {
    return hostwin::SetAnsiCodePage(codePage);
}

}  // namespace control
