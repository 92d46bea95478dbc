// Registry access under HKEY_CURRENT_USER.
#pragma once
#include <windows.h>
#include <string>

namespace qaz {

// An open registry key, closed when the object goes.
class RegKey {
public:
    RegKey() = default;
    ~RegKey() { Close(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& other) noexcept : key_(other.Detach()) {}
    RegKey& operator=(RegKey&& other) noexcept;

    // Opens an existing key of HKEY_CURRENT_USER with full access.
    bool Open(const char* path);
    // Opens the key, creating it and the keys above it when missing.
    bool Create(const char* path);
    void Close();
    HKEY Detach();
    HKEY get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }

private:
    HKEY key_ = nullptr;
};

// Reads a value of the open key; a missing value, a closed key or a value
// stored with another type gives the default.
int RegReadInt(HKEY key, const char* name, int def);
bool RegReadBool(HKEY key, const char* name, bool def);
std::string RegReadStr(HKEY key, const char* name, const std::string& def);

// Writes a value; false when the write failed.
bool RegWriteInt(HKEY key, const char* name, int value);
bool RegWriteBool(HKEY key, const char* name, bool value);
bool RegWriteStr(HKEY key, const char* name, const std::string& value);

}  // namespace qaz
