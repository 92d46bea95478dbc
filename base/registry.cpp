#include "base/registry.h"

#include <vector>

namespace qaz {

RegKey& RegKey::operator=(RegKey&& other) noexcept {
    if (this != &other) {
        Close();
        key_ = other.Detach();
    }
    return *this;
}

bool RegKey::Open(const char* path) {
    Close();
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
    key_ = key;
    return true;
}

bool RegKey::Create(const char* path) {
    Close();
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &key, &disposition) != ERROR_SUCCESS)
        return false;
    key_ = key;
    return true;
}

void RegKey::Close() {
    if (key_) RegCloseKey(key_);
    key_ = nullptr;
}

HKEY RegKey::Detach() {
    HKEY key = key_;
    key_ = nullptr;
    return key;
}

int RegReadInt(HKEY key, const char* name, int def) {
    if (!key) return def;
    DWORD type = 0, value = 0, size = sizeof(value);
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
        return def;
    if (type != REG_DWORD || size != sizeof(value)) return def;
    return static_cast<int>(value);
}

bool RegReadBool(HKEY key, const char* name, bool def) {
    return RegReadInt(key, name, def ? 1 : 0) != 0;
}

std::string RegReadStr(HKEY key, const char* name, const std::string& def) {
    if (!key) return def;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return def;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return def;
    // The value may change between the two calls; ask again when it grew.
    std::vector<char> buf(size + 1);
    for (int tries = 0; tries < 4; ++tries) {
        DWORD got = static_cast<DWORD>(buf.size() - 1);
        LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &got);
        if (rc == ERROR_MORE_DATA) {
            buf.resize(got + 1);
            continue;
        }
        if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return def;
        buf[got] = '\0';  // stored strings need not carry their terminator
        return std::string(buf.data());
    }
    return def;
}

bool RegWriteInt(HKEY key, const char* name, int value) {
    if (!key) return false;
    DWORD v = static_cast<DWORD>(value);
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof(v)) == ERROR_SUCCESS;
}

bool RegWriteBool(HKEY key, const char* name, bool value) { return RegWriteInt(key, name, value ? 1 : 0); }

bool RegWriteStr(HKEY key, const char* name, const std::string& value) {
    if (!key) return false;
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

}  // namespace qaz
