// Writes a few small pictures of each format as starting points for the
// fuzzers: make_seeds DIR writes DIR/mag, DIR/pi, DIR/pic, DIR/pic2, DIR/q4,
// ISH texts of each kind in DIR/ish, LZX cabinets in DIR/cab, and LHA
// entries of the older methods and header levels in DIR/lzh.
#include <filesystem>
#include <fstream>
#include <string>

#include "components/codecs/ish.h"
#include "tests/components/codecs/cab_writer.h"
#include "tests/components/codecs/encoders.h"
#include "tests/components/codecs/lzh_builders.h"

namespace {

void Write(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::filesystem::path dir = argv[1];
    for (const char* sub : {"mag", "pi", "pic", "pic2", "q4", "ish", "cab"}) std::filesystem::create_directories(dir / sub);
    std::vector<uint8_t> calls;
    for (int i = 0; calls.size() < 40000; ++i) {
        const std::string line = "call " + std::to_string(i % 97) + "\n";
        calls.insert(calls.end(), line.begin(), line.end());
        if (i % 5 == 0) calls.insert(calls.end(), {0xE8, uint8_t(i), 0x10, 0, 0});
    }
    for (const char* kinds : {"v", "au"})
        Write(dir / "cab" / (std::string("lzx_") + kinds), qaztest::LzxCabinet({{"c.bin", calls}}, 16, kinds, true));
    int k = 0;
    for (qaz::codecs::IshKind kind : {qaz::codecs::IshKind::Jis7, qaz::codecs::IshKind::Jis8,
                                      qaz::codecs::IshKind::ShiftJis, qaz::codecs::IshKind::NonKana}) {
        std::vector<uint8_t> bytes(300 + 97 * static_cast<size_t>(k));
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 37 + (i >> 3));
        qaz::codecs::IshEncodeOptions o;
        o.kind = kind;
        o.name = "seed.bin";
        const std::string text = qaz::codecs::EncodeIsh(bytes.data(), bytes.size(), o);
        Write(dir / "ish" / std::to_string(k++), std::vector<uint8_t>(text.begin(), text.end()));
    }
    for (int n = 0; n < 3; ++n) {
        const int w = 8 + n * 9, h = 4 + n * 5;
        std::vector<uint8_t> idx(static_cast<size_t>(w) * h);
        std::vector<uint16_t> words(idx.size());
        for (size_t i = 0; i < idx.size(); ++i) {
            idx[i] = static_cast<uint8_t>((i / 3 + i % 7) % 16);
            words[i] = static_cast<uint16_t>((i / 5) * 0x1357 + (i % 3));
        }
        std::vector<uint32_t> pal16(16), pal256(256);
        for (unsigned i = 0; i < 256; ++i) (i < 16 ? pal16[i] : pal256[i]) = i * 0x010203u;
        const std::string s = std::to_string(n);
        Write(dir / "mag" / (s + "a"), qaz::testenc::EncodeMag(w, h, idx, pal16, static_cast<unsigned>(n)));
        Write(dir / "mag" / (s + "b"), qaz::testenc::EncodeMag(w, h, idx, pal256));
        Write(dir / "pi" / (s + "a"), qaz::testenc::EncodePi(w, h, idx, pal16, 4, 1, 2));
        Write(dir / "pi" / (s + "b"), qaz::testenc::EncodePi(w, h, idx, pal256, 8));
        Write(dir / "pic" / (s + "a"), qaz::testenc::EncodePic(w, h, words, 15));
        Write(dir / "pic" / (s + "b"), qaz::testenc::EncodePic(w, h, words, 16));
        std::vector<uint32_t> rgb(idx.size());
        for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = pal16[idx[i]] * 0x1F;
        Write(dir / "pic2" / (s + "a"), qaz::testenc::EncodePic2(w, h, rgb));
        Write(dir / "pic2" / (s + "b"), qaz::testenc::EncodePic2(w, h, rgb, true));
        std::vector<uint8_t> q4(640 * 400);
        for (size_t i = 0; i < q4.size(); ++i) q4[i] = static_cast<uint8_t>((i / (40 + n * 97)) % 16);
        Write(dir / "q4" / s, qaz::testenc::EncodeQ4(q4, pal16));
    }
    namespace lzh = qaztest::lzh;
    std::filesystem::create_directories(dir / "lzh");
    std::vector<uint8_t> text;
    for (int i = 0; i < 400; ++i) text.push_back(static_cast<uint8_t>("seed of an old archive "[i % 23] + (i / 97)));
    struct Seed {
        const char* method;
        lzh::Bytes (*pack)(const lzh::Bytes&);
        int level;
        char os;
    };
    const Seed seeds[] = {{"-lh1-", lzh::PackLh1, 0, 'M'}, {"-lzs-", lzh::PackLzs, 1, 'U'},
                          {"-lz5-", lzh::PackLz5, 3, 'U'}, {"-lh0-", nullptr, 2, 'm'},
                          {"-pm2-", lzh::PackPm2, 1, 'M'}, {"-lhx-", lzh::PackLhx, 2, 'W'}};
    for (const Seed& seed : seeds) {
        lzh::Entry e;
        e.method = seed.method;
        e.os = seed.os;
        e.original = text;
        e.packed = seed.pack ? seed.pack(text) : text;
        e.name = lzh::Of("seed.txt");
        e.exts = {{0x01, lzh::Of("ln|seed.txt")}, {0x50, {0xFF, 0xA1}}};
        lzh::Bytes a = seed.level >= 2 ? lzh::Level23(e, seed.level) : lzh::Level01(e, seed.level);
        a.push_back(0);
        Write(dir / "lzh" / (std::string("old") + std::to_string(&seed - seeds)), a);
    }
    return 0;
}
