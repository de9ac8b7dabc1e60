// MoveOverFile on Windows: the C library's rename refuses an existing target
// there, so MoveFileExW replaces it, and writes through before it returns.
#include <windows.h>

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

}  // namespace dru
