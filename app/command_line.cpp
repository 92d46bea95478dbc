#include "app/command_line.h"

#include <windows.h>

namespace qaz {

std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    const size_t n = line.size();
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (i < n) {
        while (i < n && blank(line[i])) ++i;
        if (i >= n) break;
        std::string word;
        bool quoted = false;
        while (i < n && (quoted || !blank(line[i]))) {
            const char c = line[i];
            if (c == '"') {
                quoted = !quoted;
                ++i;
            } else if (IsDBCSLeadByte(static_cast<BYTE>(c)) && i + 1 < n) {
                word.append(line, i, 2);
                i += 2;
            } else {
                word += c;
                ++i;
            }
        }
        words.push_back(word);
    }
    return words;
}

}  // namespace qaz
