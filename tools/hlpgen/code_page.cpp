#include "tools/hlpgen/code_page.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace qaz::hlpgen {

std::string ToShiftJis(const std::string& utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no UTF-8 to CP932 converter");
    std::string out(utf8.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t in_left = utf8.size();
    char* dst = out.data();
    size_t out_left = out.size();
    size_t r = iconv(cd, &in, &in_left, &dst, &out_left);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1)) throw std::runtime_error("no Shift-JIS form for some of: " + utf8);
    out.resize(out.size() - out_left);
    return out;
}

HelpBook BookToShiftJis(const HelpBook& book) {
    HelpBook out = book;
    out.title = ToShiftJis(book.title);
    out.copyright = ToShiftJis(book.copyright);
    out.face_name = ToShiftJis(book.face_name);
    for (Topic& t : out.topics) {
        t.title = ToShiftJis(t.title);
        for (Paragraph& p : t.paragraphs)
            for (Run& r : p.runs) r.text = ToShiftJis(r.text);
    }
    return out;
}

}  // namespace qaz::hlpgen
