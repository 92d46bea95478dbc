// The self-extracting program our LHA and cabinet libraries put in front of
// an archive. It finds the archive by the trailer at its own end and
// extracts everything into the folder given as its argument, or, started
// without one, into its own folder, saying when it is done.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "components/archivers/cab32/cabinet_io.h"
#include "components/archivers/common/archiver_shell.h"
#include "components/archivers/common/extract_entries.h"
#include "components/archivers/common/lzh_jobs.h"
#include "components/archivers/common/mapped_file.h"
#include "components/archivers/common/self_extract.h"
#include "components/archivers/common/temp_output.h"
#include "components/archivers/common/win_io.h"
#include "components/codecs/lzh.h"

using namespace qaz::archivers;
namespace codecs = qaz::codecs;

namespace {

int ExtractLzh(const uint8_t* data, size_t size, const Targets& targets, std::string& report) {
    std::vector<codecs::LzhEntry> entries;
    if (!WalkLzh(data, size, 0, entries)) return kErrorCorrupt;
    return ExtractEntries(JobsOfLzh(data, size, entries), targets, false, report);
}

std::string Argument(const char* line) {
    std::string s = line ? line : "";
    std::string out;
    for (char c : s)
        if (c != '"') out += c;
    while (!out.empty() && out.back() == ' ') out.pop_back();
    while (!out.empty() && out.front() == ' ') out.erase(0, 1);
    return out;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string given = Argument(commandLine);
    Targets targets;
    targets.destination = given.empty() ? FolderOf(self) : given;
    if (!targets.destination.empty() && targets.destination.back() != '\\') targets.destination += '\\';
    std::string report;
    int result = kErrorNotArchive;
    {
        MappedFile f(self);
        if (f.ok() && f.size() >= 16 && std::memcmp(f.data() + f.size() - 16, kSfxMagic, 8) == 0) {
            uint32_t offset = 0, kind = 0;
            std::memcpy(&offset, f.data() + f.size() - 8, 4);
            std::memcpy(&kind, f.data() + f.size() - 4, 4);
            if (offset <= f.size() - 16) {
                if (kind == static_cast<uint32_t>(SfxKind::Lzh))
                    result = ExtractLzh(f.data() + offset, f.size() - 16 - offset, targets, report);
                else if (kind == static_cast<uint32_t>(SfxKind::Cab))
                    result = ExtractCabinet(self, offset, targets, false, report);
            }
        }
    }
    if (given.empty()) {
        const std::string text = result == kOk ? targets.destination + " に展開しました。"
                                               : "展開できませんでした。\r\n" + report;
        MessageBoxA(nullptr, text.c_str(), "QAZ 自己解凍", MB_OK | (result == kOk ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
    }
    return result == kOk ? 0 : 1;
}
