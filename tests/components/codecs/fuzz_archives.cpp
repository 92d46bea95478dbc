// libFuzzer entry for the archive readers, chosen at build time by
// QAZ_FUZZ_<FORMAT>: whatever the input, no crash, no hang, and no entry
// path that the safety check lets through may lead outside.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "components/codecs/entry_path.h"
#include "components/codecs/gzip.h"
#include "components/codecs/lzw.h"
#include "components/codecs/tar.h"
#include "components/codecs/zip.h"

using namespace qaz::codecs;

namespace {

constexpr size_t kMaxOut = 1 << 20;

void Drain(ByteSource& in) {
    uint8_t buf[4096];
    size_t total = 0;
    for (size_t n; total < kMaxOut && (n = in.Read(buf, sizeof buf)) > 0;) total += n;
}

void CheckSafe(const std::string& raw) {
    std::string out;
    if (SafeRelativePath(raw, out) != PathVerdict::Ok) return;
    if (out.empty() || out[0] == '\\' || out.find(':') != std::string::npos) __builtin_trap();
    size_t start = 0;
    for (size_t i = 0; i <= out.size(); ++i) {
        if (i < out.size() && IsShiftJisLead(static_cast<uint8_t>(out[i])) && i + 1 < out.size()) {
            ++i;
            continue;
        }
        if (i == out.size() || out[i] == '\\') {
            if (out.compare(start, i - start, "..") == 0 || i == start) __builtin_trap();
            start = i + 1;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
#if defined(QAZ_FUZZ_TAR)
    MemorySource src(data, size);
    TarReader tar(src);
    TarEntry e;
    uint8_t buf[4096];
    for (int i = 0; i < 1000 && tar.Next(e); ++i) {
        CheckSafe(e.name);
        while (tar.ReadData(buf, sizeof buf) > 0) {
        }
    }
#elif defined(QAZ_FUZZ_GZIP)
    GzipHeader header;
    ParseGzipHeader(data, size, header);
    MemorySource src(data, size);
    GzipSource gz(src);
    Drain(gz);
#elif defined(QAZ_FUZZ_LZW)
    MemorySource src(data, size);
    LzwSource z(src);
    Drain(z);
#elif defined(QAZ_FUZZ_ZIP)
    MemorySource src(data, size);
    std::vector<ZipEntry> entries;
    if (ReadZipDirectory(src, entries) == ArcError::None) {
        for (size_t i = 0; i < entries.size() && i < 64; ++i) {
            CheckSafe(entries[i].name);
            if (entries[i].size > kMaxOut) continue;
            VectorSink out(kMaxOut);
            ExtractZipEntry(src, entries[i], out);
            if (out.bytes.size() > entries[i].size) __builtin_trap();
        }
    }
#elif defined(QAZ_FUZZ_PATH)
    const std::string text(reinterpret_cast<const char*>(data), size);
    const size_t nul = text.find('\0');
    CheckSafe(text.substr(0, nul));
    if (nul != std::string::npos) {
        std::string link, target;
        if (SafeRelativePath(text.substr(0, nul), link) == PathVerdict::Ok &&
            SafeLinkTarget(link, text.substr(nul + 1), target) == PathVerdict::Ok)
            CheckSafe(target);
    }
#endif
    return 0;
}
