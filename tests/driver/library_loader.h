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

// A fresh empty folder, removed with its contents at the end.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "dru_test_XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(path_)) names.push_back(e.path().filename());
        return names;
    }

private:
    std::string path_;
};

// Open file descriptors of this process.
inline int OpenDescriptorCount() {
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

}  // namespace dru::test
