#include "components/ftpclient/listing.h"

#include <vector>

namespace ftpclient {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

struct Token {
    size_t begin;
    size_t end;
};

// The blank-separated words of the line with their places.
std::vector<Token> Words(const std::string& line, size_t most) {
    std::vector<Token> words;
    size_t i = 0;
    while (i < line.size() && words.size() < most) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i >= line.size()) break;
        const size_t begin = i;
        while (i < line.size() && !IsBlank(line[i])) ++i;
        words.push_back(Token{begin, i});
    }
    return words;
}

std::string Text(const std::string& line, Token t) { return line.substr(t.begin, t.end - t.begin); }

bool AllDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!IsDigit(c)) return false;
    return true;
}

// A decimal size; false when it does not fit 63 bits.
bool ParseSize(const std::string& s, int64_t* size) {
    if (!AllDigits(s) || s.size() > 18) return false;
    int64_t v = 0;
    for (char c : s) v = v * 10 + (c - '0');
    *size = v;
    return true;
}

bool IsMonth(const std::string& s) {
    static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                          "jul", "aug", "sep", "oct", "nov", "dec"};
    if (s.size() != 3) return false;
    std::string lower;
    for (char c : s) lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    for (const char* m : kMonths)
        if (lower == m) return true;
    return false;
}

// "12:05" or a year "2024".
bool IsTimeOrYear(const std::string& s) {
    if (s.size() == 4 && AllDigits(s)) return true;
    const size_t colon = s.find(':');
    if (colon == std::string::npos || colon == 0 || colon > 2 || s.size() - colon - 1 != 2) return false;
    return AllDigits(s.substr(0, colon)) && AllDigits(s.substr(colon + 1));
}

// The rest of the line after the word that ends at `end` and the one blank
// that separates the name from it.
std::string NameAfter(const std::string& line, size_t end) {
    size_t i = end;
    if (i < line.size() && IsBlank(line[i])) ++i;
    // Servers that pad columns put several blanks; a name does not start
    // with a blank in practice, so take them all.
    while (i < line.size() && IsBlank(line[i])) ++i;
    return line.substr(i);
}

bool ParseUnix(const std::string& line, DirItem* item) {
    const char kind = line[0];
    if (kind != 'd' && kind != '-' && kind != 'l' && kind != 'c' && kind != 'b' && kind != 'p' && kind != 's')
        return false;
    const std::vector<Token> words = Words(line, 12);
    if (words.size() < 6) return false;
    if (words[0].end - words[0].begin < 10) return false;
    // Find "month day time-or-year" after the permissions; the size is the
    // word before the month. The owner and group columns vary in number.
    for (size_t m = 2; m + 2 < words.size(); ++m) {
        if (!IsMonth(Text(line, words[m]))) continue;
        const std::string day = Text(line, words[m + 1]);
        const std::string when = Text(line, words[m + 2]);
        if (!AllDigits(day) || day.size() > 2 || !IsTimeOrYear(when)) continue;
        int64_t size = 0;
        if (!ParseSize(Text(line, words[m - 1]), &size)) continue;
        std::string name = NameAfter(line, words[m + 2].end);
        if (name.empty()) return false;
        if (kind == 'l') {
            const size_t arrow = name.find(" -> ");
            if (arrow != std::string::npos) name.resize(arrow);
        }
        item->name = name;
        item->date = Text(line, words[m]) + " " + day + " " + when;
        item->size = size;
        item->attributes = kind == 'd' ? kAttrFolder : kind == 'l' ? kAttrLink : kAttrFile;
        return true;
    }
    return false;
}

// "MM-DD-YY" or "MM-DD-YYYY".
bool IsDosDate(const std::string& s) {
    if (s.size() != 8 && s.size() != 10) return false;
    for (size_t i = 0; i < s.size(); ++i) {
        if (i == 2 || i == 5) {
            if (s[i] != '-') return false;
        } else if (!IsDigit(s[i])) {
            return false;
        }
    }
    return true;
}

// "10:20AM", "10:20PM" or "22:20".
bool IsDosTime(const std::string& s) {
    std::string t = s;
    if (t.size() > 2) {
        const std::string tail = t.substr(t.size() - 2);
        if (tail == "AM" || tail == "PM" || tail == "am" || tail == "pm") t.resize(t.size() - 2);
    }
    return IsTimeOrYear(t) && t.size() != 4;
}

bool ParseDos(const std::string& line, DirItem* item) {
    const std::vector<Token> words = Words(line, 4);
    if (words.size() < 4) return false;
    const std::string date = Text(line, words[0]);
    const std::string time = Text(line, words[1]);
    if (!IsDosDate(date) || !IsDosTime(time)) return false;
    const std::string what = Text(line, words[2]);
    std::string name = NameAfter(line, words[2].end);
    if (name.empty()) return false;
    if (what == "<DIR>" || what == "<dir>") {
        item->attributes = kAttrFolder;
        item->size = 0;
    } else {
        std::string digits;
        for (char c : what)
            if (c != ',') digits += c;
        int64_t size = 0;
        if (!ParseSize(digits, &size)) return false;
        item->attributes = kAttrFile;
        item->size = size;
    }
    item->name = name;
    item->date = date + " " + time;
    return true;
}

}  // namespace

bool ParseListLine(const std::string& line, DirItem* item) {
    if (line.empty()) return false;
    DirItem parsed;
    const bool ok = IsDigit(line[0]) ? ParseDos(line, &parsed) : ParseUnix(line, &parsed);
    if (!ok) return false;
    *item = std::move(parsed);
    return true;
}

}  // namespace ftpclient
