// Text transfers send lines in the network form: every line ends with
// CR LF. A lone LF becomes CR LF; CR LF and a lone CR pass unchanged.
#pragma once
#include <cstddef>
#include <string>

namespace ftpclient {

class NetworkText {
public:
    // Appends the network form of the chunk to out. The chunks of one file
    // go through one object, in order.
    void Convert(const char* data, size_t size, std::string* out);

private:
    bool lastWasCr_ = false;
};

}  // namespace ftpclient
