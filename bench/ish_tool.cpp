// Host front end of the ISH codec for bench/ish.sh:
//   ish_tool e <kind 0-3: jis7, jis8, sjis, non-kana> <file> <text>
//   ish_tool d <text> <folder>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "components/codecs/ish.h"

namespace {

bool ReadAll(const char* path, std::vector<uint8_t>& out) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    out.resize(size > 0 ? static_cast<size_t>(size) : 0);
    const bool ok = std::fread(out.data(), 1, out.size(), f) == out.size();
    std::fclose(f);
    return ok;
}

bool WriteAll(const std::string& path, const void* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace qaz::codecs;
    if (argc != 4 && argc != 5) return 2;
    const std::string mode = argv[1];
    std::vector<uint8_t> in;
    if (mode == "e" && argc == 5) {
        if (!ReadAll(argv[3], in)) return 1;
        IshEncodeOptions o;
        o.kind = static_cast<IshKind>(std::atoi(argv[2]) & 3);
        const std::string path = argv[3];
        o.name = path.substr(path.find_last_of('/') + 1);
        const std::string text = EncodeIsh(in.data(), in.size(), o);
        return WriteAll(argv[4], text.data(), text.size()) ? 0 : 1;
    }
    if (mode == "d" && argc == 4) {
        if (!ReadAll(argv[2], in)) return 1;
        int status = 0;
        for (const IshFile& f : DecodeIsh(in.data(), in.size())) {
            if (f.status != IshStatus::Ok && f.status != IshStatus::Repaired) {
                std::fprintf(stderr, "%s: %s\n", f.name.c_str(), IshStatusText(f.status));
                status = 1;
                continue;
            }
            // Only plain names: this is a benchmark tool, not an extractor.
            if (f.name.find_first_of("/\\:") != std::string::npos || f.name.empty() || f.name[0] == '.') return 1;
            if (!WriteAll(std::string(argv[3]) + "/" + f.name, f.data.data(), f.data.size())) status = 1;
        }
        return status;
    }
    return 2;
}
