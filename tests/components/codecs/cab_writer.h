// Cabinets written by the tests themselves, for what no peer tool writes:
// LZX data (one block per 32 KB frame, fixed complete codes, greedy matches
// with the repeated offsets tried first, and the E8 call translation), and
// cabinets of one folder around any data blocks (a Quantum folder, names
// marked UTF-8). cabextract reads what this writes; the tests check that
// before they use it.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qaztest {

using Bytes = std::vector<uint8_t>;

// A finished data block: its packed bytes and the size they unpack to.
struct CabBlock {
    Bytes packed;
    uint16_t size;
};

struct CabEntry {
    std::string name;
    uint32_t size;
    uint16_t attribs = 0x20;  // 0x80: the name is UTF-8
};

// One cabinet of one folder of the given type around the blocks.
Bytes MakeCabinet(const std::vector<CabEntry>& files, uint16_t type, const std::vector<CabBlock>& blocks);

// The files packed with LZX of that window; kinds gives each frame's block
// kind in turn: 'v' verbatim, 'a' aligned offsets, 'u' uncompressed; an
// upper-case kind is one block over that frame and the next.
Bytes LzxCabinet(const std::vector<std::pair<std::string, Bytes>>& files, int window, const std::string& kinds, bool e8);

// The files packed with MSZIP, each block's matches reaching into the one
// before it, as Windows' own cabinet writer packs them.
Bytes MszipCabinet(const std::vector<std::pair<std::string, Bytes>>& files);

}  // namespace qaztest
