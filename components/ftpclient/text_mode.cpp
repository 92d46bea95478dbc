#include "components/ftpclient/text_mode.h"

namespace ftpclient {

void NetworkText::Convert(const char* data, size_t size, std::string* out) {
    out->reserve(out->size() + size + size / 16);
    for (size_t i = 0; i < size; ++i) {
        const char c = data[i];
        if (c == '\n' && !lastWasCr_) out->push_back('\r');
        out->push_back(c);
        lastWasCr_ = c == '\r';
    }
}

}  // namespace ftpclient
