// The command lines and names of an extraction, as plain functions: the
// command head of each archive kind, the automatic folder, the list-file
// line of a chosen row, and the whole command handed to the archiver.
#pragma once
#include <string>

namespace qaz {

// The head of the extraction command of a kind ("" when there is none),
// for a normal extraction or one into the work folder.
const char* ExtractHead(int kind, bool intoWorkFolder);

// Cuts the text before the first digit (mode 0) or "_" (mode 1) that
// follows some other character: photo2024 -> photo, 2024photo stays,
// pics_old -> pics, _pics stays. Double-byte characters are stepped over
// whole, so their trail bytes never count as "_".
void TrimFolderName(std::string& text, int mode);

// The automatic folder for an archive's file name: the name without its
// extension, trimmed of digits (trimDigits) and then at "_" (trimUnderscore).
std::string AutoFolderName(const std::string& fileName, bool trimDigits, bool trimUnderscore);

// The whole command: head, archive and destination in double quotes (for
// the ISH kind without quotes and with " /f="), the automatic folder with
// "\" appended to the destination when it is not empty, then for every kind
// but ISH the list file as "@" and its path in double quotes when one is given.
std::string ExtractCommand(int kind, bool intoWorkFolder, const std::string& archive, const std::string& destination,
                           const std::string& autoFolder, const std::string& listFile);

// The line of one chosen row in "unpack.qaz": the file name in double
// quotes, preceded by its folder and "\" for a cabinet, followed by CR LF.
std::string UnpackListLine(int kind, const std::string& folder, const std::string& fileName);

}  // namespace qaz
