// The shared library as a host sees it: loaded with dlopen, entry points
// found by name and called through the types of dru01000.h.
//
//   dru::test::LoadedLibrary lib;
//   auto* fn = DRU_LOOKUP(lib, Estado_Imp);
//   EXPECT_TRUE(fn(nullptr, false, false));
#pragma once
#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "dru01000.h"
#include "support/temp_folder.h"

namespace dru::test {

class LoadedLibrary {
public:
    LoadedLibrary() : handle_(dlopen(DRU_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL)) {}
    ~LoadedLibrary() {
        if (handle_) dlclose(handle_);
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    void* symbol(const std::string& name) const { return handle_ ? dlsym(handle_, name.c_str()) : nullptr; }
    template <class F>
    F* lookup(const char* name) const {
        return reinterpret_cast<F*>(symbol(name));
    }

private:
    void* handle_;
};

// The entry point `name` of `lib`, typed as dru01000.h declares it.
#define DRU_LOOKUP(lib, name) (lib).lookup<decltype(name)>(#name)

}  // namespace dru::test
