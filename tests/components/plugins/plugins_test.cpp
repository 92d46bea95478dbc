// Our .spi libraries loaded as a viewer loads them: JPEG, GIF and TIFF
// made by ImageMagick match ImageMagick's own decode; MAG, Pi, PIC, PIC2
// and Q4 made by our encoders decode to their pixels; damaged files and
// forged sizes give an error.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/components/codecs/encoders.h"
#include "tests/support/picture_compare.h"

namespace {

#pragma pack(push, 1)
struct Info {
    LONG left, top, width, height;
    WORD xDensity, yDensity;
    SHORT colorDepth;
    HLOCAL text;
};
#pragma pack(pop)
using GetPictureFn = int(WINAPI*)(LPSTR, LONG, UINT, HANDLE*, HANDLE*, FARPROC, LONG_PTR);
using GetPictureInfoFn = int(WINAPI*)(LPSTR, LONG, UINT, Info*);
using GetPluginInfoFn = int(WINAPI*)(int, LPSTR, int);
using IsSupportedFn = int(WINAPI*)(LPSTR, ULONG_PTR);

std::string BinDir() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.find_last_of('\\') + 1);
}

using qaztest::Rgb;
using qaztest::ReadPpm;
using qaztest::Psnr;

struct Plugin {
    explicit Plugin(const char* name) : module(LoadLibraryA((BinDir() + name).c_str())) {
        if (!module) return;
        picture = reinterpret_cast<GetPictureFn>(GetProcAddress(module, "GetPicture"));
        info = reinterpret_cast<GetPictureInfoFn>(GetProcAddress(module, "GetPictureInfo"));
        pluginInfo = reinterpret_cast<GetPluginInfoFn>(GetProcAddress(module, "GetPluginInfo"));
        supported = reinterpret_cast<IsSupportedFn>(GetProcAddress(module, "IsSupported"));
        preview = reinterpret_cast<GetPictureFn>(GetProcAddress(module, "GetPreview"));
    }
    ~Plugin() {
        if (module) FreeLibrary(module);
    }
    // Decodes a file through GetPicture and reads the DIB back as RGB.
    int Decode(const std::string& path, LONG offset, Rgb& out) const {
        HANDLE header = nullptr, bits = nullptr;
        const int result = picture(const_cast<LPSTR>(path.c_str()), offset, 0, &header, &bits, nullptr, 0);
        if (result != 0) {
            EXPECT_EQ(header, nullptr);
            EXPECT_EQ(bits, nullptr);
            return result;
        }
        const auto* bmi = static_cast<const BITMAPINFO*>(LocalLock(header));
        const auto* data = static_cast<const uint8_t*>(LocalLock(bits));
        const int w = bmi->bmiHeader.biWidth, h = bmi->bmiHeader.biHeight, bpp = bmi->bmiHeader.biBitCount;
        const size_t stride = ((static_cast<size_t>(w) * bpp + 31) / 32) * 4;
        out.width = w;
        out.height = h;
        out.rgb.resize(static_cast<size_t>(w) * h * 3);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t* row = data + (h - 1 - y) * stride;
                uint8_t r, g, b;
                if (bpp == 8) {
                    const RGBQUAD q = bmi->bmiColors[row[x]];
                    r = q.rgbRed, g = q.rgbGreen, b = q.rgbBlue;
                } else {
                    b = row[x * 3], g = row[x * 3 + 1], r = row[x * 3 + 2];
                }
                uint8_t* o = &out.rgb[(static_cast<size_t>(y) * w + x) * 3];
                o[0] = r, o[1] = g, o[2] = b;
            }
        LocalUnlock(bits);
        LocalUnlock(header);
        EXPECT_EQ(LocalFree(bits), nullptr);
        EXPECT_EQ(LocalFree(header), nullptr);
        return 0;
    }
    HMODULE module;
    GetPictureFn picture = nullptr, preview = nullptr;
    GetPictureInfoFn info = nullptr;
    GetPluginInfoFn pluginInfo = nullptr;
    IsSupportedFn supported = nullptr;
};

std::string TempFile(const char* name, const std::vector<uint8_t>& bytes) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    const std::string path = std::string(dir) + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Shortened copies and one with its middle overwritten: an error result,
// no handles, no crash.
void ExpectDamageRefused(const Plugin& plugin, const std::vector<uint8_t>& file) {
    for (size_t cut : {size_t{0}, size_t{4}, file.size() / 3, file.size() / 2}) {
        Rgb out;
        EXPECT_NE(plugin.Decode(TempFile("qaz_cut.bin", {file.begin(), file.begin() + cut}), 0, out), 0)
            << "cut at " << cut;
    }
    std::vector<uint8_t> bad = file;
    for (size_t i = bad.size() / 4; i < bad.size() * 3 / 4; ++i) bad[i] = static_cast<uint8_t>(i * 37);
    Rgb out;
    plugin.Decode(TempFile("qaz_bad.bin", bad), 0, out);
}

}  // namespace

TEST(Plugins, EveryLibraryExportsTheInterface) {
    for (const char* name : {"ifjpeg.spi", "ifgif.spi", "iftiff.spi", "ifmag.spi", "ifpi.spi", "ifpic.spi", "ifpic2.spi",
                             "ifxld4.spi"}) {
        SCOPED_TRACE(name);
        Plugin p(name);
        ASSERT_NE(p.module, nullptr);
        ASSERT_TRUE(p.picture && p.info && p.pluginInfo && p.supported && p.preview);
        char text[64];
        EXPECT_EQ(p.pluginInfo(0, text, sizeof text), 4);
        EXPECT_STREQ(text, "00IN");
        EXPECT_EQ(p.pluginInfo(4, text, sizeof text), 0);
        HANDLE h = nullptr, b = nullptr;
        EXPECT_EQ(p.preview(const_cast<LPSTR>("x"), 0, 0, &h, &b, nullptr, 0), -1);
        Rgb out;
        EXPECT_EQ(p.Decode(BinDir() + "no such file.jpg", 0, out), 6);
    }
}

TEST(Plugins, PlatformFormatsMatchImageMagick) {
    const std::string data = BinDir() + "plugin_data\\";
    for (auto [lib, file, magic] : {std::tuple{"ifjpeg.spi", "pic.jpg", "\xFF\xD8\xFF"},
                                    std::tuple{"ifgif.spi", "pic.gif", "GIF89a"},
                                    std::tuple{"iftiff.spi", "pic.tif", "II*"}}) {
        SCOPED_TRACE(file);
        Plugin p(lib);
        Rgb decoded, reference;
        ASSERT_EQ(p.Decode(data + file, 0, decoded), 0);
        ASSERT_TRUE(ReadPpm(data + file + std::string(".ppm"), reference));
        ASSERT_EQ(decoded.width, reference.width);
        ASSERT_EQ(decoded.height, reference.height);
        // GIF and TIFF are lossless: the same pixels; JPEG decoders may round differently.
        if (std::string(file) == "pic.jpg")
            EXPECT_GE(Psnr(decoded, reference), 30.0);
        else
            EXPECT_EQ(qaztest::PixelDifference(decoded, reference), "");

        Info info{};
        ASSERT_EQ(p.info(const_cast<LPSTR>((data + file).c_str()), 0, 0, &info), 0);
        EXPECT_EQ(info.width, reference.width);
        EXPECT_EQ(info.height, reference.height);
        EXPECT_EQ(info.text, nullptr);

        // Behind a 128-byte preamble the picture is found at offset 128.
        std::vector<uint8_t> bytes = ReadAll(data + file);
        std::vector<uint8_t> wrapped(128 + bytes.size(), 'x');
        if (!bytes.empty()) std::memcpy(&wrapped[128], bytes.data(), bytes.size());
        const std::string path = TempFile("qaz_wrapped.bin", wrapped);
        EXPECT_EQ(p.Decode(path, 0, decoded), 2);
        EXPECT_EQ(p.Decode(path, 128, decoded), 0);

        std::vector<uint8_t> head(2048, 0);
        std::memcpy(head.data(), magic, std::strlen(magic));
        EXPECT_EQ(p.supported(const_cast<LPSTR>("x"), reinterpret_cast<ULONG_PTR>(head.data())), 1);
        head[0] = 'Z';
        EXPECT_EQ(p.supported(const_cast<LPSTR>("x"), reinterpret_cast<ULONG_PTR>(head.data())), 0);

        ExpectDamageRefused(p, bytes);
    }
}

// A CMYK JPEG, which our decoder leaves to the imaging component, still
// decodes through the same entry.
TEST(Plugins, JpegOursRefusesGoesToTheImagingComponent) {
    const std::string file = BinDir() + "plugin_data\\cmyk.jpg";
    Plugin p("ifjpeg.spi");
    Rgb decoded, reference;
    ASSERT_EQ(p.Decode(file, 0, decoded), 0);
    ASSERT_TRUE(ReadPpm(file + ".ppm", reference));
    ASSERT_EQ(decoded.width, reference.width);
    ASSERT_EQ(decoded.height, reference.height);
    EXPECT_GE(Psnr(decoded, reference), 30.0);
    Info info{};
    ASSERT_EQ(p.info(const_cast<LPSTR>(file.c_str()), 0, 0, &info), 0);
    EXPECT_EQ(info.width, 64);
}

namespace {

std::vector<uint8_t> Indices(int w, int h, unsigned colors) {
    std::vector<uint8_t> v(static_cast<size_t>(w) * h);
    for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<uint8_t>((i / 3 + (i * 7) / 11) % colors);
    return v;
}

std::vector<uint32_t> Palette(unsigned colors) {
    std::vector<uint32_t> p(colors);
    for (unsigned i = 0; i < colors; ++i) p[i] = (i * 0x2A3B4Cu + 0x405060u) & 0xFFFFFF;
    return p;
}

// The decoded pixels are the colours 0xRRGGBB, all three channels.
void ExpectColors(const Rgb& out, int w, int h, const std::vector<uint32_t>& colors) {
    Rgb want;
    want.width = w;
    want.height = h;
    for (uint32_t c : colors)
        for (int shift : {16, 8, 0}) want.rgb.push_back(static_cast<uint8_t>(c >> shift));
    EXPECT_EQ(qaztest::PixelDifference(out, want), "");
}

void ExpectIndexed(const Rgb& out, int w, int h, const std::vector<uint8_t>& idx, const std::vector<uint32_t>& pal) {
    std::vector<uint32_t> colors(idx.size());
    for (size_t i = 0; i < idx.size(); ++i) colors[i] = pal[idx[i]];
    ExpectColors(out, w, h, colors);
}

}  // namespace

TEST(Plugins, OwnFormatsDecodeToTheirPixels) {
    const int w = 61, h = 37;
    for (unsigned colors : {16u, 256u}) {
        SCOPED_TRACE(colors);
        const auto idx = Indices(w, h, colors);
        const auto pal = Palette(colors);
        Rgb out;
        Plugin mag("ifmag.spi");
        const auto magFile = qaz::testenc::EncodeMag(w, h, idx, pal, 3, true);
        ASSERT_EQ(mag.Decode(TempFile("qaz.mag", magFile), 0, out), 0);
        ExpectIndexed(out, w, h, idx, pal);
        Info info{};
        ASSERT_EQ(mag.info(const_cast<LPSTR>(TempFile("qaz.mag", magFile).c_str()), 0, 0, &info), 0);
        EXPECT_EQ(info.xDensity, 2) << "200-line pictures have tall pixels";
        EXPECT_EQ(info.yDensity, 1);
        EXPECT_EQ(info.colorDepth, colors == 16 ? 4 : 8);
        ExpectDamageRefused(mag, magFile);

        Plugin pi("ifpi.spi");
        const auto piFile = qaz::testenc::EncodePi(w, h, idx, pal, colors == 16 ? 4 : 8, 2, 1);  // tall pixels
        ASSERT_EQ(pi.Decode(TempFile("qaz.pi", piFile), 0, out), 0);
        ExpectIndexed(out, w, h, idx, pal);
        ASSERT_EQ(pi.info(const_cast<LPSTR>(TempFile("qaz.pi", piFile).c_str()), 0, 0, &info), 0);
        EXPECT_EQ(info.xDensity, 2);
        EXPECT_EQ(info.yDensity, 1);
        ExpectDamageRefused(pi, piFile);
    }
    std::vector<uint16_t> words(static_cast<size_t>(w) * h);
    for (size_t i = 0; i < words.size(); ++i) words[i] = static_cast<uint16_t>(((i % w) / 8 + i / 400) * 0x1111);
    Plugin pic("ifpic.spi");
    const auto picFile = qaz::testenc::EncodePic(w, h, words, 16);
    Rgb out;
    ASSERT_EQ(pic.Decode(TempFile("qaz.pic", picFile), 0, out), 0);
    std::vector<uint32_t> want(words.size());
    for (size_t i = 0; i < words.size(); ++i) want[i] = qaz::testenc::X68000Rgb(words[i]);
    ExpectColors(out, w, h, want);
    ExpectDamageRefused(pic, picFile);
    Rgb wrong;
    EXPECT_EQ(pic.Decode(TempFile("qaz.mag", qaz::testenc::EncodeMag(8, 8, Indices(8, 8, 16), Palette(16))), 0, wrong), 2)
        << "another format is not ours";
}

TEST(Plugins, Pic2AndQ4DecodeToTheirPixels) {
    Rgb out;
    std::vector<uint32_t> rgb(53 * 29);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint32_t>(i * 0x030507) & 0xFFFFFF;
    Plugin p2("ifpic2.spi");
    const auto p2File = qaz::testenc::EncodePic2(53, 29, rgb);
    ASSERT_EQ(p2.Decode(TempFile("qaz.p2", p2File), 0, out), 0);
    ExpectColors(out, 53, 29, rgb);
    Info info{};
    ASSERT_EQ(p2.info(const_cast<LPSTR>(TempFile("qaz.p2", p2File).c_str()), 0, 0, &info), 0);
    EXPECT_EQ(info.colorDepth, 24);
    ExpectDamageRefused(p2, p2File);

    Plugin q4("ifxld4.spi");
    const auto idx = Indices(640, 400, 16);
    auto pal = Palette(16);
    for (auto& c : pal) c = (c & 0xF0F0F0) | (c & 0xF0F0F0) >> 4;
    const auto q4File = qaz::testenc::EncodeQ4(idx, pal);
    ASSERT_EQ(q4.Decode(TempFile("qaz.q4", q4File), 0, out), 0);
    ExpectIndexed(out, 640, 400, idx, pal);
    ExpectDamageRefused(q4, q4File);
}

// Sizes that wrap 32 bits are refused as too large for memory (result 4),
// not decoded into a wrapped buffer: a MAG from (0, 0) to (65535, 65535).
// The library keeps its input buffer between calls and lends it to one call
// at a time: pictures of several sizes, each decoded over and over by its
// own thread while the others run, keep their own pixels.
TEST(Plugins, CallsAtTheSameTimeKeepTheirOwnInput) {
    Plugin mag("ifmag.spi");
    ASSERT_TRUE(mag.picture);
    const struct {
        int w, h;
    } sizes[] = {{640, 400}, {8, 8}, {200, 150}, {33, 17}};
    const auto pal = Palette(256);
    struct Run {
        std::string path;
        Rgb first;
        int failed = 0, differed = 0;
    };
    std::vector<Run> runs;
    for (const auto& size : sizes)
        runs.push_back({TempFile(("qaz_t" + std::to_string(runs.size()) + ".mag").c_str(),
                                 qaz::testenc::EncodeMag(size.w, size.h, Indices(size.w, size.h, 256), pal)),
                        {}});
    std::vector<std::thread> threads;
    for (Run& run : runs)
        threads.emplace_back([&mag, &run] {
            for (int i = 0; i < 20; ++i) {
                Rgb out;
                if (mag.Decode(run.path, 0, i ? out : run.first) != 0) ++run.failed;
                else if (i && out.rgb != run.first.rgb) ++run.differed;
            }
        });
    for (std::thread& t : threads) t.join();
    for (size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(runs[i].failed, 0);
        EXPECT_EQ(runs[i].differed, 0);
        ExpectIndexed(runs[i].first, sizes[i].w, sizes[i].h, Indices(sizes[i].w, sizes[i].h, 256), pal);
    }
}

TEST(Plugins, ForgedSizesAreRefused) {
    auto mag = qaz::testenc::EncodeMag(8, 1, std::vector<uint8_t>(8, 3), Palette(16));
    size_t header = 0;
    while (mag[header] != 0x1A) ++header;
    for (size_t k : {9u, 10u, 11u, 12u}) mag[header + k] = 0xFF;
    Plugin p("ifmag.spi");
    Rgb out;
    EXPECT_EQ(p.Decode(TempFile("qaz_huge.mag", mag), 0, out), 4);
}
