// dru01000.dll as it ships, read from its own tables once loaded: it exports
// exactly the C entry points and dru_ helpers under their plain names (no
// "@12" of a __stdcall name, no C++ name, no ordinal-only entry) and imports
// from system DLLs only (the compiler's runtime is linked in).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "api/export_names.h"
#include "support/library_loader.h"

namespace dru::test {
namespace {

// The parts of a loaded module's image, at their addresses in memory.
class LoadedImage {
  public:
    explicit LoadedImage(HMODULE module) : base_(reinterpret_cast<const BYTE*>(module)) {}

    std::vector<std::string> export_names(DWORD& functions) const {
        std::vector<std::string> names;
        functions = 0;
        const auto& dir = directory(IMAGE_DIRECTORY_ENTRY_EXPORT);
        if (dir.Size == 0) return names;
        const auto* exports = at<IMAGE_EXPORT_DIRECTORY>(dir.VirtualAddress);
        const auto* name_addresses = at<DWORD>(exports->AddressOfNames);
        for (DWORD i = 0; i < exports->NumberOfNames; ++i)
            names.emplace_back(at<char>(name_addresses[i]));
        functions = exports->NumberOfFunctions;
        return names;
    }

    std::vector<std::string> imported_dlls() const {
        std::vector<std::string> dlls;
        const auto& dir = directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
        if (dir.Size == 0) return dlls;
        for (const auto* d = at<IMAGE_IMPORT_DESCRIPTOR>(dir.VirtualAddress); d->Name != 0; ++d)
            dlls.emplace_back(at<char>(d->Name));
        return dlls;
    }

  private:
    template <class T>
    const T* at(DWORD rva) const {
        return reinterpret_cast<const T*>(base_ + rva);
    }
    const IMAGE_DATA_DIRECTORY& directory(int entry) const {
        const auto* dos = at<IMAGE_DOS_HEADER>(0);
        return at<IMAGE_NT_HEADERS>(static_cast<DWORD>(dos->e_lfanew))
            ->OptionalHeader.DataDirectory[entry];
    }
    const BYTE* base_;
};

class DllTables : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(lib.loaded()) << lib.error(); }
    LoadedLibrary lib;
};

TEST_F(DllTables, ExportsExactlyThePlainNamesOfTheCInterface) {
    DWORD functions = 0;
    std::vector<std::string> exported = LoadedImage(lib.module()).export_names(functions);
    std::vector<std::string> expected = AllExportedNames();
    std::sort(exported.begin(), exported.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(exported, expected);
    EXPECT_EQ(functions, exported.size());  // every entry has its name
}

TEST_F(DllTables, ImportsOnlyFromSystemDlls) {
    wchar_t system[MAX_PATH];
    const UINT n = ::GetSystemDirectoryW(system, MAX_PATH);
    ASSERT_GT(n, 0u);
    const std::filesystem::path folder(std::wstring(system, n));
    const std::vector<std::string> dlls = LoadedImage(lib.module()).imported_dlls();
    EXPECT_FALSE(dlls.empty());
    for (const auto& dll : dlls)
        EXPECT_TRUE(std::filesystem::exists(folder / dll)) << dll << " is not in " << folder;
}

TEST_F(DllTables, IsNamedWithoutPrefix) {
    wchar_t path[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(lib.module(), path, MAX_PATH);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(std::filesystem::path(std::wstring(path, n)).filename(), L"dru01000.dll");
}

}  // namespace
}  // namespace dru::test
