// The printer model: its replies on the wire, the 481 field positions the
// driver reads, the 432 list for both printer types, the fiscal state
// machine, and the misbehaviour knobs.
#include "printer_model.h"

#include <gtest/gtest.h>

#include <sstream>

#include "host/clock.h"
#include "host/format.h"
#include "link/frames.h"

namespace dru::sim {
namespace {

std::string F(std::string_view command) { return "\x87" + std::string(command) + "\x88"; }

// The text the driver makes of a reply: cut at a zero byte, last byte dropped.
std::string Text(std::string bytes) {
    bytes = bytes.substr(0, bytes.find('\0'));
    if (!bytes.empty()) bytes.pop_back();
    return bytes;
}

struct Model {
    explicit Model(PrinterConfig c = {}) : m(clock, std::move(c)) {}
    // Sends frames and returns what the printer answered, as bytes.
    std::string send(std::initializer_list<std::string_view> commands) {
        for (auto c : commands) m.feed(F(c));
        return m.take_output();
    }
    VirtualClock clock;
    PrinterModel m;
};

const char* kSale[] = {"000", "12",
                       "13112" "7790001000017" "000002000" "000001500" "000003000" "CAFE",
                       "13112" "7790001000024" "000001000" "000002000" "000002000" "T\xC9",
                       "200000005000", "26" "11" "01" "0000003000", "26" "11" "03" "0000002500",
                       "271000000000", "98"};

void RunSale(Model& s) {
    for (auto c : kSale) s.m.feed(F(c));
}

TEST(PrinterModelReplies, PlainCommandsByState) {
    struct Case {
        const char* name;
        bool period_open;
        bool training;
        const char* command;
        const char* reply;
    };
    const Case cases[] = {
        {"drawer", true, false, "34255255", "1\r"},
        {"drawer with the period closed", false, false, "34255255", "1\r"},
        {"repeat", true, false, "18", "1\r"},
        {"state when ready", true, false, "35", "00\r"},
        {"state with the period closed", false, false, "35", "06035\r"},
        {"X reading", true, false, "01", "1\r"},
        {"X reading with the period closed", false, false, "01", "06001\r"},
        {"Z reduction with the period closed", false, false, "021", "06002\r"},
        {"Z reduction in training mode", true, true, "021", "06402\r"},
        {"open period when closed", false, false, "32", "1\r"},
        {"open period when already open", true, false, "32", "05932\r"},
        {"end comment with no block", true, false, "61", "01961\r"},
    };
    for (const auto& c : cases) {
        PrinterConfig config;
        config.sales_period_open = c.period_open;
        config.training = c.training;
        Model s(config);
        EXPECT_EQ(s.send({c.command}), c.reply) << c.name;
    }
}

TEST(PrinterModelReplies, SilentCommandsAnswerNothing) {
    Model s;
    for (auto c : kSale) EXPECT_EQ(s.send({c}), "") << c;
    EXPECT_EQ(s.send({"60", "111hola", "30"}), "");
    EXPECT_EQ(s.send({"61"}), "1\r");
}

TEST(PrinterModelReplies, NoReplyContainsAColonUnlessItIsData) {
    PrinterConfig closed;
    closed.sales_period_open = false;
    Model s(closed);
    for (auto c : {"01", "021", "18", "32", "34255255", "35", "61"})
        EXPECT_EQ(s.send({c}).find(':'), std::string::npos) << c;
}

TEST(PrinterModelCounters, FieldsAtTheirPositions) {
    PrinterConfig config;
    config.ecf_number = "12";
    config.serial = "XYZ98765";
    Model s(config);
    s.clock.set_now(EncodeDate(2025, 3, 5) + EncodeTime(9, 7, 30, 0));
    RunSale(s);
    const std::string reply = Text(s.send({"481"}));
    ASSERT_EQ(reply.back(), ':') << "every field is followed by a colon";
    EXPECT_GE(std::count(reply.begin(), reply.end(), ':'), 49);
    EXPECT_EQ(ReadField(reply, 0), "41");
    EXPECT_EQ(ReadField(reply, 1), "1001");
    EXPECT_EQ(ReadField(reply, 2), "1001");
    EXPECT_EQ(ReadField(reply, 3), "5000");
    EXPECT_EQ(ReadField(reply, 4), "2500");  // Efectivo, net of the 500 change
    EXPECT_EQ(ReadField(reply, 5), "0");     // Cheque
    EXPECT_EQ(ReadField(reply, 6), "2500");  // Tarjeta Credito
    EXPECT_EQ(ReadField(reply, 7), "0");
    EXPECT_EQ(ReadField(reply, 8), "0");
    EXPECT_EQ(ReadField(reply, 30), "12");
    EXPECT_EQ(ReadField(reply, 42).substr(4), "XYZ98765");
    EXPECT_EQ(ReadField(reply, 44), "05032025");
    EXPECT_EQ(ReadField(reply, 45), "0907");
    EXPECT_EQ(ReadField(reply, 48), "0");
}

TEST(PrinterModelCounters, LastZNumberLeadingZerosOnlyOnRequest) {
    PrinterConfig config;
    config.z_count = 67;
    Model s(config);
    EXPECT_EQ(s.send({"481"}).substr(0, 3), "67:");
    s.m.knobs().z_number_width = 3;
    EXPECT_EQ(s.send({"481"}).substr(0, 4), "067:");
}

TEST(PrinterModelCounters, OverdueIndicatorCountsDaysOfTheOpenPeriod) {
    Model s;
    s.m.set_printer_time(s.m.printer_time() + 3);
    EXPECT_EQ(ReadField(Text(s.send({"481"})), 48), "3");
    // The printer then refuses a fiscal receipt until the Z reduction.
    EXPECT_EQ(s.send({"000", "60", "61"}), "06700\r");
    EXPECT_EQ(s.m.receipt_phase(), ReceiptPhase::None);
    EXPECT_EQ(s.send({"021", "32"}), "1\r1\r");
    EXPECT_EQ(ReadField(Text(s.send({"481"})), 48), "0");
}

// The payment-forms list cut into lines the way each printer type ends them.
std::vector<std::string> Lines(const std::string& text, char eol) {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line, eol)) lines.push_back(line);
    return lines;
}

TEST(PrinterModelPaymentForms, ListFormForBothTypes) {
    for (int type : {16, 30}) {
        PrinterConfig config;
        config.type = type;
        Model s(config);
        RunSale(s);
        const std::string text = Text(s.send({"432"}));
        const char eol = type == 16 ? '\r' : '\n';
        const char other = type == 16 ? '\n' : '\r';
        EXPECT_EQ(text.find(other), std::string::npos) << type;
        EXPECT_NE(text[0], '0') << "a list beginning with 0 reads as an error reply";
        ASSERT_EQ(text.back(), eol) << type;
        const auto lines = Lines(text, eol);
        const auto header = std::find(lines.begin(), lines.end(), "TOTALES POR FORMA DE PAGO");
        ASSERT_NE(header, lines.end()) << type;
        const std::size_t first = header - lines.begin() + 1;
        const std::size_t dash_column = type == 16 ? 0 : 1;
        // Seven forms, three lines each, then the dash line.
        ASSERT_EQ(lines.size(), first + 7 * 3 + 1) << type;
        for (std::size_t i = first; i < first + 21; ++i)
            EXPECT_NE(lines[i].substr(dash_column, 5), "-----") << type << " line " << i;
        EXPECT_EQ(lines.back().substr(dash_column, 5), "-----") << type;
        EXPECT_NE(lines[first + 2 * 3].find("TARJETA CREDITO"), std::string::npos) << "group 3";
        EXPECT_NE(lines[first + 1].find("2500"), std::string::npos) << "cash, net, in its group";
        if (type == 30) {
            EXPECT_EQ(lines.back()[0], ' ');
        }
    }
}

TEST(PrinterModelState, SaleUpdatesCountersAndPaper) {
    Model s;
    RunSale(s);
    EXPECT_EQ(s.m.receipt_phase(), ReceiptPhase::None);
    EXPECT_EQ(s.m.receipt_count(), 1001);
    EXPECT_EQ(s.m.first_receipt_of_day(), 1001);
    EXPECT_EQ(s.m.gross_sales(), 5000);
    EXPECT_EQ(s.m.form_total(1), 2500) << "3000 cash less the 500 change";
    EXPECT_EQ(s.m.form_total(3), 2500);
    ASSERT_EQ(s.m.items().size(), 2u);
    EXPECT_EQ(s.m.items()[0].quantity_milli, 2000);
    EXPECT_EQ(s.m.items()[1].description, "T\u00c9");  // Latin-1 0xC9 read as É
    const std::string paper = s.m.paper_text();
    EXPECT_NE(paper.find("BOLETA NRO 0000001001"), std::string::npos);
    EXPECT_NE(paper.find("Vuelto"), std::string::npos);  // paid 5500 for 5000
}

TEST(PrinterModelState, ZReductionClosesTheDay) {
    Model s;
    RunSale(s);
    EXPECT_EQ(s.send({"021"}), "1\r");
    EXPECT_EQ(s.m.z_count(), 42);
    EXPECT_FALSE(s.m.sales_period_open());
    EXPECT_EQ(s.m.gross_sales(), 0);
    EXPECT_EQ(s.m.first_receipt_of_day(), 0);
    EXPECT_EQ(s.m.receipt_count(), 1001) << "receipt numbers run on across days";
    EXPECT_NE(s.m.paper_text().find("REDUCCION Z NRO 0042"), std::string::npos);
    EXPECT_EQ(s.send({"000"}), "");
    EXPECT_EQ(s.m.receipt_phase(), ReceiptPhase::None) << "no receipt while the period is closed";
}

TEST(PrinterModelState, CommentBlockKeepsStylesAndReportsFirstError) {
    Model s;
    EXPECT_EQ(s.send({"60", "111uno", "116dos", "30", "61"}), "1\r");
    EXPECT_EQ(s.m.paper_text(), "[1] uno\n[6] dos\n\n");

    struct Case {
        const char* name;
        std::vector<std::string_view> frames;
        const char* end_reply;
    };
    const std::vector<Case> cases = {
        {"line outside a block", {"111x", "60"}, "01911\r"},
        {"block inside an open block", {"60", "60"}, "01960\r"},
        {"item with no receipt", {"13112" "0000000000000" "000001000" "000000100" "000000100" "X", "60"},
         "01913\r"},
        {"cut during payments, then a later error",
         {"000", "12", "13112" "0000000000000" "000001000" "000000100" "000000100" "X", "200000000100",
          "2611010000001000", "98", "99", "60"},
         "01998\r"},
        {"unknown command", {"77", "60"}, "01877\r"},
        {"malformed total", {"000", "12", "20abc", "27", "60"}, "01820\r"},
    };
    for (const auto& c : cases) {
        Model t;
        for (auto f : c.frames) t.m.feed(F(f));
        EXPECT_EQ(t.send({"61"}), c.end_reply) << c.name;
        EXPECT_EQ(t.send({"60", "61"}), t.m.receipt_phase() == ReceiptPhase::None ? "1\r" : "01960\r")
            << c.name << ": the error is reported once";
    }
    PrinterConfig closed;
    closed.sales_period_open = false;
    Model u(closed);
    EXPECT_EQ(u.send({"60", "111x", "61"}), "06060\r");
}

TEST(PrinterModelFrames, SplitsFramesFromAnyByteStream) {
    Model s;
    s.m.feed("noise\x88");
    s.m.feed("\x87" "4");
    s.m.feed("81\x88junk\x87" "3");  // a half frame ...
    s.m.feed("\x87" "18\x88");          // ... dropped by the next frame start
    EXPECT_EQ(s.m.frames(), (std::vector<std::string>{"481", "18"}));
    s.m.feed("\x87" + std::string(kMaxFrameBytes + 1, '1') + "\x88");
    EXPECT_EQ(s.m.frames().size(), 2u) << "an endless frame is dropped";
}

TEST(PrinterModelKnobs, ShapeTheReplyBytes) {
    struct Case {
        const char* name;
        void (*set)(Knobs&);
        std::string expected;
    };
    const Case cases[] = {
        {"silent", [](Knobs& k) { k.silent = true; }, ""},
        {"forced error", [](Knobs& k) { k.errors["34"] = 43; }, "04334\r"},
        {"garbage", [](Knobs& k) { k.garbage = "\xFF?x"; }, "\xFF?x"},
        {"partial", [](Knobs& k) { k.partial = 1; }, "1"},
        {"zero byte inside", [](Knobs& k) { k.zero_at = 0; }, std::string("\0" "1\r", 3)},
        {"other command untouched", [](Knobs& k) { k.silent = true; k.only_command = "481"; }, "1\r"},
    };
    for (const auto& c : cases) {
        Model s;
        c.set(s.m.knobs());
        EXPECT_EQ(s.send({"34255255"}), c.expected) << c.name;
    }
    Model s;
    s.m.knobs().pad_to = 4001;
    const std::string big = s.send({"481"});
    EXPECT_EQ(big.size(), 4001u);
    EXPECT_EQ(big.back(), kReplyTerminator);
    EXPECT_EQ(ReadField(Text(big), 48), "0") << "padding changes no field";
}

TEST(PrinterModelKnobs, ForcedErrorsLeaveStateAndOnceMeansOnce) {
    Model s;
    s.m.knobs().errors_once["021"] = 67;
    EXPECT_EQ(s.send({"021"}), "06702\r");
    EXPECT_TRUE(s.m.sales_period_open());
    EXPECT_EQ(s.send({"021"}), "1\r");
    EXPECT_FALSE(s.m.sales_period_open());
}

TEST(PrinterModelKnobs, LateRepliesWaitOnTheClock) {
    Model s;
    s.m.knobs().late_ms = 1500;
    EXPECT_EQ(s.send({"18"}), "");
    EXPECT_EQ(s.m.next_output_due(), std::optional<std::int64_t>(1500));
    s.clock.advance_ms(1500);
    EXPECT_EQ(s.m.take_output(), "1\r");
    s.m.feed(F("18"));
    s.m.disconnect();
    s.clock.advance_ms(2000);
    EXPECT_EQ(s.m.take_output(), "") << "a reply nobody waited for is lost with the port";
}

}  // namespace
}  // namespace dru::sim
