// Writes a help file in the classic Windows 3.1 help format (the format the
// system's help viewer, winhlp32, opens): a small file system of internal
// files (|SYSTEM, |FONT, |CONTEXT, |TTLBTREE, |TOPIC) with a B+ tree
// directory. Topics are stored as topic links in 4 KB topic blocks; texts
// are taken byte for byte, in the code page named by `charset`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/hlpgen/help_source.h"

namespace qaz::hlpgen {

// Hash of a context name, as the help viewer looks topics up.
int32_t ContextHash(const std::string& context);

// The whole help file. Throws std::runtime_error when the book does not fit
// the limits of the format as written here (a paragraph above 3.5 KB, more
// topics than one B+ tree page holds).
std::vector<uint8_t> WriteHelpFile(const HelpBook& book, uint8_t charset);

constexpr uint8_t kShiftJisCharset = 128;

}  // namespace qaz::hlpgen
