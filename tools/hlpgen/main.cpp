// hlpgen SOURCE.txt OUT.hlp: writes the help file from its source text.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "tools/hlpgen/code_page.h"
#include "tools/hlpgen/help_source.h"
#include "tools/hlpgen/hlp_file.h"

int main(int argc, char** argv) {
    using namespace qaz::hlpgen;
    if (argc != 3) {
        std::fprintf(stderr, "usage: hlpgen SOURCE.txt OUT.hlp\n");
        return 2;
    }
    try {
        std::ifstream in(argv[1], std::ios::binary);
        if (!in) throw std::runtime_error("cannot read the source");
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        HelpBook book = ParseHelpSource(text);
        book.face_name = "ＭＳ Ｐゴシック";
        std::vector<uint8_t> file = WriteHelpFile(BookToShiftJis(book), kShiftJisCharset);
        std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
        if (!out) throw std::runtime_error("cannot write the help file");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[1], e.what());
        return 1;
    }
    return 0;
}
