// UTF-8 source text to the code page of the help file.
#pragma once

#include <string>

#include "tools/hlpgen/help_source.h"

namespace qaz::hlpgen {

// Converts UTF-8 to Shift-JIS (code page 932); throws std::runtime_error
// naming the text when a character has no Shift-JIS form.
std::string ToShiftJis(const std::string& utf8);

// Every text of the book converted; context names stay as they are.
HelpBook BookToShiftJis(const HelpBook& book);

}  // namespace qaz::hlpgen
