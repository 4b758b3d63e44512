// A module in the service's place that lacks "GetInterface".
#include <windows.h>

extern "C" __declspec(dllexport) DWORD GetInterfaceVersion() {
    return 1;
}
