// The safety check every extraction makes on an archive entry's path before
// anything is written: the path must name a place inside the destination.
#pragma once
#include <cstdint>
#include <string>

namespace qaz::codecs {

enum class PathVerdict {
    Ok,
    Empty,         // nothing left to name (only separators or ".")
    Absolute,      // starts with a separator
    Drive,         // a drive letter or any ":" (also stream names)
    ParentStep,    // a ".." step, or a name the system would read as one
    BadName,       // control characters, or a device name such as NUL or COM1
};

const char* PathVerdictText(PathVerdict verdict);

// Tells whether a byte starts a double-byte character in the path's code page.
using LeadByteTest = bool (*)(uint8_t);
bool IsShiftJisLead(uint8_t byte);

// Turns an entry path ("/" or "\" separators) into a relative path with "\"
// separators, dropping "." steps and repeated separators. Trail bytes of
// double-byte characters are never taken for separators.
PathVerdict SafeRelativePath(const std::string& raw, std::string& out, LeadByteTest isLead = IsShiftJisLead);

// The path a link entry at linkPath (already made safe) points to, relative
// to the destination; refuses a target outside it. ".." steps are allowed as
// long as they stay inside.
PathVerdict SafeLinkTarget(const std::string& linkPath, const std::string& target, std::string& out,
                           LeadByteTest isLead = IsShiftJisLead);

// A name in EUC-JP (as Japanese Unix systems wrote them) in Shift-JIS:
// true when the name is valid EUC-JP with at least one character beyond
// ASCII and every character has a Shift-JIS form (JIS X 0208 and
// half-width katakana; JIS X 0212 has none).
bool ShiftJisFromEucJp(const std::string& name, std::string& out);

}  // namespace qaz::codecs
