// The host's configuration of the module: host folder, port devices, message
// texts, regional settings and the operator dialog. Each setting holds until
// it is set again; none of them opens a port or writes the log.
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

dru::FormatSettings to_settings(const DruFormatSettings& in) {
    if (in.decimal_separator == '\0' || in.date_separator == '\0' || in.time_separator == '\0')
        throw dru::EBadArgument("dru_set_format_settings: a decimal, date or time separator is missing");
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
    if (in.short_date_format) fs.ShortDateFormat = dru::HostText(in.short_date_format);
    if (in.long_time_format) fs.LongTimeFormat = dru::HostText(in.long_time_format);
    if (in.currency_string) fs.CurrencyString = dru::HostText(in.currency_string);
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
