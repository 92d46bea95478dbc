// Fuzzes what the FTP client reads from a server: replies, passive replies
// and listing lines must be refused cleanly, never crash or hang.
#include <cstddef>
#include <cstdint>
#include <string>

#include "components/ftpclient/listing.h"
#include "components/ftpclient/reply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    ftpclient::ReplyReader reader;
    reader.Feed(bytes, size);
    ftpclient::Reply reply;
    while (reader.Next(&reply)) {
        unsigned char address[4];
        int port = 0;
        ftpclient::ParsePassiveReply(reply.text, address, &port);
    }
    ftpclient::LineSplitter lines;
    auto parse = [](const std::string& line) {
        ftpclient::DirItem item;
        ftpclient::ParseListLine(line, &item);
    };
    lines.Feed(bytes, size, parse);
    lines.End(parse);
    return 0;
}
