#include "components/archivers/ish32/ish_command.h"

#include <cstdio>

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
        bool known = true;
        if (o == "r")
            c.restore = IshRestore::SkipTaken;
        else if (o == "q")
            c.restore = IshRestore::Ask;
        else if (o == "a")
            c.restore = IshRestore::Renumber;
        else
            known = false;
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

std::string WithSeparator(const std::string& folder) {
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') return folder + '\\';
    return folder;
}

std::string IshOutputName(const std::string& folder, const std::string& fileName, const IshTaken& exists) {
    const std::string dir = WithSeparator(folder);
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

std::string IshRenumbered(const std::string& folder, const std::string& fileName, const IshTaken& exists) {
    const std::string dir = WithSeparator(folder);
    const std::string base = fileName.substr(0, fileName.find('.'));
    for (int i = 0; i < 1000; ++i) {
        char number[8];
        std::snprintf(number, sizeof number, ".%03d", i);
        if (!exists(dir + base + number)) return base + number;
    }
    return std::string();
}

}  // namespace qaz::archivers
