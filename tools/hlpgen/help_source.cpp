#include "tools/hlpgen/help_source.h"

#include <set>
#include <sstream>
#include <stdexcept>

namespace qaz::hlpgen {
namespace {

[[noreturn]] void Fail(int line, const std::string& what) {
    throw std::runtime_error("line " + std::to_string(line) + ": " + what);
}

// Context names are compared without regard to case.
std::string Key(const std::string& context) {
    std::string key;
    for (char c : context) key += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    return key;
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

void AddText(std::vector<Run>& runs, Run::Kind kind, const std::string& text) {
    if (text.empty()) return;
    if (kind != Run::kJump && !runs.empty() && runs.back().kind == kind) {
        runs.back().text += text;
        return;
    }
    runs.push_back(Run{kind, text, ""});
}

std::vector<Run> ParseRuns(const std::string& text, int line) {
    std::vector<Run> runs;
    bool bold = false;
    size_t i = 0;
    std::string plain;
    auto flush = [&] {
        AddText(runs, bold ? Run::kBold : Run::kPlain, plain);
        plain.clear();
    };
    while (i < text.size()) {
        if (text.compare(i, 2, "**") == 0) {
            flush();
            bold = !bold;
            i += 2;
        } else if (text.compare(i, 2, "[[") == 0) {
            size_t end = text.find("]]", i + 2);
            if (end == std::string::npos) Fail(line, "unclosed [[");
            std::string inner = text.substr(i + 2, end - i - 2);
            size_t bar = inner.find('|');
            if (bar == std::string::npos || bar == 0 || bar + 1 == inner.size())
                Fail(line, "a jump is written [[context|text]]");
            flush();
            runs.push_back(Run{Run::kJump, inner.substr(bar + 1), inner.substr(0, bar)});
            i = end + 2;
        } else {
            plain += text[i++];
        }
    }
    if (bold) Fail(line, "unclosed **");
    flush();
    return runs;
}

}  // namespace

bool IsValidContext(const std::string& context) {
    if (context.empty() || context.size() > 255) return false;
    for (unsigned char c : context) {
        bool ok = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
                  c == '.';
        if (!ok) return false;
    }
    return true;
}

HelpBook ParseHelpSource(const std::string& text) {
    HelpBook book;
    std::istringstream in(text);
    std::string raw;
    int line = 0;
    std::set<std::string> contexts;
    std::vector<std::pair<int, std::string>> jumps;  // line, target

    while (std::getline(in, raw)) {
        ++line;
        std::string s = Trim(raw);
        if (s.empty() || s[0] == '#') continue;
        if (s.compare(0, 7, "!title ") == 0) {
            book.title = Trim(s.substr(7));
            continue;
        }
        if (s.compare(0, 11, "!copyright ") == 0) {
            book.copyright = Trim(s.substr(11));
            continue;
        }
        if (s.compare(0, 2, "= ") == 0) {
            std::string rest = Trim(s.substr(2));
            size_t sp = rest.find(' ');
            std::string context = rest.substr(0, sp);
            std::string title = sp == std::string::npos ? "" : Trim(rest.substr(sp));
            if (!IsValidContext(context)) Fail(line, "bad context name '" + context + "'");
            if (title.empty()) Fail(line, "topic '" + context + "' has no title");
            if (!contexts.insert(Key(context)).second) Fail(line, "context '" + context + "' is used twice");
            Topic topic;
            topic.context = context;
            topic.title = title;
            topic.paragraphs.push_back(Paragraph{Paragraph::kTitle, {Run{Run::kPlain, title, ""}}});
            book.topics.push_back(std::move(topic));
            continue;
        }
        if (book.topics.empty()) Fail(line, "text before the first topic");
        Paragraph p;
        if (s.compare(0, 3, "== ") == 0) {
            p.style = Paragraph::kHeading;
            s = Trim(s.substr(3));
        } else if (s.compare(0, 2, "- ") == 0) {
            p.style = Paragraph::kBullet;
            s = Trim(s.substr(2));
        } else if (s.compare(0, 2, "> ") == 0) {
            p.style = Paragraph::kIndent;
            s = Trim(s.substr(2));
        }
        p.runs = ParseRuns(s, line);
        for (const Run& r : p.runs)
            if (r.kind == Run::kJump) jumps.emplace_back(line, r.target);
        book.topics.back().paragraphs.push_back(std::move(p));
    }
    if (book.topics.empty()) throw std::runtime_error("the help text has no topic");
    for (const auto& [at, target] : jumps) {
        if (!contexts.count(Key(target))) Fail(at, "jump to unknown topic '" + target + "'");
    }
    return book;
}

}  // namespace qaz::hlpgen
