#include "app/clock_format.h"

#include <cstdio>

namespace qaz {

ClockLayout ClockLayoutFromType(int clockType) {
    const unsigned t = static_cast<unsigned>(clockType);
    ClockLayout c;
    if (t & (0x1000000 | 0x100000 | 0x10000)) {
        c.format += "yy/mm/dd";
        c.width = 59;
    }
    if (t & 0x1000) {
        c.format += "(ddd)";
        c.width += 24;
    }
    if ((t & (0x100 | 0x10 | 0x1)) && !c.format.empty()) {
        c.format += " ";
        c.width += 5;
    }
    if (t & (0x100 | 0x10)) {
        c.format += "hh:mm";
        c.width += 34;
    }
    if (c.width > 0) c.width += 8;
    return c;
}

static std::string TwoDigits(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", v % 100 < 0 ? -(v % 100) : v % 100);
    return buf;
}

std::string RenderClock(const std::string& format, const ClockTime& t) {
    std::string out;
    bool afterHour = false;  // "mm" right after "hh:" is the minute
    for (size_t i = 0; i < format.size();) {
        const std::string rest = format.substr(i);
        if (rest.compare(0, 3, "ddd") == 0) {
            out += t.weekday;
            i += 3;
        } else if (rest.compare(0, 2, "yy") == 0) {
            out += TwoDigits(t.year);
            i += 2;
        } else if (rest.compare(0, 2, "mm") == 0) {
            out += TwoDigits(afterHour ? t.minute : t.month);
            afterHour = false;
            i += 2;
        } else if (rest.compare(0, 2, "dd") == 0) {
            out += TwoDigits(t.day);
            i += 2;
        } else if (rest.compare(0, 2, "hh") == 0) {
            out += TwoDigits(t.hour);
            afterHour = true;
            i += 2;
        } else {
            if (format[i] != ':') afterHour = false;
            out += format[i];
            ++i;
        }
    }
    return out;
}

}  // namespace qaz
