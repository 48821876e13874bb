// TBDiag.DLL: the fourteen exports, with C linkage, over the library's logic (query.h). Only
// these symbols leave the module (exports.map lists them in ordinal order). The library's load
// and unload need no work.
#include "diag/include/tbdiag.h"

#include "diag/query.h"

namespace {
const std::uint8_t* Bytes(const void* p) {
    return static_cast<const std::uint8_t*>(p);
}
}  // namespace

extern "C" {

int32_t OVD_GetSetting(int32_t typeCode, void* block, const void* pciReply, char* versionText) {
    return ovtb::diag::GetSetting(typeCode, static_cast<std::uint8_t*>(block), Bytes(pciReply),
                                  versionText);
}
void OVD_GetTypeStr(const void* block, int32_t index, char* text) {
    ovtb::diag::GetTypeStr(Bytes(block), index, text);
}
uint16_t OVD_QueryBusNum(const void* block, int32_t index) {
    return ovtb::diag::QueryBusNum(Bytes(block), index);
}
int32_t OVD_QueryBusType(const void* block, int32_t index) {
    return ovtb::diag::QueryBusType(Bytes(block), index);
}
int32_t OVD_QueryComNum(int32_t* comNumbers, const void* block, int32_t index) {
    return ovtb::diag::QueryComNum(comNumbers, Bytes(block), index);
}
uint16_t OVD_QueryDevId(const void* block, int32_t index) {
    return ovtb::diag::QueryDevId(Bytes(block), index);
}
uint16_t OVD_QueryDevNum(const void* block, int32_t index) {
    return ovtb::diag::QueryDevNum(Bytes(block), index);
}
uint16_t OVD_QueryIOaddr(const void* block, int32_t index) {
    return ovtb::diag::QueryIOaddr(Bytes(block), index);
}
int32_t OVD_QueryIrq(const void* block, int32_t index) {
    return ovtb::diag::QueryIrq(Bytes(block), index);
}
int32_t OVD_QueryMemBank(const void* block, int32_t index) {
    return ovtb::diag::QueryMemBank(Bytes(block), index);
}
int32_t OVD_QueryNoBoards(const void* block) {
    return ovtb::diag::QueryNoBoards(Bytes(block));
}
int32_t OVD_QueryPortNum(const void* block, int32_t index) {
    return ovtb::diag::QueryPortNum(Bytes(block), index);
}
int32_t OVD_QuerySize(void) {
    return ovtb::diag::QuerySize();
}
uint16_t OVD_QueryVector(const void* block, int32_t index) {
    return ovtb::diag::QueryVector(Bytes(block), index);
}

}  // extern "C"
