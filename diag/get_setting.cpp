// OVD_GetSetting: which driver is installed decides where the board list lies.
//
//   family  step  probe                        condition                   path
//   NT      1     Ovserp (registry version)    "1..." and a PCI type       Settings24
//   NT      1     (same)                       "5..."                      Settings60
//   NT      2     Ovser, if step 1 found none  "3..."                      OvConfig
//   9x      1     ovtbdrv.vxd (ProductVersion) found, any version          ConfigManager (PCI)
//                                                                          or AsyncRoot (ISA)
//   9x      2     ovspdrv.vxd, if none; PCI    "1..."                      ConfigManager
//   9x      2     ovsdrv.vxd, if none; ISA     "3..."                      MultiFunction
//
// "Found none" looks at the working block before the type filter. The tool receives the text of
// the last probe that ran.
#include <algorithm>
#include <cstring>
#include <string>

#include "catalog/board_catalog.h"
#include "diag/discovery.h"
#include "diag/driver_version.h"
#include "diag/query.h"

namespace ovtb::diag {

namespace {

bool StartsWith(const std::string& text, char c) {
    return !text.empty() && text[0] == c;
}

void RunNt(BoardSettingBlock& work, const PciInfoReply* reply, bool pci, std::string& version) {
    ProbeMainDriver(OsFamily::WindowsNT, version);
    if (StartsWith(version, '1') && pci) {
        DiscoverSettings24Boards(work, reply);
    } else if (StartsWith(version, '5')) {
        DiscoverSettings60Boards(work, reply, pci);
    }
    if (work.count != 0)
        return;
    ProbeIsaDriver(OsFamily::WindowsNT, version);
    if (StartsWith(version, '3'))
        DiscoverOvConfigBoards(work);
}

void Run9x(BoardSettingBlock& work, bool pci, std::string& version) {
    if (ProbeMainDriver(OsFamily::Windows9x, version)) {
        if (pci) {
            DiscoverConfigManagerBoards(work);
        } else {
            DiscoverAsyncRootBoards(work);
        }
    }
    if (work.count != 0)
        return;
    if (pci) {
        ProbePciDriver9x(version);
        if (StartsWith(version, '1'))
            DiscoverConfigManagerBoards(work);
    } else {
        ProbeIsaDriver(OsFamily::Windows9x, version);
        if (StartsWith(version, '3'))
            DiscoverMultiFunctionBoards(work);
    }
}

}  // namespace

std::int32_t GetSetting(std::int32_t typeCode, std::uint8_t* block, const std::uint8_t* pciReply,
                        char* versionText) {
    if (block == nullptr || versionText == nullptr)
        return 0;
    std::optional<PciInfoReply> reply;
    if (pciReply != nullptr) {
        reply = PciInfoReply::Decode(std::span<const std::uint8_t>(pciReply, PciInfoReply::kSize));
    }
    const bool pci = (static_cast<std::uint32_t>(typeCode) & catalog::PCI_TYPE_BIT) != 0;

    BoardSettingBlock work;
    std::string version;
    if (RunningFamily() == OsFamily::WindowsNT) {
        RunNt(work, reply ? &*reply : nullptr, pci, version);
    } else {
        Run9x(work, pci, version);
    }

    std::uint32_t copied = 0;
    for (std::size_t i = 0; i < work.ValidCount(); ++i) {
        if (static_cast<std::int32_t>(work.records[i].typeCode) != typeCode)
            continue;
        std::span<std::uint8_t> out(block + BoardSettingBlock::RecordOffset(copied),
                                    BoardSettingRecord::kSize);
        work.records[i].Encode(out);
        ++copied;
    }
    std::span<std::uint8_t> head(block, 8);
    catalog::PutU32(head, catalog::board_setting_block_offsets::productId, work.productId);
    catalog::PutU32(head, catalog::board_setting_block_offsets::count, copied);

    const std::size_t n = std::min(version.size(), VERSION_TEXT_MAX - 1);
    std::memcpy(versionText, version.data(), n);
    versionText[n] = '\0';
    return 1;
}

}  // namespace ovtb::diag
