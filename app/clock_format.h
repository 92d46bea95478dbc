// The clock of the bar: which parts it shows and how they are written.
#pragma once
#include <string>

namespace qaz {

struct ClockLayout {
    std::string format;  // empty: no clock
    int width = 0;       // pixels of the clock panel
};

// Builds the clock format and panel width from the ClockType bit flags.
// The format is made of "yy/mm/dd", "(ddd)" (weekday), " " and "hh:mm".
ClockLayout ClockLayoutFromType(int clockType);

struct ClockTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    std::string weekday;  // the locale's abbreviated day name
};

// Writes the time in the format: "yy" year, "mm" month (minute after "hh:"),
// "dd" day, "ddd" weekday name, "hh" 24-hour hour; all numbers two digits.
std::string RenderClock(const std::string& format, const ClockTime& t);

}  // namespace qaz
