// The kernel's small routines: strings, status translation, debug output and bus data.
#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform/kernel/ntddk.h"
#include "platform/machine/machine.h"
#include "platform/pci/pci_config.h"

void RtlInitUnicodeString(PUNICODE_STRING destination, PCWSTR source) {
    if (!destination)
        return;
    size_t length = 0;
    if (source) {
        while (source[length])
            ++length;
    }
    // A string longer than a USHORT can count is cut where Windows would refuse it.
    if (length > 0x7FFE)
        length = 0x7FFE;
    destination->Buffer = const_cast<PWSTR>(source);
    destination->Length = static_cast<USHORT>(length * sizeof(WCHAR));
    destination->MaximumLength =
        source ? static_cast<USHORT>(destination->Length + sizeof(WCHAR)) : 0;
}

ULONG RtlNtStatusToDosError(NTSTATUS status) {
    struct Row {
        NTSTATUS status;
        ULONG error;
    };
    // Win32 codes: 0 success, 1 invalid function, 2 file not found, 5 access denied, 6 invalid
    // handle, 31 general failure, 32 sharing violation, 87 invalid parameter, 122 insufficient
    // buffer, 123 invalid name, 183 already exists, 234 more data, 997 I/O pending, 1450 no
    // system resources.
    static constexpr Row kRows[] = {
        {STATUS_SUCCESS, 0},
        {STATUS_PENDING, 997},
        {STATUS_BUFFER_OVERFLOW, 234},
        {STATUS_UNSUCCESSFUL, 31},
        {STATUS_NOT_IMPLEMENTED, 1},
        {STATUS_INVALID_HANDLE, 6},
        {STATUS_INVALID_PARAMETER, 87},
        {STATUS_NO_SUCH_DEVICE, 2},
        {STATUS_INVALID_DEVICE_REQUEST, 1},
        {STATUS_ACCESS_DENIED, 5},
        {STATUS_BUFFER_TOO_SMALL, 122},
        {STATUS_OBJECT_NAME_INVALID, 123},
        {STATUS_OBJECT_NAME_NOT_FOUND, 2},
        {STATUS_OBJECT_NAME_COLLISION, 183},
        {STATUS_SHARING_VIOLATION, 32},
        {STATUS_DELETE_PENDING, 5},
        {STATUS_INSUFFICIENT_RESOURCES, 1450},
    };
    for (const auto& row : kRows) {
        if (row.status == status)
            return row.error;
    }
    return 317;  // ERROR_MR_MID_NOT_FOUND
}

ULONG DbgPrint(PCSTR format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int size = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    if (size > 0)
        std::vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    // One append per message, so that the lines of several processes do not interleave.
    if (std::FILE* log = std::fopen(ovtb::machine::DebugLogPath().c_str(), "ab")) {
        std::fwrite(text.data(), 1, text.size(), log);
        std::fclose(log);
    }
    return STATUS_SUCCESS;
}

ULONG HalGetBusData(BUS_DATA_TYPE busDataType, ULONG busNumber, ULONG slotNumber, PVOID buffer,
                    ULONG length) {
    if (busDataType != PCIConfiguration)
        return 0;
    return ovtb::pci::ReadPciConfig(busNumber, slotNumber, buffer, length);
}
