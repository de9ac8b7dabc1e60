// The fiscal date check against the simulated printer on the virtual clock:
// the clock comparison, the fiscal date, the overdue Z reduction on type 30,
// and the printer configuration file.
#include <gtest/gtest.h>

#include <fstream>

#include "day/date_check.h"
#include "support/driver_fixture.h"
#include "host/errors.h"

namespace dru::test {
namespace {

constexpr const char* kDatadif = "Data da impressora fiscal difere da data do sistema em mais de 15 minutos.";
constexpr const char* kRedZData =
    "Já se passaram 26 horas sem a emissão de uma Redução Z. Confirma a impressão da Redução Z?";

TDateTime At(int y, int mo, int d, int h, int mi) { return EncodeDate(y, mo, d) + EncodeTime(h, mi, 0, 0); }

class DateCheckTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(s.folder.path().empty()); }

    void WriteFile(const std::string& content) {
        std::ofstream(s.folder.file("DedOvor.cds"), std::ios::binary) << content;
    }
    void Configure(int type, const std::string& port = "COM1") { WriteFile(PrinterConfigPacket(port, type)); }
    // The printer's own clock, apart from the computer's.
    void PrinterAt(TDateTime t) { s.printer.set_printer_time(t); }
    // The printer answers 481 with exactly this text.
    void Answer481(const std::string& reply) {
        s.printer.knobs().only_command = "481";
        s.printer.knobs().garbage = reply;
    }
    bool Check(TDateTime& date, bool boSetaData = true) {
        return VerificaData(s.session, "Azul", date, "ignored", "ignored", boSetaData);
    }

    SimSession s{At(2025, 3, 5, 10, 0)};
};

TEST_F(DateCheckTest, WarnsOnlyBeyondFifteenMinutes) {
    struct Case {
        TDateTime printer, computer;
        bool warned;
    };
    const std::vector<Case> cases = {
        {At(2025, 3, 5, 10, 0), At(2025, 3, 5, 10, 0), false},
        {At(2025, 3, 5, 10, 0), At(2025, 3, 5, 10, 15), false},
        {At(2025, 3, 5, 10, 0), At(2025, 3, 5, 10, 16), true},
        {At(2025, 3, 5, 10, 0), At(2025, 3, 5, 11, 0), true},
        {At(2025, 3, 5, 10, 15), At(2025, 3, 5, 10, 0), false},  // the printer ahead
        {At(2025, 3, 5, 10, 17), At(2025, 3, 5, 10, 0), true},
        {At(2025, 3, 6, 10, 0), At(2025, 3, 5, 10, 0), true},    // a day apart
    };
    Configure(16);
    for (const auto& c : cases) {
        s.dialog.calls.clear();
        s.clock.set_now(c.computer);
        PrinterAt(c.printer);
        TDateTime date = 0;
        EXPECT_EQ(Check(date), !c.warned) << FormatDateTime("hh:nn", c.computer, s.format);
        ASSERT_EQ(s.dialog.calls.size(), c.warned ? 1u : 0u);
        EXPECT_EQ(date, DateOf(c.printer));
        if (c.warned) {
            const auto& call = s.dialog.calls[0];
            EXPECT_EQ(call.text, kDatadif);
            EXPECT_EQ(call.arg3, "N");
            EXPECT_EQ(call.question, "N");
            EXPECT_EQ(call.kind, TTipoMsg::Tipo3);
            EXPECT_EQ(call.scheme, "Azul");
            EXPECT_EQ(call.table, nullptr);
        }
    }
}

TEST_F(DateCheckTest, PrinterTextIsReadDayFirstUnderEveryRegionalSetting) {
    const std::vector<std::pair<char, std::string>> settings = {
        {'-', "dd-MM-yyyy"}, {'/', "MM/dd/yyyy"}, {'.', "yyyy.MM.dd"}, {'/', "dd/MM/yy"}};
    Configure(16);
    // 5 March, not 3 May: a month-first reading would be two months off and warn.
    PrinterAt(At(2025, 3, 5, 10, 0));
    for (const auto& [separator, format] : settings) {
        s.format.DateSeparator = separator;
        s.format.ShortDateFormat = format;
        TDateTime date = 0;
        EXPECT_TRUE(Check(date)) << format;
        EXPECT_EQ(date, EncodeDate(2025, 3, 5)) << format;
    }
    EXPECT_TRUE(s.dialog.calls.empty());
}

TEST_F(DateCheckTest, CenturyComesFromTheComputersYear) {
    Configure(16);
    Answer481(Counters481({{44, "05032025"}, {45, "1000"}}));
    TDateTime date = 0;
    Check(date);
    EXPECT_EQ(date, EncodeDate(2025, 3, 5));

    s.clock.set_now(At(2100, 1, 1, 10, 0));
    Check(date);
    EXPECT_EQ(date, EncodeDate(2125, 3, 5));
}

TEST_F(DateCheckTest, UnreadablePrinterDateGivesToday) {
    const std::vector<std::pair<std::string, std::string>> replies = {
        {"day 31 of April", Counters481({{44, "31042025"}, {45, "1000"}})},
        {"29 February of a common year", Counters481({{44, "29022023"}, {45, "1000"}})},
        {"letters", Counters481({{44, "AB03CD25"}, {45, "1000"}})},
        {"hour 25", Counters481({{44, "05032025"}, {45, "2500"}})},
        {"too few fields", "1:2:3:\r"},
    };
    Configure(30);
    s.printer.set_overdue_indicator("3");
    s.dialog.answer = true;
    s.clock.set_now(At(2025, 6, 1, 12, 0));
    for (const auto& [what, reply] : replies) {
        Answer481(reply);
        TDateTime date = 0;
        EXPECT_TRUE(Check(date)) << what;
        EXPECT_EQ(date, EncodeDate(2025, 6, 1)) << what;
    }
    EXPECT_TRUE(s.dialog.calls.empty());  // neither a notice nor the Z question
}

TEST_F(DateCheckTest, SilentPrinterGivesTodayAndTrue) {
    Configure(30);
    s.printer.knobs().silent = true;
    s.clock.set_now(At(2025, 6, 1, 23, 59));
    TDateTime date = 0;
    EXPECT_TRUE(Check(date));
    EXPECT_EQ(date, EncodeDate(2025, 6, 1));
    EXPECT_TRUE(s.dialog.calls.empty());
    EXPECT_FALSE(s.ports.is_open());
}

TEST_F(DateCheckTest, OverdueZQuestionOnlyOnTypeThirtyWhenAllowed) {
    struct Case {
        int type;
        std::string field48;
        bool boSetaData, answer;
        bool asked, printed;
    };
    const std::vector<Case> cases = {
        {30, "3", true, true, true, true},    {30, "3", true, false, true, false},
        {30, "3", false, true, false, false}, {16, "3", true, true, false, false},
        {31, "9", true, true, false, false},  {30, "30", true, true, true, true},
        {30, "9", true, true, true, true},    {30, "10", true, true, false, false},
        {30, "2", true, true, false, false},  {30, "", true, true, false, false},
    };
    for (const auto& c : cases) {
        SimSession t{At(2025, 3, 5, 10, 0)};
        std::ofstream(t.folder.file("DedOvor.cds")) << PrinterConfigPacket("COM4", c.type);
        t.printer.set_overdue_indicator(c.field48);
        t.dialog.answer = c.answer;
        const int z_before = t.printer.z_count();
        TDateTime date = 0;
        const std::string what = std::to_string(c.type) + "/" + c.field48 + (c.boSetaData ? " allowed" : "");

        EXPECT_TRUE(VerificaData(t.session, "Verde", date, "", "", c.boSetaData)) << what;

        ASSERT_EQ(t.dialog.calls.size(), c.asked ? 1u : 0u) << what;
        if (c.asked) {
            EXPECT_EQ(t.dialog.calls[0].text, kRedZData);
            EXPECT_EQ(t.dialog.calls[0].question, "S");
            EXPECT_EQ(t.dialog.calls[0].kind, TTipoMsg::Tipo3);
            EXPECT_EQ(t.dialog.calls[0].scheme, "Verde");
        }
        const std::vector<std::string> expected =
            c.printed ? std::vector<std::string>{"481", "021", "32", "35"} : std::vector<std::string>{"481"};
        EXPECT_EQ(t.printer.frames(), expected) << what;
        EXPECT_EQ(t.printer.z_count(), z_before + (c.printed ? 1 : 0)) << what;
        if (c.printed) {
            EXPECT_TRUE(t.printer.sales_period_open()) << what;
        }
        EXPECT_EQ(t.ports.calls().front(), "open COM4") << what;
        EXPECT_EQ(date, EncodeDate(2025, 3, 5)) << what;
    }
}

TEST_F(DateCheckTest, MissingConfigurationOnFirstCallIsAClearErrorAndNothingHappens) {
    TDateTime date = 123.0;
    try {
        Check(date);
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_NE(std::string(e.what()).find("DedOvor.cds"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(s.folder.path()), std::string::npos) << e.what();
    }
    EXPECT_EQ(date, 123.0);
    EXPECT_EQ(s.ports.opens(), 0);
    EXPECT_TRUE(s.sink.lines().empty());
    EXPECT_TRUE(s.dialog.calls.empty());
}

TEST_F(DateCheckTest, LoadedConfigurationServesWhenTheFileHasGone) {
    Configure(16, "COM7");
    TDateTime date = 0;
    EXPECT_TRUE(Check(date));
    std::filesystem::remove(s.folder.file("DedOvor.cds"));

    EXPECT_TRUE(Check(date));
    EXPECT_EQ(s.ports.opens(), 2);
    EXPECT_EQ(s.printer.frames(), (std::vector<std::string>{"481", "481"}));
}

TEST_F(DateCheckTest, UnusableConfigurationIsAClearErrorNamingTheFile) {
    const std::string head =
        "<?xml version=\"1.0\" standalone=\"yes\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>";
    const std::vector<std::pair<std::string, std::string>> files = {
        {"not a packet", "PORTAFISCAL=COM1\nIDTIPOIMPFIS=30\n"},
        {"empty file", ""},
        {"cut short", head + "<FIELD attrname=\"PORTAFISCAL\""},
        {"no PORTAFISCAL", head + "<FIELD attrname=\"IDTIPOIMPFIS\" fieldtype=\"i4\"/></FIELDS><PARAMS/>"
                                  "</METADATA><ROWDATA><ROW IDTIPOIMPFIS=\"30\"/></ROWDATA></DATAPACKET>"},
        {"no IDTIPOIMPFIS", head + "<FIELD attrname=\"PORTAFISCAL\" fieldtype=\"string\" WIDTH=\"10\"/></FIELDS>"
                                   "<PARAMS/></METADATA><ROWDATA><ROW PORTAFISCAL=\"COM1\"/></ROWDATA></DATAPACKET>"},
        {"no record", head + "<FIELD attrname=\"PORTAFISCAL\" fieldtype=\"string\" WIDTH=\"10\"/>"
                             "<FIELD attrname=\"IDTIPOIMPFIS\" fieldtype=\"i4\"/></FIELDS><PARAMS/></METADATA>"
                             "<ROWDATA></ROWDATA></DATAPACKET>"},
        {"type not a number", head + "<FIELD attrname=\"PORTAFISCAL\" fieldtype=\"string\" WIDTH=\"10\"/>"
                                     "<FIELD attrname=\"IDTIPOIMPFIS\" fieldtype=\"string\" WIDTH=\"4\"/></FIELDS>"
                                     "<PARAMS/></METADATA><ROWDATA><ROW PORTAFISCAL=\"COM1\" IDTIPOIMPFIS=\"x\"/>"
                                     "</ROWDATA></DATAPACKET>"},
    };
    for (const auto& [what, content] : files) {
        SimSession t{At(2025, 3, 5, 10, 0)};
        std::ofstream(t.folder.file("DedOvor.cds"), std::ios::binary) << content;
        TDateTime date = 7.0;
        try {
            VerificaData(t.session, "Azul", date, "", "", true);
            ADD_FAILURE() << what << ": no error";
        } catch (const std::exception& e) {
            EXPECT_NE(std::string(e.what()).find("DedOvor.cds"), std::string::npos) << what << ": " << e.what();
        }
        EXPECT_EQ(date, 7.0) << what;
        EXPECT_EQ(t.ports.opens(), 0) << what;
        EXPECT_TRUE(t.sink.lines().empty()) << what;
    }
}

}  // namespace
}  // namespace dru::test
