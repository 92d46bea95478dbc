#include "archive/unpack_command.h"

#include <windows.h>

#include "base/path_parts.h"
#include "core/file_kind.h"

namespace qaz {

const char* ExtractHead(int kind, bool intoWorkFolder) {
    struct Heads {
        int kind;
        const char* normal;
        const char* work;
    };
    static const Heads kHeads[] = {
        {kindLzh, "x -a1 ", "x -a0gj "}, {kindZip, "-x -s -V -i ", ""}, {kindArj, "x -a ", "x -hj "},
        {kindCab, "-x ", "-x -j "},      {kindIsh, "/q ", ""},           {kindTar, "xvfo ", ""},
        {kindCompressed, "xvfGo ", ""},
    };
    for (const Heads& h : kHeads)
        if (h.kind == kind) return intoWorkFolder ? h.work : h.normal;
    return "";
}

void TrimFolderName(std::string& text, int mode) {
    bool seenOther = false;
    // Character by character: the trail byte of ダ, 論 or 点 equals '_', and
    // a cut there would leave a lone lead byte.
    for (size_t i = 0, step = 1; i < text.size(); i += step) {
        const char c = text[i];
        step = IsDBCSLeadByte(static_cast<BYTE>(c)) && i + 1 < text.size() ? 2 : 1;
        const bool cut = step == 1 && (mode == 0 ? (c >= '0' && c <= '9') : c == '_');
        if (cut) {
            if (seenOther) {
                text.resize(i);
                return;
            }
        } else {
            seenOther = true;
        }
    }
}

std::string AutoFolderName(const std::string& fileName, bool trimDigits, bool trimUnderscore) {
    std::string folder = fileName.substr(0, fileName.size() - ExtensionOf(fileName).size());
    if (trimDigits) TrimFolderName(folder, 0);
    if (trimUnderscore) TrimFolderName(folder, 1);
    return folder;
}

std::string ExtractCommand(int kind, bool intoWorkFolder, const std::string& archive, const std::string& destination,
                           const std::string& autoFolder, const std::string& listFile) {
    const std::string head = ExtractHead(kind, intoWorkFolder);
    std::string command;
    if (kind == kindIsh) {
        command = head + archive + " /f=" + destination;
    } else {
        // Kinds without a work-folder head start with the archive path itself.
        command = head + (head.empty() ? "" : "\"") + archive + "\" \"" + destination;
    }
    if (!autoFolder.empty() && !intoWorkFolder) command += autoFolder + "\\";
    if (kind == kindIsh) return command;
    command += "\"";
    if (!listFile.empty()) command += " \"@" + listFile + "\"";
    return command;
}

std::string UnpackListLine(int kind, const std::string& folder, const std::string& fileName) {
    const std::string inFolder = (kind == kindCab && !folder.empty()) ? folder + "\\" : std::string();
    return "\"" + inFolder + fileName + "\"\r\n";
}

}  // namespace qaz
