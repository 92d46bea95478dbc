// The published 32-bit picture plug-in interface: its results and its
// picture-information record. Shared by the program, which calls plug-ins,
// and by our own plug-ins, which answer those calls.
#pragma once
#include <windows.h>

namespace qaz {

// Results of the entries.
enum : int {
    kSpiNotImplemented = -1,
    kSpiOk = 0,
    kSpiAborted = 1,
    kSpiUnknownFormat = 2,
    kSpiCorrupt = 3,
    kSpiNoMemory = 4,
    kSpiReadError = 6,
};

#pragma pack(push, 1)
struct PictureInfo {
    LONG left;
    LONG top;
    LONG width;
    LONG height;
    WORD xDensity;
    WORD yDensity;
    SHORT colorDepth;
    HLOCAL info;  // text information, freed by the caller
};
#pragma pack(pop)
#if !defined(_WIN64)
static_assert(sizeof(PictureInfo) == 26, "picture-info record of the interface");
#endif

}  // namespace qaz
