// The calling thread's last Win32 error (kernel32's GetLastError and SetLastError). Every
// platform area whose functions report failure through it sets it here.
#pragma once

#include "platform/common/windef.h"

DWORD GetLastError();
void SetLastError(DWORD errorCode);
