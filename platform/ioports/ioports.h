// Port I/O as a Windows 9x program reaches it through its C run time (_outpd, _inpd) and the
// interrupt flag (_disable, _enable). The machine has no real ports; what answers here is the
// PCI configuration mechanism 1 of its bus (platform/pci):
//
//   0xCF8  CONFIG_ADDRESS  a DWORD write latches 0x80000000 | bus << 16 | device << 11 |
//                          function << 8 | register; a DWORD read gives the latch back
//   0xCFC  CONFIG_DATA     a DWORD read gives the configuration DWORD at the latched register
//                          (its low two bits ignored), or 0xFFFFFFFF when the enable bit 31 is
//                          clear, the bus does not exist, no device answers or the register lies
//                          beyond the configuration space the bus shows
//
// Writes to CONFIG_DATA are ignored (the bus is read only), as is every other port; reads of
// other ports give 0xFFFFFFFF, as a floating bus reads. The latch is process state.
#pragma once

#include "platform/common/windef.h"

constexpr USHORT PCI_CONFIG_ADDRESS_PORT = 0xCF8;
constexpr USHORT PCI_CONFIG_DATA_PORT = 0xCFC;

// Writes a DWORD to a port and returns the value written.
ULONG _outpd(USHORT port, ULONG value);
// Reads a DWORD from a port.
ULONG _inpd(USHORT port);

// Clear and set the interrupt flag of the calling thread. Nothing interrupts a program here;
// the flag is kept only so that a caller's bracket around a port sequence can be checked.
void _disable();
void _enable();

namespace ovtb::ioports {
// Whether the calling thread is between _disable and _enable (for tests).
bool InterruptsDisabled();
}  // namespace ovtb::ioports
