// The folder of the running executable on Windows (the host program, not this
// DLL), from GetModuleFileNameW, as UTF-8.
#include <windows.h>

#include <string>

#include "host/wide_text_win32.h"
#include "module/module.h"

namespace dru {

namespace {
// Long enough for any path Windows gives (the \\?\ form is limited to this).
constexpr DWORD kMaxPathChars = 32768;
}  // namespace

std::string ExecutableFolder() {
    std::wstring path(kMaxPathChars, L'\0');
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), kMaxPathChars);
    if (n == 0 || n >= kMaxPathChars) return ".";
    path.resize(n);
    const auto separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) return ".";
    // "C:\host.exe" keeps its root's separator: "C:\".
    const bool root = separator == 0 || (separator == 2 && path[1] == L':');
    return win32::ToUtf8(path.substr(0, root ? separator + 1 : separator));
}

}  // namespace dru
