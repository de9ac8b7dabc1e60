// The host's configuration of the module: host folder, port devices, message
// texts, regional settings and the operator dialog. Each setting holds until
// it is set again; none of them opens a port or writes the log.
#include <cstdint>
#include <string>

#include "api/host_text.h"
#include "api/last_error.h"
#include "module/module.h"
#include "dru01000.h"
#include "host/errors.h"

namespace {

// The highest numbers the platform gives the currency layouts.
constexpr int kMaxCurrencyFormat = 3;
constexpr int kMaxNegCurrFormat = 15;

// A character that would break a frame where the settings put it: a
// control character, C0 or C1 (the frame bytes 0x87 and 0x88 among them),
// or DEL. A separator is one byte, read as Latin-1.
bool IsControl(std::uint32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

void RefuseControlSeparator(char c, const char* name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte != 0 && IsControl(byte))
        throw dru::EBadArgument(std::string("dru_set_format_settings: the ") + name + " is the control character " +
                                std::to_string(byte));
}

// A text of the settings (UTF-8 by then) holding a control character.
std::string WithoutControls(std::string value, const char* name) {
    const std::u32string chars = dru::text::code_points(value);
    for (std::size_t i = 0; i < chars.size(); ++i) {
        const std::uint32_t cp = chars[i];
        if (IsControl(cp))
            throw dru::EBadArgument(std::string("dru_set_format_settings: ") + name + " holds the control character " +
                                    std::to_string(cp) + " at character " + std::to_string(i + 1));
    }
    return value;
}

dru::FormatSettings to_settings(const DruFormatSettings& in) {
    if (in.decimal_separator == '\0' || in.date_separator == '\0' || in.time_separator == '\0')
        throw dru::EBadArgument("dru_set_format_settings: a decimal, date or time separator is missing");
    RefuseControlSeparator(in.decimal_separator, "decimal separator");
    RefuseControlSeparator(in.thousand_separator, "thousand separator");
    RefuseControlSeparator(in.date_separator, "date separator");
    RefuseControlSeparator(in.time_separator, "time separator");
    if (in.currency_format < 0 || in.currency_format > kMaxCurrencyFormat)
        throw dru::EBadArgument("dru_set_format_settings: currency_format " +
                                    std::to_string(in.currency_format) + " is not 0 to 3");
    if (in.negative_currency_format < 0 || in.negative_currency_format > kMaxNegCurrFormat)
        throw dru::EBadArgument("dru_set_format_settings: negative_currency_format " +
                                    std::to_string(in.negative_currency_format) + " is not 0 to 15");
    // A format left NULL keeps the module's default for it.
    dru::FormatSettings fs = dru::DefaultFormatSettings();
    fs.DecimalSeparator = in.decimal_separator;
    fs.ThousandSeparator = in.thousand_separator;
    fs.DateSeparator = in.date_separator;
    fs.TimeSeparator = in.time_separator;
    if (in.short_date_format)
        fs.ShortDateFormat = WithoutControls(dru::HostText(in.short_date_format), "short_date_format");
    if (in.long_time_format)
        fs.LongTimeFormat = WithoutControls(dru::HostText(in.long_time_format), "long_time_format");
    if (in.currency_string) fs.CurrencyString = WithoutControls(dru::HostText(in.currency_string), "currency_string");
    fs.CurrencyFormat = in.currency_format;
    fs.NegCurrFormat = in.negative_currency_format;
    return fs;
}

}  // namespace

// NULL or "" goes back to DRU_HOST_FOLDER or the executable's folder.
extern "C" DRU_API void DRU_CALL dru_set_host_folder(const char* folder) {
    dru::guarded_void([&] { dru::ModuleState::get().set_host_folder(dru::HostPath(folder)); });
}

// A NULL or empty device drops the port's override.
extern "C" DRU_API void DRU_CALL dru_set_port_device(const char* port, const char* device) {
    dru::guarded_void([&] {
        const std::string name = dru::HostText(port);
        if (!dru::ModuleState::get().port_names().set_device(name, dru::HostPath(device)))
            throw dru::EBadArgument("dru_set_port_device: \"" + name + "\" is not COM1 to COM12");
    });
}

// Replaces a text of the data module's message tables (creating the data
// module if no operation has yet). The new text lasts until the process ends.
extern "C" DRU_API void DRU_CALL dru_set_message(const char* table, const char* key, const char* text) {
    dru::guarded_void([&] {
        const std::string name = dru::HostText(table);
        const std::string k = dru::HostText(key);
        if (k.empty()) throw dru::EBadArgument("dru_set_message: the key is empty");
        if (name != "msgPadrao" && name != "msgPadrao2")
            throw dru::EBadArgument("dru_set_message: no message table \"" + name + "\"");
        auto& dm = dru::ModuleState::get().data_module().get();
        (name == "msgPadrao" ? dm.msgPadrao : dm.msgPadrao2).set(k, dru::HostText(text));
    });
}

// NULL goes back to the settings the module starts with.
extern "C" DRU_API void DRU_CALL dru_set_format_settings(const DruFormatSettings* settings) {
    dru::guarded_void([&] {
        dru::ModuleState::get().set_format(settings ? to_settings(*settings) : dru::DefaultFormatSettings());
    });
}

// NULL removes the handler: notices are dropped, questions answered "no".
extern "C" DRU_API void DRU_CALL dru_set_message_handler(DruMessageHandler handler, void* user) {
    dru::guarded_void([&] { dru::ModuleState::get().dialog().set_handler(handler, user); });
}
