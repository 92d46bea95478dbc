// A small host front end of the LHA and ARJ codecs for the benchmark:
//   lzh_tool a ARCHIVE FILE...   packs the files (-lh5-, level-2 headers)
//   lzh_tool x ARCHIVE DIR       unpacks an .lzh or .arj archive into DIR (flat names)
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "components/codecs/arj.h"
#include "components/codecs/lzh.h"

using namespace qaz::codecs;

namespace {

std::vector<uint8_t> ReadAll(const char* path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

class FileSink : public ByteSink {
public:
    explicit FileSink(const std::string& path) : f_(std::fopen(path.c_str(), "wb")) {}
    ~FileSink() override {
        if (f_) std::fclose(f_);
    }
    bool Write(const uint8_t* d, size_t n) override { return f_ && std::fwrite(d, 1, n, f_) == n; }

private:
    FILE* f_;
};

std::string Flat(const std::string& dir, std::string path) {
    for (char& c : path)
        if (c == '\\' || c == '/') c = '_';
    return dir + "/" + path;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    if (!std::strcmp(argv[1], "a")) {
        std::vector<uint8_t> out;
        for (int i = 3; i < argc; ++i) {
            const std::vector<uint8_t> data = ReadAll(argv[i]);
            LzhPackItem item;
            item.path = argv[i];
            item.data = data.data();
            item.size = data.size();
            AppendLzhEntry(out, item);
        }
        FinishLzh(out);
        FILE* f = std::fopen(argv[2], "wb");
        if (!f) return 1;
        std::fwrite(out.data(), 1, out.size(), f);
        std::fclose(f);
        return 0;
    }
    const std::vector<uint8_t> a = ReadAll(argv[2]);
    int bad = 0;
    size_t at = FindLzhStart(a.data(), a.size());
    if (at != SIZE_MAX) {
        LzhEntry e;
        while (ReadLzhHeader(a.data(), a.size(), at, e) == LzhHeaderStatus::Ok) {
            if (!e.folder) {
                FileSink sink(Flat(argv[3], e.path));
                bad += UnpackLzhEntry(a.data(), a.size(), e, sink) != UnpackStatus::Ok;
            }
            at = e.nextOffset;
        }
        return bad ? 1 : 0;
    }
    at = FindArjStart(a.data(), a.size());
    if (at == SIZE_MAX) return 1;
    ArjEntry e;
    while (ReadArjHeader(a.data(), a.size(), at, e) == ArjHeaderStatus::Ok) {
        if (!e.folder) {
            FileSink sink(Flat(argv[3], e.path));
            bad += UnpackArjEntry(a.data(), a.size(), e, sink) != UnpackStatus::Ok;
        }
        at = e.nextOffset;
    }
    return bad ? 1 : 0;
}
