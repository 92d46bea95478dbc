// File and shell helpers shared by the host tests of the archive codecs.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace qaztest {

inline std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

inline void WriteAll(const std::string& path, const std::vector<uint8_t>& b) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

// Runs a command through sh, silenced and bounded to two minutes; the
// command holds no single quotes.
inline int Shell(const std::string& cmd) {
    return std::system(("timeout 120 sh -c '" + cmd + "' >/dev/null 2>&1").c_str());
}

}  // namespace qaztest
