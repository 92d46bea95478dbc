// libFuzzer entry for the archive readers, chosen at build time by
// QAZ_FUZZ_<FORMAT>: whatever the input, no crash, no hang, and no entry
// path that the safety check lets through may lead outside.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "components/codecs/entry_path.h"
#include "components/codecs/gzip.h"
#include "components/codecs/ish.h"
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
#elif defined(QAZ_FUZZ_ISH)
    // The input as a text: whatever comes out whole has the header's size.
    for (const IshFile& f : DecodeIsh(data, size, kMaxOut)) {
        const bool whole = f.status == IshStatus::Ok || f.status == IshStatus::Repaired;
        if (whole ? f.data.size() != f.size : !f.data.empty()) __builtin_trap();
        CheckSafe(f.name);
    }
    // The input as a file: encoded in the kind its first byte names, with up
    // to two lines of one block lost (picked by the next bytes), it must come
    // back whole.
    if (size >= 3 && size <= 8192) {
        IshEncodeOptions o;
        o.kind = static_cast<IshKind>(data[0] & 3);
        o.name = "fuzz.bin";
        std::string text = EncodeIsh(data + 3, size - 3, o);
        std::vector<size_t> starts;
        for (size_t i = 0; i < text.size(); i = text.find('\n', i) + 1) starts.push_back(i);
        const size_t body = 4, lines = starts.size();
        for (int k = 1; k <= 2 && lines > body; ++k) {
            const size_t line = body + data[k] % (lines - body < 40 ? lines - body : 40);
            text[starts[line]] = '\x01';  // no alphabet holds it
        }
        const std::vector<IshFile> files =
            DecodeIsh(reinterpret_cast<const uint8_t*>(text.data()), text.size(), kMaxOut);
        if (files.size() != 1 || files[0].data != std::vector<uint8_t>(data + 3, data + size)) __builtin_trap();
    }
#endif
    return 0;
}
