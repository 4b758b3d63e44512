// HID class driver calls from user mode: the interface class id, attributes and feature
// reports. The types and calling conventions are those of the Windows headers.
#pragma once

#include "windef.h"

#ifndef NTAPI
#define NTAPI
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct _HIDD_ATTRIBUTES {
    ULONG Size;
    USHORT VendorID;
    USHORT ProductID;
    USHORT VersionNumber;
} HIDD_ATTRIBUTES, *PHIDD_ATTRIBUTES;

void NTAPI HidD_GetHidGuid(LPGUID HidGuid);
BOOLEAN NTAPI HidD_GetAttributes(HANDLE HidDeviceObject, PHIDD_ATTRIBUTES Attributes);
BOOLEAN NTAPI HidD_GetFeature(HANDLE HidDeviceObject, PVOID ReportBuffer, ULONG ReportBufferLength);
BOOLEAN NTAPI HidD_SetFeature(HANDLE HidDeviceObject, PVOID ReportBuffer, ULONG ReportBufferLength);

#ifdef __cplusplus
}
#endif
