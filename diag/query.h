// The diagnostic tool's calls, in C++: OVD_GetSetting and the accessors that read the tool's
// block. The exports (exports.cpp) forward to these.
//
// The block is the tool's bytes, laid out as BoardSettingBlock (catalog/board_setting_record.h).
// An accessor given a null block or an index outside 0 to MAX_BOARDS - 1 returns 0 and writes
// nothing: such an index would address bytes beyond the block.
#pragma once

#include <cstdint>

namespace ovtb::diag {

// Runs the probes and discovery paths of the running family, copies the boards of `typeCode`
// into `block` and the last probe's version text (at most 63 characters and the terminator)
// into `versionText`. 0 when `block` or `versionText` is null (nothing written), else 1.
std::int32_t GetSetting(std::int32_t typeCode, std::uint8_t* block, const std::uint8_t* pciReply,
                        char* versionText);

// The model's name, with "(N ports)" for a type code with bit 0x4000 and a listed port count;
// at most 23 characters and the terminator.
void GetTypeStr(const std::uint8_t* block, std::int32_t index, char* text);

std::uint16_t QueryBusNum(const std::uint8_t* block, std::int32_t index);
std::int32_t QueryBusType(const std::uint8_t* block, std::int32_t index);
// Copies the first portCount COM numbers, at most 32, and returns portCount as stored.
std::int32_t QueryComNum(std::int32_t* comNumbers, const std::uint8_t* block, std::int32_t index);
std::uint16_t QueryDevId(const std::uint8_t* block, std::int32_t index);
std::uint16_t QueryDevNum(const std::uint8_t* block, std::int32_t index);
std::uint16_t QueryIOaddr(const std::uint8_t* block, std::int32_t index);
std::int32_t QueryIrq(const std::uint8_t* block, std::int32_t index);
std::int32_t QueryMemBank(const std::uint8_t* block, std::int32_t index);
std::int32_t QueryNoBoards(const std::uint8_t* block);
std::int32_t QueryPortNum(const std::uint8_t* block, std::int32_t index);
std::int32_t QuerySize();
std::uint16_t QueryVector(const std::uint8_t* block, std::int32_t index);

}  // namespace ovtb::diag
