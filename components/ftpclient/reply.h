// Server replies of the file transfer protocol, read from the control
// connection's byte stream: "ddd text" lines, and multi-line replies that
// open with "ddd-" and end at the first line that starts with the same
// three digits and a blank.
#pragma once
#include <cstddef>
#include <deque>
#include <string>

namespace ftpclient {

struct Reply {
    int code = 0;        // 100..599
    std::string text;    // every line of the reply, joined by '\n', without line ends
};

class ReplyReader {
public:
    // Longest line kept; a longer one is a protocol fault.
    static constexpr size_t kMaxLine = 16384;
    // Most lines in one reply; more is a protocol fault.
    static constexpr size_t kMaxLines = 1024;

    // Takes bytes as they arrive. False once the stream is not a reply
    // stream (a line without a code, a line too long); stays false.
    bool Feed(const char* data, size_t size);
    // Takes the next complete reply, if there is one.
    bool Next(Reply* reply);
    bool failed() const { return failed_; }

private:
    void TakeLine(const std::string& line);
    std::string line_;
    std::string text_;
    size_t lines_ = 0;
    int openCode_ = 0;  // the code of an open multi-line reply
    std::deque<Reply> ready_;
    bool failed_ = false;
};

// The port of a "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)" reply's
// six numbers; false when the text holds no such group.
bool ParsePassiveReply(const std::string& text, unsigned char address[4], int* port);

}  // namespace ftpclient
