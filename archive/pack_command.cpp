#include "archive/pack_command.h"

#include <cstdio>

#include "base/path_parts.h"

namespace qaz {

const char* PackExtension(int format) {
    switch (format) {
        case 1: return ".lzh";
        case 2: return ".cab";
        case 4: return ".tgz";
        default: return "";
    }
}

std::string PackHead(int format, int optionWord) {
    const int level = optionWord & 0xFFFF;
    switch (format) {
        case 1: return std::string((optionWord & 0x10000000) ? "m" : "a") + " -a1";
        case 2: return level >= 15 && level <= 21 ? "-a -r -ml:" + std::to_string(level) : "-a -r -mz";
        case 4: return "cvfz" + std::to_string(level >= 1 && level <= 9 ? level : 6);
        default: return "";
    }
}

std::string PackCommand(int format, int optionWord, const std::string& archive, const std::string& listFile) {
    return PackHead(format, optionWord) + " \"" + archive + "\" \"@" + listFile + "\"";
}

std::string PackListLine(int format, const std::string& name, bool isFolder) {
    if (isFolder && format == 1) return "\"" + name + "\\*.*\" -d1\r\n";
    if (isFolder && format == 2) return "\"" + name + "\\*.*\"\r\n";
    return "\"" + name + "\"\r\n";
}

std::string IshItemCommand(int optionWord, const std::string& shortPath) {
    static const char* const kFirst[] = {"ss", "s8", "s7", "sn"};
    static const char* const kSecond[] = {"m", "u", "c", "9", "?", "*"};
    const unsigned first = static_cast<unsigned>(optionWord) & 0xFFFF;
    const unsigned second = (static_cast<unsigned>(optionWord) >> 16) & 0xFFFF;
    // Indexes the settings dialog never writes fall back to the defaults.
    const char* a = first < 4 ? kFirst[first] : kFirst[0];
    const char* b = second < 6 ? kSecond[second] : kSecond[0];
    std::string folder = ParentOf(shortPath);
    if (EndsWithBackslash(folder)) folder.pop_back();
    return std::string("/") + a + " /" + b + " " + shortPath + " /f=" + folder;
}

std::string SfxCommand(int format, int optionWord, const std::string& archive) {
    const std::string folder = AddBackslash(ParentOf(archive));
    if (format == 1) {
        static const char* const kKinds[] = {"", "-jw1x1 ", "-gw1x1 ", "-gw3x1 "};
        const int kind = (optionWord >> 16) & 0xFFF;
        const char* option = kind >= 1 && kind <= 4 ? kKinds[kind - 1] : "";
        return std::string("s ") + option + "\"" + archive + "\" \"" + folder + "\"";
    }
    if (format == 2) return "-f \"" + archive + "\" \"" + folder + "\"";
    return std::string();
}

std::string DateBaseName(const SYSTEMTIME& date) {
    char text[16];
    std::snprintf(text, sizeof text, "%04u%02u%02u.tmp", date.wYear % 10000u, date.wMonth % 100u, date.wDay % 100u);
    return text;
}

std::string WithExtension(const std::string& path, const std::string& ext) {
    return path.substr(0, path.size() - ExtensionOf(path).size()) + ext;
}

}  // namespace qaz
