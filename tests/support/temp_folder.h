// Test helpers for files and descriptors.
#pragma once
#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace dru::test {

// A path's text as the module takes it: UTF-8.
inline std::string Utf8Path(const std::filesystem::path& p) {
    const std::u8string s = p.u8string();
    return std::string(s.begin(), s.end());
}

// A fresh empty folder, removed with its contents at the end.
class TempFolder {
public:
    TempFolder() {
#if defined(_WIN32)
        // No mkdtemp: a name made of the process, a tick count and a try
        // number, taken only when no one has it yet.
        constexpr int kTries = 100;
        const auto base = std::filesystem::temp_directory_path();
        for (int i = 0; i < kTries && path_.empty(); ++i) {
            const auto candidate = base / ("dru_test_" + std::to_string(::GetCurrentProcessId()) + "_" +
                                           std::to_string(::GetTickCount64()) + "_" + std::to_string(i));
            std::error_code ec;
            if (std::filesystem::create_directory(candidate, ec)) path_ = Utf8Path(candidate);
        }
#else
        std::string pattern = (std::filesystem::temp_directory_path() / "dru_test_XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
#endif
    }
    ~TempFolder() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(fs_path(), ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(fs_path())) names.push_back(Utf8Path(e.path().filename()));
        return names;
    }

private:
    std::filesystem::path fs_path() const {
        return std::filesystem::path(std::u8string(path_.begin(), path_.end()));
    }
    std::string path_;
};

// Open descriptors (on Windows, kernel handles) of this process.
inline int OpenDescriptorCount() {
#if defined(_WIN32)
    DWORD handles = 0;
    ::GetProcessHandleCount(::GetCurrentProcess(), &handles);
    return static_cast<int>(handles);
#else
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
#endif
}

}  // namespace dru::test
