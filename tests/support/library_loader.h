// The shared library as a host sees it: loaded with dlopen (LoadLibrary on
// Windows, from the test program's own folder), entry points found by name
// and called through the types of dru01000.h.
//
//   dru::test::LoadedLibrary lib;
//   ASSERT_TRUE(lib.loaded()) << lib.error();
//   auto* fn = DRU_LOOKUP(lib, Estado_Imp);
//   EXPECT_TRUE(fn(nullptr, false, false));
#pragma once
#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "dru01000.h"
#include "support/temp_folder.h"

namespace dru::test {

class LoadedLibrary {
public:
#if defined(_WIN32)
    LoadedLibrary() : handle_(::LoadLibraryA(DRU_SHARED_LIBRARY)), error_(handle_ ? 0 : ::GetLastError()) {}
    ~LoadedLibrary() {
        if (handle_) ::FreeLibrary(handle_);
    }
    void* symbol(const std::string& name) const {
        return handle_ ? reinterpret_cast<void*>(::GetProcAddress(handle_, name.c_str())) : nullptr;
    }
    // Why the library did not load.
    std::string error() const { return "LoadLibrary(" DRU_SHARED_LIBRARY ") failed: " + std::to_string(error_); }
    HMODULE module() const { return handle_; }
#else
    LoadedLibrary() : handle_(dlopen(DRU_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL)) {
        if (!handle_) error_ = dlerror();
    }
    ~LoadedLibrary() {
        if (handle_) dlclose(handle_);
    }
    void* symbol(const std::string& name) const { return handle_ ? dlsym(handle_, name.c_str()) : nullptr; }
    std::string error() const { return error_; }
#endif
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    template <class F>
    F* lookup(const char* name) const {
        return reinterpret_cast<F*>(symbol(name));
    }

private:
#if defined(_WIN32)
    HMODULE handle_;
    DWORD error_;
#else
    void* handle_;
    std::string error_;
#endif
};

// The entry point `name` of `lib`, typed as dru01000.h declares it.
#define DRU_LOOKUP(lib, name) (lib).lookup<decltype(name)>(#name)

}  // namespace dru::test
