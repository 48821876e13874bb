/*
 * TBDiag.DLL: the diagnostic library of the Talvex/Brinor boards, for an outside diagnostic
 * tool. Plain C; every function has C linkage and the caller's calling convention.
 *
 * The tool owns every buffer:
 *   block         OVD_QuerySize() bytes (OVD_BLOCK_SIZE): a product id, a count and four board
 *                 records, filled by OVD_GetSetting and read by the accessors
 *   pciReply      optional: the PCI information driver's 180-byte reply (OVD_PCI_REPLY_SIZE)
 *   versionText   at least OVD_VERSION_TEXT_SIZE bytes: the installed driver's version text
 *   type text     at least OVD_TYPE_TEXT_SIZE bytes for OVD_GetTypeStr
 *   COM numbers   room for OVD_QueryPortNum() values, at most OVD_MAX_PORTS
 *
 * Calling order: OVD_QuerySize, allocate; OVD_GetSetting(type code, block, reply or NULL,
 * text); OVD_QueryNoBoards; then, for each index below it, the accessors and OVD_GetTypeStr.
 * Boards are indexed from 0. An accessor given a null block or an index outside 0 to 3 returns
 * 0 and writes nothing.
 */
#ifndef OVTB_TBDIAG_H
#define OVTB_TBDIAG_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define OVD_BLOCK_SIZE 3064
#define OVD_PCI_REPLY_SIZE 180
#define OVD_MAX_BOARDS 4
#define OVD_MAX_PORTS 32
#define OVD_VERSION_TEXT_SIZE 64 /* the longest version text is 63 characters */
#define OVD_TYPE_TEXT_SIZE 24    /* the longest type text is 23 characters */
#define OVD_BUS_ISA 0
#define OVD_BUS_PCI 1

/* Finds the installed boards of one type code (for example the "ovkey" value of a model's key
 * under HKEY_LOCAL_MACHINE\Software\ORVANE\Driver) and the installed driver's version text.
 * Returns 1 when the block was filled (possibly with no board), 0 when block or versionText is
 * NULL (nothing is written then). */
int32_t OVD_GetSetting(int32_t typeCode, void* block, const void* pciReply, char* versionText);

/* The model's name ("V678 PCI Series", "Unknown Board", ...). */
void OVD_GetTypeStr(const void* block, int32_t index, char* text);

uint16_t OVD_QueryBusNum(const void* block, int32_t index);
int32_t OVD_QueryBusType(const void* block, int32_t index); /* OVD_BUS_ISA or OVD_BUS_PCI */
/* Copies the first port count COM numbers (at most OVD_MAX_PORTS) into comNumbers and returns
 * the port count. Note the order of the arguments: the destination comes first. */
int32_t OVD_QueryComNum(int32_t* comNumbers, const void* block, int32_t index);
uint16_t OVD_QueryDevId(const void* block, int32_t index);
uint16_t OVD_QueryDevNum(const void* block, int32_t index);
uint16_t OVD_QueryIOaddr(const void* block, int32_t index); /* port 0's I/O address */
int32_t OVD_QueryIrq(const void* block, int32_t index);
int32_t OVD_QueryMemBank(const void* block, int32_t index);
int32_t OVD_QueryNoBoards(const void* block);
int32_t OVD_QueryPortNum(const void* block, int32_t index);
int32_t OVD_QuerySize(void);
uint16_t OVD_QueryVector(const void* block, int32_t index);

#ifdef __cplusplus
}
#endif

#endif /* OVTB_TBDIAG_H */
