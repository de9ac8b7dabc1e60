// Files named by the module's paths. On POSIX a path is the bytes the host
// gave, handed to the system unchanged; on Windows it is UTF-8 and a narrow
// path would be read in the ANSI code page, so every file the module opens
// goes through PathFromUtf8 (UTF-16 there). One file per system defines
// MoveOverFile and ReadRegularFile: file_system.cpp (POSIX),
// file_system_win32.cpp (Windows).
#pragma once
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace dru {

// The path a module path names: on POSIX the same bytes, whatever they are;
// on Windows the UTF-8 text read as UTF-16.
inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
#if defined(_WIN32)
    return std::filesystem::path(std::u8string_view(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
#else
    return std::filesystem::path(std::string(utf8));
#endif
}

// Puts the file `from` in the place of `to` in one step, replacing a file
// already there (a reader sees the old file or the new one, never a mix).
// False when it cannot, with the system's reason in `reason`.
bool MoveOverFile(const std::string& from, const std::string& to, std::string& reason);

// The whole content of the regular file at `path`, of at most `max_bytes`;
// nullopt when no file has that name. The file is opened first (without
// waiting: O_NONBLOCK on POSIX) and what was opened is then checked, so a
// pipe or device put in its place is never read nor waited on, however late
// it arrives. Raises EInOutError "Cannot open file ..." or "Cannot read file
// "<path>": <why>" (not a regular file, larger than the bound, a read error).
// The content takes the file's size in memory, read once.
std::optional<std::string> ReadRegularFile(const std::string& path, std::size_t max_bytes);

}  // namespace dru
