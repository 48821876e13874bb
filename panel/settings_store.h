// The panel's stored configuration: the value "Settings" (the boards' 60-byte records) and
// "ProductID" of the serial driver's service Ovserp, and the registration of every board model
// for the diagnostic tool under Software\ORVANE\Driver. These are the panel's only registry
// writes besides the temporary service of the PCI query.
//
// Results follow the panel's conventions: nonzero on success, 0 on failure; every key is opened
// for one operation and closed on every way out of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "catalog/settings_record.h"
#include "platform/common/windef.h"

namespace ovtb::panel {

// The brand the panel presents itself under; written as "ProductID".
inline constexpr DWORD PANEL_PRODUCT_ID = 0;

// The diagnostic library's file name, written as "DiagDLL" of every model key.
inline constexpr const char* DIAG_DLL_FILE = "TBDiag.DLL";

// Reads "Settings" into `buffer`: the number of bytes read, or 0 when the Parameters key or the
// value is missing, cannot be read, or is longer than 240 bytes.
DWORD ReadSettings(std::span<std::uint8_t, catalog::SETTINGS_READ_BYTES> buffer);

// Replaces "Settings" with the records, back to back (0 bytes for none), then writes
// "ProductID". Nonzero when both were written. Without the Parameters key nothing is written.
// At most MAX_BOARDS records are stored: a longer value could not be read back at all.
int WriteSettings(std::span<const catalog::SettingsRecord> records);

// Creates or opens the driver key and one subkey per catalog model (the PCI models, then the
// ISA models), each with "DiagDLL" and "ovkey". 0 when the driver key cannot be created or
// opened; a model key that cannot be created ends its table's loop only.
int RegisterDiagnostics();

}  // namespace ovtb::panel
