/* A diagnostic tool written in C: it includes only the library's header, loads the library
 * with dlopen, finds the fourteen exports by name and calls them in the documented order. The
 * machine is an empty directory (OVTB_MACHINE), so no board is found.
 * Usage: c_client PATH/TBDiag.DLL MACHINE_DIR */
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "diag/include/tbdiag.h"

#define CHECK(cond)                                                              \
    do {                                                                         \
        if (!(cond)) {                                                           \
            fprintf(stderr, "c_client: %s:%d: %s\n", __FILE__, __LINE__, #cond); \
            return 1;                                                            \
        }                                                                        \
    } while (0)

typedef int32_t (*GetSettingFn)(int32_t, void*, const void*, char*);
typedef void (*GetTypeStrFn)(const void*, int32_t, char*);
typedef int32_t (*QueryComNumFn)(int32_t*, const void*, int32_t);
typedef int32_t (*QueryInt32Fn)(const void*, int32_t);
typedef uint16_t (*QueryUint16Fn)(const void*, int32_t);
typedef int32_t (*QueryNoBoardsFn)(const void*);
typedef int32_t (*QuerySizeFn)(void);

static const char* const kExports[14] = {
    "OVD_GetSetting",  "OVD_GetTypeStr",   "OVD_QueryBusNum",   "OVD_QueryBusType",
    "OVD_QueryComNum", "OVD_QueryDevId",   "OVD_QueryDevNum",   "OVD_QueryIOaddr",
    "OVD_QueryIrq",    "OVD_QueryMemBank", "OVD_QueryNoBoards", "OVD_QueryPortNum",
    "OVD_QuerySize",   "OVD_QueryVector",
};

int main(int argc, char** argv) {
    void* lib;
    int i;
    unsigned char* block;
    char version[OVD_VERSION_TEXT_SIZE];
    char type[OVD_TYPE_TEXT_SIZE];
    int32_t coms[OVD_MAX_PORTS];
    GetSettingFn getSetting;
    GetTypeStrFn getTypeStr;
    QueryComNumFn queryComNum;
    QueryNoBoardsFn queryNoBoards;
    QuerySizeFn querySize;
    QueryInt32Fn queryPortNum;
    QueryUint16Fn queryIoAddr;

    CHECK(argc == 3);
    CHECK(setenv("OVTB_MACHINE", argv[2], 1) == 0);
    lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        fprintf(stderr, "c_client: %s\n", dlerror());
        return 1;
    }
    for (i = 0; i < 14; ++i)
        CHECK(dlsym(lib, kExports[i]) != NULL);
    /* Nothing else leaves the module. */
    CHECK(dlsym(lib, "_ZN4ovtb4diag10GetSettingEiPhPKhPc") == NULL);

    *(void**)&getSetting = dlsym(lib, "OVD_GetSetting");
    *(void**)&getTypeStr = dlsym(lib, "OVD_GetTypeStr");
    *(void**)&queryComNum = dlsym(lib, "OVD_QueryComNum");
    *(void**)&queryNoBoards = dlsym(lib, "OVD_QueryNoBoards");
    *(void**)&querySize = dlsym(lib, "OVD_QuerySize");
    *(void**)&queryPortNum = dlsym(lib, "OVD_QueryPortNum");
    *(void**)&queryIoAddr = dlsym(lib, "OVD_QueryIOaddr");

    CHECK(querySize() == OVD_BLOCK_SIZE);
    block = malloc((size_t)querySize());
    CHECK(block != NULL);
    memset(block, 0xAB, (size_t)querySize());
    memset(version, 'x', sizeof version);
    CHECK(getSetting(0x0210, block, NULL, version) == 1);
    CHECK(queryNoBoards(block) == 0);
    CHECK(version[0] == '\0');
    CHECK(getSetting(0x0210, NULL, NULL, version) == 0);
    CHECK(getSetting(0x0210, block, NULL, NULL) == 0);

    /* A record the tool writes itself: type 0x2210 on the PCI bus with 4 ports, COM 7 on. */
    memset(block, 0, (size_t)querySize());
    block[4] = 1;                             /* count */
    block[8 + 0] = 0x10, block[8 + 1] = 0x22; /* typeCode */
    block[8 + 8] = 1;                         /* busKind */
    block[8 + 0x14] = 0x00, block[8 + 0x15] = 0xE8;
    block[8 + 0xA8] = 4; /* portCount */
    for (i = 0; i < 4; ++i)
        block[8 + 0x28 + 4 * i] = (unsigned char)(7 + i);
    getTypeStr(block, 0, type);
    CHECK(strcmp(type, "V678 PCI Series") == 0);
    CHECK(queryPortNum(block, 0) == 4);
    CHECK(queryIoAddr(block, 0) == 0xE800);
    memset(coms, 0, sizeof coms);
    CHECK(queryComNum(coms, block, 0) == 4);
    CHECK(coms[0] == 7 && coms[3] == 10 && coms[4] == 0);

    free(block);
    dlclose(lib);
    printf("c_client: TBDiag.DLL is usable from C\n");
    return 0;
}
