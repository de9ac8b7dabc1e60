// The debug log file on Windows: opened for appending per line (CreateFileW,
// so a folder with any characters works), written, closed, so every line is
// on disk when the call returns. Others may read or append meanwhile.
#include <windows.h>

#include "host/errors.h"
#include "host/unique_handle_win32.h"
#include "host/wide_text_win32.h"
#include "link/debug_log.h"

namespace dru {

namespace {

constexpr std::string_view kLogFileName = "ANALISA_ERRO.txt";

[[noreturn]] void raise_io(const std::string& path, DWORD error) {
    throw EInOutError("Cannot write the debug log " + path + ": " + win32::ErrorText(error));
}

}  // namespace

std::string FileLogSink::path() const {
    std::string p = folder_;
    if (p.empty() || (p.back() != '/' && p.back() != '\\')) p += '/';
    p += kLogFileName;
    return p;
}

void FileLogSink::append(std::string_view line) {
    const std::string file = path();
    // FILE_APPEND_DATA alone: every write goes to the end of the file.
    UniqueHandle h(::CreateFileW(win32::ToWide(file).c_str(), FILE_APPEND_DATA,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) raise_io(file, ::GetLastError());
    std::size_t done = 0;
    // Each pass writes at least one byte or fails, so the loop ends. On a
    // failed write the error reported is the write's.
    while (done < line.size()) {
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(line.size() - done);
        if (!::WriteFile(h.get(), line.data() + done, chunk, &n, nullptr))
            raise_io(file, ::GetLastError());
        if (n == 0) raise_io(file, ERROR_WRITE_FAULT);
        done += n;
    }
    if (!h.close()) raise_io(file, ::GetLastError());
}

}  // namespace dru
