// Files named by the module's UTF-8 paths, the same way on every system. On
// Windows a narrow path would be read in the ANSI code page, so every file
// the module opens goes through PathFromUtf8. One file per system defines
// MoveOverFile: file_system.cpp (POSIX), file_system_win32.cpp (Windows).
#pragma once
#include <filesystem>
#include <string>
#include <string_view>

namespace dru {

// The path a UTF-8 text names (on POSIX, the same bytes).
inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string_view(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

// Puts the file `from` in the place of `to` in one step, replacing a file
// already there (a reader sees the old file or the new one, never a mix).
// False when it cannot, with the system's reason in `reason`.
bool MoveOverFile(const std::string& from, const std::string& to, std::string& reason);

}  // namespace dru
