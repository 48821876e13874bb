#include "platform/services/last_error.h"

namespace {
thread_local DWORD tLastError = 0;
}

DWORD GetLastError() {
    return tLastError;
}
void SetLastError(DWORD errorCode) {
    tLastError = errorCode;
}
