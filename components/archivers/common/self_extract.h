// Self-extracting programs: our stub program (carried by the library as
// resource 1 of type RCDATA) followed by the archive and a 16-byte trailer
// ("QAZSFX01", the archive's offset, its kind) by which the stub finds it.
#pragma once
#include <cstdint>
#include <string>

namespace qaz::archivers {

enum class SfxKind : uint32_t { Lzh = 1, Cab = 2 };

constexpr char kSfxMagic[8] = {'Q', 'A', 'Z', 'S', 'F', 'X', '0', '1'};

// Writes <folder><archive's name with ".exe"> (folder empty: beside the
// archive). Returns kOk or an archiver result code; one line in report.
int MakeSelfExtracting(const std::string& archive, const std::string& folder, SfxKind kind, std::string& report);

}  // namespace qaz::archivers
