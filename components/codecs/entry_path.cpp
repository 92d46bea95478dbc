#include "components/codecs/entry_path.h"

#include <vector>

namespace qaz::codecs {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Splits on separators, stepping over double-byte characters.
std::vector<std::string> Steps(const std::string& path, LeadByteTest isLead) {
    std::vector<std::string> steps(1);
    for (size_t i = 0; i < path.size(); ++i) {
        const uint8_t c = static_cast<uint8_t>(path[i]);
        if (isLead(c) && i + 1 < path.size()) {
            steps.back() += path[i];
            steps.back() += path[++i];
        } else if (IsSeparator(path[i])) {
            steps.emplace_back();
        } else {
            steps.back() += path[i];
        }
    }
    return steps;
}

bool IsDeviceName(const std::string& step) {
    std::string base;
    for (char c : step) {
        if (c == '.') break;
        base += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    }
    while (!base.empty() && base.back() == ' ') base.pop_back();
    static const char* const kNames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* name : kNames)
        if (base == name) return true;
    if (base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
        base[3] >= '1' && base[3] <= '9')
        return true;
    return false;
}

// Checks one step; "." steps and empty ones are dropped by the caller.
PathVerdict CheckStep(const std::string& step) {
    bool onlyDotsAndBlanks = true;
    for (char c : step) {
        const uint8_t u = static_cast<uint8_t>(c);
        if (c == ':') return PathVerdict::Drive;
        if (u < 0x20) return PathVerdict::BadName;
        if (c != '.' && c != ' ') onlyDotsAndBlanks = false;
    }
    // The system drops trailing dots and blanks, so ". ." or "..." would
    // become a step up or the folder itself.
    if (onlyDotsAndBlanks) return PathVerdict::ParentStep;
    if (IsDeviceName(step)) return PathVerdict::BadName;
    return PathVerdict::Ok;
}

}  // namespace

const char* PathVerdictText(PathVerdict verdict) {
    switch (verdict) {
        case PathVerdict::Ok: return "ok";
        case PathVerdict::Empty: return "empty name";
        case PathVerdict::Absolute: return "absolute path";
        case PathVerdict::Drive: return "drive or stream name";
        case PathVerdict::ParentStep: return "path leads outside the destination";
        case PathVerdict::BadName: return "name the system reserves";
    }
    return "refused";
}

bool IsShiftJisLead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

PathVerdict SafeRelativePath(const std::string& raw, std::string& out, LeadByteTest isLead) {
    out.clear();
    if (raw.empty()) return PathVerdict::Empty;
    if (IsSeparator(raw[0])) return PathVerdict::Absolute;
    for (const std::string& step : Steps(raw, isLead)) {
        if (step.empty() || step == ".") continue;
        const PathVerdict v = CheckStep(step);
        if (v != PathVerdict::Ok) {
            out.clear();
            return v;
        }
        if (!out.empty()) out += '\\';
        out += step;
    }
    return out.empty() ? PathVerdict::Empty : PathVerdict::Ok;
}

PathVerdict SafeLinkTarget(const std::string& linkPath, const std::string& target, std::string& out,
                           LeadByteTest isLead) {
    out.clear();
    if (target.empty()) return PathVerdict::Empty;
    if (IsSeparator(target[0])) return PathVerdict::Absolute;
    std::vector<std::string> at = Steps(linkPath, isLead);
    at.pop_back();  // the link's own name
    for (const std::string& step : Steps(target, isLead)) {
        if (step.empty() || step == ".") continue;
        if (step == "..") {
            if (at.empty()) return PathVerdict::ParentStep;
            at.pop_back();
            continue;
        }
        const PathVerdict v = CheckStep(step);
        if (v != PathVerdict::Ok) return v;
        at.push_back(step);
    }
    for (const std::string& step : at) {
        if (!out.empty()) out += '\\';
        out += step;
    }
    return out.empty() ? PathVerdict::Empty : PathVerdict::Ok;
}

bool ShiftJisFromEucJp(const std::string& name, std::string& out) {
    out.clear();
    bool beyondAscii = false;
    for (size_t i = 0; i < name.size(); ++i) {
        const uint8_t c = static_cast<uint8_t>(name[i]);
        if (c < 0x80) {
            out += name[i];
            continue;
        }
        if (i + 1 >= name.size()) return false;
        const uint8_t d = static_cast<uint8_t>(name[++i]);
        beyondAscii = true;
        if (c == 0x8E) {  // half-width katakana: the second byte as it is
            if (d < 0xA1 || d > 0xDF) return false;
            out += static_cast<char>(d);
            continue;
        }
        // JIS X 0208 rows 1 to 84 (0xA1 to 0xF4), cells 0xA1 to 0xFE.
        if (c < 0xA1 || c > 0xF4 || d < 0xA1 || d > 0xFE) return false;
        const unsigned row = c - 0x80u, cell = d - 0x80u;  // 0x21 to 0x7E
        const unsigned lead = ((row + 1) >> 1) + (row <= 0x5E ? 0x70u : 0xB0u);
        const unsigned trail = (row & 1) ? cell + (cell >= 0x60 ? 0x20u : 0x1Fu) : cell + 0x7Eu;
        out += static_cast<char>(lead);
        out += static_cast<char>(trail);
    }
    return beyondAscii;
}

}  // namespace qaz::codecs
