// The six discovery paths: each reads what one installed driver layout says about the boards
// and fills the working block from entry 0 on (productId and count first set to 0; at most 4
// boards; each candidate built in a zero-filled record, a rejected one leaving nothing behind).
// They report nothing to the tool: a board that cannot be read is left out or reported with
// the fields that could be read. The result tells whether the layout was there at all;
// OVD_GetSetting looks only at the block's count.
#pragma once

#include <string>
#include <string_view>

#include "diag/log_config.h"
#include "diag/nt_records.h"
#include "platform/common/windef.h"

namespace ovtb::diag {

// ---- Windows NT family (service keys under HKEY_LOCAL_MACHINE) ----

inline constexpr const char* OVSER_SERVICE_KEY = "SYSTEM\\CurrentControlSet\\Services\\Ovser";
inline constexpr const char* OVSER_PARAMETERS_KEY =
    "SYSTEM\\CurrentControlSet\\Services\\Ovser\\Parameters";

// The older ISA driver's "OvConfig".
bool DiscoverOvConfigBoards(BoardSettingBlock& block);
// Ovserp version 1: 24-byte "Settings" entries; with a reply only the boards it lists.
bool DiscoverSettings24Boards(BoardSettingBlock& block, const PciInfoReply* reply);
// Ovserp version 5: the panel's 60-byte records, the PCI or the ISA ones.
bool DiscoverSettings60Boards(BoardSettingBlock& block, const PciInfoReply* reply, bool pciWanted);

// ---- Windows 9x (device nodes) ----

inline constexpr const char* MULTIFUNCTION_ROOT_KEY = "Enum\\Root\\MultiFunction";
inline constexpr const char* ASYNC_ROOT_KEY = "Enum\\Root\\OrvaneAsync";
inline constexpr const char* CONFIG_MANAGER_ENUM_KEY = "Config Manager\\Enum\\";  // HKEY_DYN_DATA

// ISA boards under the multifunction root enumerator.
bool DiscoverMultiFunctionBoards(BoardSettingBlock& block);
// ISA boards under the "OrvaneAsync" root enumerator, with their ports' FIFO settings.
bool DiscoverAsyncRootBoards(BoardSettingBlock& block);
// PCI boards of the configuration manager's current device nodes.
bool DiscoverConfigManagerBoards(BoardSettingBlock& block);

// The steps of the Windows 9x paths, for tests.
bool ReadIsaInstance(const std::string& instanceKeyPath, std::string_view enumerator,
                     ForcedConfigVariant variant, BoardSettingRecord& rec);
bool ReadChildComNumbers(const std::string& deviceNodeName, BoardSettingRecord& rec);
bool ReadChildFifoSettings(const std::string& deviceNodeName, BoardSettingRecord& rec);

// PCI configuration mechanism 1: one DWORD of a function-0 configuration space, read with
// interrupts disabled from the address write to the data read.
ULONG ReadPciConfigDword(ULONG bus, ULONG device, ULONG reg);
// Looks for the board on buses 0 and 1, devices 0 to 29, by vendor, device id and the I/O
// address of its port 0 in base address register 2; sets pciBus and pciDevice when found.
void FindPciLocation(BoardSettingRecord& rec);

}  // namespace ovtb::diag
