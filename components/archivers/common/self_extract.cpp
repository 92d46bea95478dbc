#include "components/archivers/common/self_extract.h"

#include <windows.h>

#include <cstring>

#include "components/archivers/common/archiver_shell.h"
#include "components/archivers/common/extract_entries.h"
#include "components/archivers/common/mapped_file.h"
#include "components/archivers/common/temp_output.h"

namespace qaz::archivers {

int MakeSelfExtracting(const std::string& archive, const std::string& folder, SfxKind kind, std::string& report) {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&MakeSelfExtracting), &self);
    HRSRC res = FindResourceA(self, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(10));  // RT_RCDATA
    HGLOBAL loaded = res ? LoadResource(self, res) : nullptr;
    const void* stub = loaded ? LockResource(loaded) : nullptr;
    const DWORD stubSize = res ? SizeofResource(self, res) : 0;
    if (!stub || stubSize == 0) {
        report += "self-extracting stub missing from the library\r\n";
        return kErrorCannotWrite;
    }
    MappedFile in(archive);
    if (!in.ok()) {
        report += archive + ": cannot be read\r\n";
        return GetFileAttributesA(archive.c_str()) == INVALID_FILE_ATTRIBUTES ? kErrorNoArchive : kErrorCannotRead;
    }
    std::string name = LastPart(archive);
    std::string stem = name;
    for (size_t i = 0; i < name.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(name[i])) && i + 1 < name.size()) {
            ++i;
            continue;
        }
        if (name[i] == '.') stem = name.substr(0, i);
    }
    std::string dir = folder.empty() ? FolderOf(archive) : folder;
    if (!dir.empty() && !EndsInSeparator(dir)) dir += '\\';
    const std::string exe = dir + stem + ".exe";
    TempOutput out(exe);
    uint8_t trailer[16];
    std::memcpy(trailer, kSfxMagic, 8);
    const uint32_t offset = stubSize, k = static_cast<uint32_t>(kind);
    std::memcpy(trailer + 8, &offset, 4);
    std::memcpy(trailer + 12, &k, 4);
    if (!out.Write(stub, stubSize) || !out.Write(in.data(), in.size()) || !out.Write(trailer, 16) || !out.Commit()) {
        report += exe + ": cannot be written\r\n";
        return kErrorCannotWrite;
    }
    report += exe + ": made\r\n";
    return kOk;
}

}  // namespace qaz::archivers
