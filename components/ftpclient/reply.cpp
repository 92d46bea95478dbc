#include "components/ftpclient/reply.h"

namespace ftpclient {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The code of a line that starts with three digits, or 0.
int CodeOf(const std::string& line) {
    if (line.size() < 3 || !IsDigit(line[0]) || !IsDigit(line[1]) || !IsDigit(line[2])) return 0;
    return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

}  // namespace

bool ReplyReader::Feed(const char* data, size_t size) {
    for (size_t i = 0; i < size && !failed_; ++i) {
        const char c = data[i];
        if (c == '\n') {
            if (!line_.empty() && line_.back() == '\r') line_.pop_back();
            TakeLine(line_);
            line_.clear();
        } else if (line_.size() >= kMaxLine) {
            failed_ = true;
        } else {
            line_ += c;
        }
    }
    return !failed_;
}

void ReplyReader::TakeLine(const std::string& line) {
    const int code = CodeOf(line);
    const char mark = line.size() > 3 ? line[3] : ' ';
    if (openCode_ != 0) {
        // Inside a multi-line reply any line may come; the one that starts
        // with the opening code and a blank closes it.
        if (++lines_ > kMaxLines) {
            failed_ = true;
            return;
        }
        text_ += '\n';
        text_ += line;
        if (code == openCode_ && mark == ' ') {
            ready_.push_back(Reply{openCode_, text_});
            openCode_ = 0;
            text_.clear();
        }
        return;
    }
    if (code < 100 || code > 599 || (mark != ' ' && mark != '-')) {
        failed_ = true;
        return;
    }
    if (mark == '-') {
        openCode_ = code;
        text_ = line;
        lines_ = 1;
        return;
    }
    ready_.push_back(Reply{code, line});
}

bool ReplyReader::Next(Reply* reply) {
    if (ready_.empty()) return false;
    *reply = std::move(ready_.front());
    ready_.pop_front();
    return true;
}

bool ParsePassiveReply(const std::string& text, unsigned char address[4], int* port) {
    // The six numbers are the first run of digits and commas that holds
    // exactly five commas.
    for (size_t start = 0; start < text.size(); ++start) {
        if (!IsDigit(text[start]) || (start > 0 && IsDigit(text[start - 1]))) continue;
        int values[6] = {};
        size_t pos = start;
        int n = 0;
        bool good = true;
        for (; n < 6; ++n) {
            if (pos >= text.size() || !IsDigit(text[pos])) {
                good = false;
                break;
            }
            int v = 0;
            size_t digits = 0;
            while (pos < text.size() && IsDigit(text[pos])) {
                if (++digits > 3) break;
                v = v * 10 + (text[pos++] - '0');
            }
            if (digits > 3 || v > 255) {
                good = false;
                break;
            }
            values[n] = v;
            if (n < 5) {
                if (pos >= text.size() || text[pos] != ',') {
                    good = false;
                    break;
                }
                ++pos;
            }
        }
        if (!good || (pos < text.size() && (IsDigit(text[pos]) || text[pos] == ','))) continue;
        for (int i = 0; i < 4; ++i) address[i] = static_cast<unsigned char>(values[i]);
        *port = values[4] * 256 + values[5];
        if (*port == 0) continue;
        return true;
    }
    return false;
}

}  // namespace ftpclient
