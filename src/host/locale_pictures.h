// Windows keeps its regional date and time formats as pictures
// ("dd/MM/yyyy", "HH:mm:ss", "h:mm:ss tt"); the module's formats use the
// host's specifiers (d dd m mm yy yyyy h hh n nn s ss). These translate one
// into the other. Portable, so they are tested on every system.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace dru {

// A translated format with the one separator it uses.
struct TranslatedPicture {
    std::string format;
    char separator = 0;
};

// "dd/MM/yyyy" -> "dd/MM/yyyy", '/'. Nothing when the picture holds what the
// module cannot print (day or month names, an era, a one-digit year, quoted
// text), no separator, more than one kind, or a separator beyond ASCII.
std::optional<TranslatedPicture> TranslateDatePicture(std::string_view picture);
// "HH:mm:ss" -> "hh:nn:ss", ':'. A 12-hour clock prints 24-hour (the AM/PM
// marker "t"/"tt" and the blank before it are left out), as on POSIX.
// Nothing for what the module cannot print, as for dates.
std::optional<TranslatedPicture> TranslateTimePicture(std::string_view picture);

}  // namespace dru
