#include "components/archivers/common/command_line.h"

#include <windows.h>

#include "components/archivers/common/win_io.h"

namespace qaz::archivers {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }


bool Match(const char* p, const char* n) {
    // Iterative matcher with one back-tracking point for the last "*".
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*n) {
        if (*p == '*') {
            star = p++;
            resume = n;
        } else if (*p == '?' || Upper(*p) == Upper(*n) || (IsSeparator(*p) && IsSeparator(*n))) {
            ++p;
            ++n;
        } else if (star) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (*p == '*') ++p;
    return *p == '\0';
}

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> args;
    std::string current;
    bool inQuotes = false, inWord = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (IsDBCSLeadByte(static_cast<BYTE>(c)) && i + 1 < line.size()) {
            current += c;
            current += line[++i];
            inWord = true;
        } else if (c == '"') {
            inQuotes = !inQuotes;
            inWord = true;
        } else if ((c == ' ' || c == '\t' || c == '\r' || c == '\n') && !inQuotes) {
            if (inWord) args.push_back(current);
            current.clear();
            inWord = false;
        } else {
            current += c;
            inWord = true;
        }
    }
    if (inWord) args.push_back(current);
    return args;
}

bool ReadListFile(const std::string& path, std::vector<std::string>& items) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::string text;
    char buf[4096];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buf, sizeof buf, &got, nullptr) != 0) && got > 0) {
        text.append(buf, got);
        if (text.size() > (16u << 20)) {
            ok = false;
            break;
        }
    }
    CloseHandle(file);
    if (!ok) return false;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::vector<std::string> words = SplitCommandLine(text.substr(start, end - start));
        if (!words.empty() && !words[0].empty()) items.push_back(words[0]);
        start = end + 1;
    }
    return true;
}

bool MatchesPattern(const std::string& pattern, const std::string& name) {
    if (pattern == "*.*" || pattern == "*") return true;
    const std::string subject = NameStart(pattern) == 0 ? name.substr(NameStart(name)) : name;
    return Match(pattern.c_str(), subject.c_str());
}

bool SplitTargets(const std::vector<std::string>& args, size_t first, Targets& targets) {
    for (size_t i = first; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.empty()) continue;
        if (a[0] == '@') {
            if (!ReadListFile(a.substr(1), targets.patterns)) return false;
            targets.listFile = true;
        } else if (targets.destination.empty() && NameStart(a) == a.size()) {
            targets.destination = a;
        } else {
            targets.patterns.push_back(a);
        }
    }
    return true;
}

namespace {
// One command runs at a time (the running state refuses a second).
struct Selection {
    bool named = false, matched = false;
} selection;
}  // namespace

void BeginSelection() { selection = Selection(); }

bool SelectionMissed() { return selection.named && !selection.matched; }

bool Selected(const Targets& targets, const std::string& name) {
    if (targets.patterns.empty()) return !targets.listFile;
    selection.named = true;
    for (const std::string& p : targets.patterns) {
        if (MatchesPattern(p, name)) {
            selection.matched = true;
            return true;
        }
    }
    return false;
}

}  // namespace qaz::archivers
