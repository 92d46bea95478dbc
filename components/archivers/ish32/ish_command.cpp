#include "components/archivers/ish32/ish_command.h"

namespace qaz::archivers {

bool ParseIshCommand(const std::vector<std::string>& args, IshCommand& c, std::string& bad) {
    for (const std::string& a : args) {
        if (a.size() < 2 || (a[0] != '/' && a[0] != '-')) {
            if (!a.empty()) c.files.push_back(a);
            continue;
        }
        std::string o = a.substr(1);
        for (char& ch : o)
            if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch + 32);
        if (o.compare(0, 2, "f=") == 0) {
            c.folder = a.substr(3);
            continue;
        }
        struct Kind {
            const char* word;
            codecs::IshKind kind;
        };
        static const Kind kinds[] = {{"s", codecs::IshKind::Jis7},     {"s7", codecs::IshKind::Jis7},
                                     {"s8", codecs::IshKind::Jis8},    {"ss", codecs::IshKind::ShiftJis},
                                     {"sn", codecs::IshKind::NonKana}};
        struct System {
            const char* word;
            uint8_t system;
        };
        static const System systems[] = {{"m", codecs::kIshMsDos}, {"u", codecs::kIshUnix},  {"c", codecs::kIshCpm},
                                         {"9", codecs::kIshOs9},   {"?", codecs::kIshOther}, {"*", codecs::kIshAllSystems}};
        bool known = o == "q";  // quiet: the library never asks anyway
        for (const Kind& k : kinds)
            if (o == k.word) {
                c.kind = k.kind;
                c.encode = known = true;
            }
        for (const System& s : systems)
            if (o == s.word) {
                c.system = s.system;
                known = true;
            }
        if (!known) {
            bad = a;
            return false;
        }
    }
    return true;
}

std::string IshOutputName(const std::string& folder, const std::string& fileName, bool (*exists)(const std::string&)) {
    std::string dir = folder;
    if (!dir.empty() && dir.back() != '\\' && dir.back() != '/') dir += '\\';
    // The last "." of the name; trail bytes of double-byte characters are 0x40 and above, never ".".
    const size_t dot = fileName.rfind('.');
    const std::string base = dot == std::string::npos || dot == 0 ? fileName : fileName.substr(0, dot);
    std::string path = dir + base + ".ish";
    for (int i = 2; exists(path); ++i) {
        if (i == 1000) return std::string();
        path = dir + base + "_" + std::to_string(i) + ".ish";
    }
    return path;
}

}  // namespace qaz::archivers
