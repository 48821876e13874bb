// PCI configuration space of the machine, as the HAL gives it to a driver.
//
// The bus comes from DIR/pci.dump when the machine has one (read through libpci's dump access
// method), else from the host's real bus through sysfs (read only; without privileges the
// kernel shows the 64-byte header of each device, which is all the deliverables read). Only
// PCI domain 0 is seen, as on the machines the deliverables were written for.
//
// The bus is read once and kept for the process: on first use, and again on ReloadBus (which
// the service manager calls before it starts a driver, so a driver always sees the bus as the
// dump file holds it at its start).
#pragma once

#include <string>

#include "platform/common/windef.h"

namespace ovtb::pci {

// Result of ReadPciConfig besides a byte count, as HalGetBusData reports them for PCI.
constexpr ULONG kPciNoSuchBus = 0;
constexpr ULONG kPciNoDevice = 2;

// Reads the first `length` bytes of the configuration space of the function at `slotNumber`
// (bits 0-4 device, bits 5-7 function, bits 8-31 zero) on bus `busNumber`.
// Returns kPciNoSuchBus (0) when the bus does not exist; kPciNoDevice (2) when nothing answers
// at the slot (or the slot number has bits 8-31 set), and then writes 0xFFFF as the vendor id
// when `length` is at least 2, as hardware reads an empty slot; otherwise the number of bytes
// copied: `length`, or fewer when the function has less configuration space than asked for
// (at most 256 bytes are ever copied; a length of 0 copies nothing and returns 0).
// A bus exists when it is bus 0, holds a device, or lies within the secondary to subordinate
// bus range of a PCI-to-PCI or CardBus bridge.
// A bus that cannot be read (a malformed pci.dump) reads as bus 0 without devices; BusError
// then says why.
ULONG ReadPciConfig(ULONG busNumber, ULONG slotNumber, PVOID buffer, ULONG length);

// Forgets the bus read so far; the next ReadPciConfig reads it again.
void ReloadBus();

// Why the bus could not be read ("DIR/pci.dump: line 4: ..."), empty when it could. Reads the
// bus first when it has not been read yet.
std::string BusError();

// What the bus is read from: the dump file's path, or "the host's PCI bus (sysfs)".
std::string BusSource();

}  // namespace ovtb::pci
