// The command line of Ish32.dll, read into what to do, after the options of
// the ish tool. "<text> /f=<folder>" decodes the ISH files in a text: a file
// whose name is taken is skipped ("/r", the default), or asked about ("/q"),
// or written under a numbered name ("/a", NAME.000, NAME.001, ...).
// "/<kind> /<system> <file> /f=<folder>" encodes a file, the kind one of "s"
// or "s7" (7-bit JIS), "s8" (8-bit JIS), "ss" (Shift-JIS), "sn" (Shift-JIS
// without kana), the system one of "m" (MS-DOS), "u" (UNIX), "c" (CP/M), "9"
// (OS-9), "?" (other) and "*" (all). Options may also start with "-";
// letters are read without case.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "components/codecs/ish.h"

namespace qaz::archivers {

enum class IshRestore { SkipTaken, Ask, Renumber };

struct IshCommand {
    bool encode = false;
    IshRestore restore = IshRestore::SkipTaken;
    codecs::IshKind kind = codecs::IshKind::ShiftJis;
    uint8_t system = codecs::kIshMsDos;
    std::string folder;  // after "/f="; empty: beside each file
    std::vector<std::string> files;
};

// False, with the offending word in bad, for an option we do not know.
bool ParseIshCommand(const std::vector<std::string>& args, IshCommand& command, std::string& bad);

// The name of the text made from a file: its name with ".ish" for the last
// extension, numbered ("README_2.ish", ...) while that name is taken, so that
// no file is replaced; empty when a thousand are taken. exists tells whether
// a name is taken.
using IshTaken = std::function<bool(const std::string&)>;
std::string IshOutputName(const std::string& folder, const std::string& fileName, const IshTaken& exists);

// A folder with its final separator ("" stays "").
std::string WithSeparator(const std::string& folder);

// The numbered name "/a" gives a file whose name is taken: the part before
// the first "." and ".000", ".001", ...; empty when all thousand are taken.
std::string IshRenumbered(const std::string& folder, const std::string& fileName, const IshTaken& exists);

}  // namespace qaz::archivers
