// libFuzzer entry for one archive decoder, chosen at build time: every
// entry of the input is listed and unpacked into a bounded sink.
#include <cstddef>
#include <cstdint>

#include "components/codecs/arj.h"
#include "components/codecs/lzh.h"

namespace {
constexpr size_t kLimit = size_t{1} << 22;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qaz::codecs;
#if defined(QAZ_FUZZ_ARCHIVE_lzh)
    size_t at = FindLzhStart(data, size);
    for (int n = 0; at != SIZE_MAX && n < 64; ++n) {
        LzhEntry e;
        if (ReadLzhHeader(data, size, at, e) != LzhHeaderStatus::Ok) break;
        if (e.originalSize <= kLimit) {
            VectorSink sink(kLimit);
            if (UnpackLzhEntry(data, size, e, sink) == UnpackStatus::Ok && !e.folder &&
                sink.bytes.size() != e.originalSize)
                __builtin_trap();
        }
        if (e.nextOffset <= at) __builtin_trap();
        at = e.nextOffset;
    }
#elif defined(QAZ_FUZZ_ARCHIVE_arj)
    size_t at = FindArjStart(data, size);
    for (int n = 0; at != SIZE_MAX && n < 64; ++n) {
        ArjEntry e;
        if (ReadArjHeader(data, size, at, e) != ArjHeaderStatus::Ok) break;
        if (e.originalSize <= kLimit) {
            VectorSink sink(kLimit);
            if (UnpackArjEntry(data, size, e, sink) == UnpackStatus::Ok && !e.folder &&
                sink.bytes.size() != e.originalSize)
                __builtin_trap();
        }
        if (e.nextOffset <= at) __builtin_trap();
        at = e.nextOffset;
    }
#endif
    return 0;
}
