// The names and command lines of a packing, as plain functions.
#pragma once
#include <windows.h>

#include <string>

namespace qaz {

// The archive extension of a packing format (PackDef 1 LZH, 2 CAB, 4 TGZ);
// "" for ISH and unknown formats.
const char* PackExtension(int format);

// The command head for a format and its option word: "a -a1" / "m -a1",
// "-a -r -ml:<15..21>" / "-a -r -mz", "cvfz<1..9>" (6 otherwise).
std::string PackHead(int format, int optionWord);

// The packing command: head, blank, the archive in double quotes, blank,
// and "@" with the list file in double quotes.
std::string PackCommand(int format, int optionWord, const std::string& archive, const std::string& listFile);

// The line of one dropped item in "pack.qaz" (its last path component):
// an existing folder as "name\*.*" (with " -d1" for LZH) or, for TGZ, its
// name; anything else its name; always in double quotes, ending in CR LF.
std::string PackListLine(int format, const std::string& name, bool isFolder);

// The ISH command of one item: "/<opt1> /<opt2> <short path> /f=<its folder>".
std::string IshItemCommand(int optionWord, const std::string& shortPath);

// The self-extracting command of LZH or CAB for the archive (empty for
// the other formats). The LZH kind is (optionWord >> 16) & 0xFFF.
std::string SfxCommand(int format, int optionWord, const std::string& archive);

// Base names: the date as yyyymmdd followed by ".tmp".
std::string DateBaseName(const SYSTEMTIME& date);
// The path with its extension (after the last "." behind the last
// separator, if any) replaced by ext.
std::string WithExtension(const std::string& path, const std::string& ext);

}  // namespace qaz
