// The host folder a host gets without setting one: the folder of its own
// program (not of the library), where the printer configuration is looked for.
#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <string>

#include "dru01000.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

namespace dru::test {
namespace {

std::string ProgramFolder() {
#if defined(_WIN32)
    wchar_t path[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return Utf8Path(std::filesystem::path(std::wstring(path, n)).parent_path());
#else
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
#endif
}

// In a fresh process, so no earlier call has loaded a configuration.
TEST(HostFolder, UnsetIsTheFolderOfTheHostsProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SetEnvironment("DRU_HOST_FOLDER", nullptr);
            dru_set_host_folder(nullptr);
            double date = 0;
            if (VerificaData("Azul", &date, "", "", false)) std::_Exit(1);
            const std::string error = dru_last_error();
            std::_Exit(error.ends_with("is not in the folder " + ProgramFolder()) ? 0 : 2);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace dru::test
