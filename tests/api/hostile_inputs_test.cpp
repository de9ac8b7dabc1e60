// What a host hands in through the C interface that could break a frame, a
// path or another thread's text: refused, kept as given, or kept valid.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>

#include "dru01000.h"
#include "module/module.h"
#include "support/temp_folder.h"

namespace dru::test {
namespace {

struct RestoreSettings {
    ~RestoreSettings() {
        dru_set_format_settings(nullptr);
        dru_set_host_folder(nullptr);
    }
};

// ---- Regional settings with frame bytes or control characters ---------------

struct SettingsCase {
    const char* name;
    DruFormatSettings settings;
    const char* says;
};

TEST(HostileInputs, RegionalSettingsWithAFrameByteOrAControlCharacterAreRefused) {
    RestoreSettings restore;
    const DruFormatSettings good{',', '.', '/', ':', "dd/mm/yyyy", "hh:nn:ss", "$", 2, 1};
    auto with = [&](auto change) {
        DruFormatSettings s = good;
        change(s);
        return s;
    };
    const SettingsCase cases[] = {
        {"decimal 0x88", with([](auto& s) { s.decimal_separator = '\x88'; }), "decimal separator is the control character 136"},
        {"thousand 0x87", with([](auto& s) { s.thousand_separator = '\x87'; }), "thousand separator is the control character 135"},
        {"date tab", with([](auto& s) { s.date_separator = '\t'; }), "date separator"},
        {"time DEL", with([](auto& s) { s.time_separator = '\x7F'; }), "time separator"},
        {"currency 0x88", with([](auto& s) { s.currency_string = "$\xC2\x88"; }), "currency_string holds the control character 136 at character 2"},
        {"currency Latin-1 0x88", with([](auto& s) { s.currency_string = "\x88"; }), "currency_string"},
        {"currency newline", with([](auto& s) { s.currency_string = "$\n"; }), "currency_string"},
        {"date format CR", with([](auto& s) { s.short_date_format = "dd\rmm"; }), "short_date_format"},
    };
    for (const SettingsCase& c : cases) {
        SCOPED_TRACE(c.name);
        dru_set_format_settings(&good);
        ASSERT_EQ(dru_last_error_code(), DRU_ERR_NONE);
        dru_set_format_settings(&c.settings);
        EXPECT_EQ(dru_last_error_code(), DRU_ERR_BAD_ARGUMENT);
        EXPECT_NE(std::string(dru_last_error()).find(c.says), std::string::npos) << dru_last_error();
        EXPECT_EQ(dru::ModuleState::get().format().DecimalSeparator, ',');  // the settings before stay
    }
    const DruFormatSettings latin1 = with([](auto& s) { s.thousand_separator = '\xA0'; });  // no-break space
    dru_set_format_settings(&latin1);
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_NONE) << dru_last_error();
}

// ---- Paths are the host's bytes ------------------------------------------------

#if !defined(_WIN32)
TEST(HostileInputs, AHostFolderInLatin1IsTheFolderTheHostNamed) {
    RestoreSettings restore;
    TempFolder base;
    const std::string folder = base.path() + "/caf\xE9";  // Latin-1, not UTF-8
    const std::string reencoded = base.path() + "/caf\xC3\xA9";
    ASSERT_TRUE(std::filesystem::create_directory(std::filesystem::path(folder)));
    ASSERT_TRUE(std::filesystem::create_directory(std::filesystem::path(reencoded)));
    std::ofstream(reencoded + "/DedOvor.cds") << "a configuration the host did not name";
    dru_set_host_folder(folder.c_str());
    double date = 0;
    EXPECT_FALSE(VerificaData("Azul", &date, "", "", false));  // no DedOvor.cds in the host's folder
    const std::string error = dru_last_error();
    EXPECT_TRUE(error.ends_with("is not in the folder " + folder)) << error;
}
#endif

// ---- Texts read on one thread while another calls in -------------------------

TEST(HostileInputs, AReadersTextStaysValidWhileAnotherThreadChangesTheHandle) {
    DruText* text = dru_text_new("primero");
    DruParams* params = dru_params_new();
    dru_params_add_text(params, "A", "uno");
    const char* read = dru_text_get(text);
    const char* name = dru_params_name(params, 0);
    std::thread other([&] {
        for (int i = 0; i < 100; ++i) {
            dru_text_set(text, std::string(1000 + i, 'x').c_str());
            dru_params_add_text(params, "B", "dos");  // the pairs move in memory
        }
        EXPECT_EQ(std::string(dru_text_get(text)).size(), 1099u);
    });
    other.join();
    EXPECT_STREQ(read, "primero");
    EXPECT_STREQ(name, "A");
    EXPECT_EQ(std::string(dru_text_get(text)).size(), 1099u);  // read again: the text as it is now
    dru_params_free(params);
    dru_text_free(text);
}

// A document holds the module's lock for its whole run: the last error and
// the last exchange answer meanwhile (a reader that waited would hang here,
// and the bound below turns that into a failure).
TEST(HostileInputs, TheLastErrorAndLastExchangeNeverWaitForADocument) {
    dru_set_message(nullptr, nullptr, nullptr);  // leaves a bad-argument error
    const dru::ModuleLock document;
    auto reader = std::async(std::launch::async, [] {
        return std::pair{std::string(dru_last_error()) + "|" + std::to_string(dru_last_error_code()),
                         dru_last_exchange(nullptr)};
    });
    constexpr auto kHangBound = std::chrono::seconds(30);  // far beyond any real wait: a hang, not a margin
    ASSERT_EQ(reader.wait_for(kHangBound), std::future_status::ready);
    const auto [error, exchange] = reader.get();
    EXPECT_EQ(error, "dru_set_message: the key is empty|1");
    EXPECT_GE(exchange, DRU_EXCHANGE_NONE);
}

// ---- Allocating a handle keeps the last error --------------------------------

TEST(HostileInputs, AllocatingATextOrAnArrayKeepsTheLastError) {
    dru_set_message(nullptr, nullptr, nullptr);
    DruText* text = dru_text_new(nullptr);
    DruParams* params = dru_params_new();
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_BAD_ARGUMENT);
    EXPECT_STREQ(dru_last_error(), "dru_set_message: the key is empty");
    dru_params_free(params);
    dru_text_free(text);
}

}  // namespace
}  // namespace dru::test
