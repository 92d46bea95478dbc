// A library loaded by file name, freed when the object goes or is loaded
// again.
#pragma once
#include <windows.h>

#include <string>
#include <utility>

namespace qaz {

class Library {
public:
    Library() = default;
    explicit Library(const char* file) { Load(file); }
    ~Library() { Free(); }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    Library(Library&& other) noexcept : module_(std::exchange(other.module_, nullptr)) {}
    Library& operator=(Library&& other) noexcept {
        if (this != &other) {
            Free();
            module_ = std::exchange(other.module_, nullptr);
        }
        return *this;
    }

    // Frees what was loaded before; false when the file cannot be loaded.
    bool Load(const char* file) {
        Free();
        module_ = LoadLibraryA(file);
        return module_ != nullptr;
    }
    void Free() {
        if (module_) FreeLibrary(module_);
        module_ = nullptr;
    }
    HMODULE get() const { return module_; }
    explicit operator bool() const { return module_ != nullptr; }

    // The entry of that name as a function pointer, or nullptr.
    template <class Fn>
    Fn Entry(const std::string& name) const {
        return module_ ? reinterpret_cast<Fn>(GetProcAddress(module_, name.c_str())) : nullptr;
    }

private:
    HMODULE module_ = nullptr;
};

}  // namespace qaz
