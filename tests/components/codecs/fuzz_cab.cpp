// libFuzzer entry for the cabinet reader: the input is a cabinet (or data
// with one inside); every file is unpacked into a counting target.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "components/codecs/cab.h"

namespace {

class Target : public qaz::codecs::CabFileTarget {
public:
    explicit Target(const qaz::codecs::CabSet& set) : set_(set) {}
    bool Begin(size_t) override {
        written_ = 0;
        return true;
    }
    bool Write(const uint8_t*, size_t size) override {
        written_ += size;
        return true;
    }
    void End(size_t file, qaz::codecs::CabStatus status) override {
        if (status == qaz::codecs::CabStatus::Ok && written_ != set_.files()[file].size) __builtin_trap();
    }

private:
    const qaz::codecs::CabSet& set_;
    uint64_t written_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qaz::codecs;
    MemorySource probe(data, size);
    const uint64_t at = FindCabinet(probe);
    if (at == UINT64_MAX) return 0;
    CabSet set;
    // Every neighbouring part is the input again: a set that names itself.
    auto open = [&](const std::string&) { return std::make_unique<MemorySource>(data, size); };
    if (!set.Open(std::make_unique<MemorySource>(data, size), at, open)) return 0;
    Target target(set);
    for (size_t folder = 0; folder < set.folders().size(); ++folder) {
        std::vector<size_t> files;
        for (size_t i = 0; i < set.files().size() && files.size() < 64; ++i)
            if (set.files()[i].folder == folder && set.files()[i].size <= (1u << 22)) files.push_back(i);
        set.ExtractFolder(folder, files, target);
    }
    return 0;
}
