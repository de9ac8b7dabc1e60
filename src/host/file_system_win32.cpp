// MoveOverFile and ReadRegularFile on Windows. The C library's rename
// refuses an existing target there, so MoveFileExW replaces it, and writes
// through before it returns.
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "host/errors.h"
#include "host/file_system.h"
#include "host/wide_text_win32.h"

namespace dru {

bool MoveOverFile(const std::string& from, const std::string& to, std::string& reason) {
    if (::MoveFileExW(win32::ToWide(from).c_str(), win32::ToWide(to).c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    reason = win32::ErrorText(::GetLastError());
    return false;
}

// Windows has no FIFO in the file system that a name can be swapped for:
// the kind is checked by name, then the file is read in pieces.
std::optional<std::string> ReadRegularFile(const std::string& path, std::size_t max_bytes) {
    const std::filesystem::path file = PathFromUtf8(path);
    std::error_code ec;
    const std::filesystem::file_status st = std::filesystem::status(file, ec);
    if (st.type() == std::filesystem::file_type::not_found) return std::nullopt;
    if (ec) throw EInOutError("Cannot open file \"" + path + "\": " + ec.message());
    const auto refuse = [&](const std::string& why) {
        throw EInOutError("Cannot read file \"" + path + "\": " + why);
    };
    if (!std::filesystem::is_regular_file(st)) refuse("not a regular file");
    std::ifstream in(file, std::ios::binary);
    if (!in) throw EInOutError("Cannot open file \"" + path + "\": " + std::strerror(errno));
    constexpr std::size_t kChunk = 64 * 1024;  // read in pieces, never the bound at once
    std::string data;
    std::string chunk(kChunk, '\0');
    while (in.read(chunk.data(), kChunk) || in.gcount() > 0) {
        data.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        if (data.size() > max_bytes) refuse("larger than " + std::to_string(max_bytes) + " bytes");
    }
    if (in.bad()) refuse(std::strerror(errno));
    return data;
}

}  // namespace dru
