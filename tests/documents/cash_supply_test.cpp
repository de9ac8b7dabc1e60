// Suprimento and Sangria: their lines, pauses and log lines against golden
// traces, the amount text they share, the printer's one reply after the
// block, and what they refuse or skip before anything is sent.
#include "documents/cash_supply.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "documents/cash_withdrawal.h"
#include "documents/documents_rig.h"
#include "host/errors.h"
#include "link/frames.h"

namespace dru::test {
namespace {

using Strings = std::vector<std::string>;

bool Supply(DocumentLink& link, double amount, bool boEntraCaixa = true) {
    return Suprimento(link.ctx, "COM1", "Azul", amount, boEntraCaixa);
}

bool Withdrawal(DocumentLink& link, double amount) {
    return Sangria(link.ctx, "COM1", "Azul", amount);
}

bool ReplyLogged(const DocumentLink& link) {
    const Strings logs = link.log_messages();
    return std::any_of(logs.begin(), logs.end(),
                       [](const std::string& m) { return m.starts_with("Resultado : "); });
}

TEST(CashSupply, LinesPausesAndLogLines) {
    DocumentLink link;
    link.ports.queue_reply("1\r", "61");
    EXPECT_TRUE(Supply(link, 1500));
    EXPECT_EQ(link.ports.open_now(), 0);
    ExpectTraceMatchesGolden(link.trace, "documents/cash_supply.trace");
}

TEST(CashWithdrawal, LinesAndPausesWithOnlyTheReplyLogged) {
    DocumentLink link;
    link.ports.queue_reply("1\r", "61");
    EXPECT_TRUE(Withdrawal(link, 25000));
    EXPECT_EQ(link.ports.open_now(), 0);
    ExpectTraceMatchesGolden(link.trace, "documents/cash_withdrawal.trace");
}

TEST(CashAmounts, WholeUnitsWithTheThousandsSeparator) {
    const struct {
        double value;
        const char* text;
    } cases[] = {{1500, "1.500"},   {1499.6, "1.500"}, {0, "0"},
                 {-2500, "-2.500"}, {0.4, "0"},        {1234567, "1.234.567"}};
    for (const auto& k : cases) {
        DocumentLink supply;
        Supply(supply, k.value);
        EXPECT_EQ(supply.lines().at(3), std::string("116Ingresso de Efectivo  : $ ") + k.text)
            << k.value;
        DocumentLink withdrawal;
        Withdrawal(withdrawal, k.value);
        EXPECT_EQ(withdrawal.lines().at(2), std::string("116Sangria de Efectivo  : $ ") + k.text)
            << k.value;
    }
    // The separator is the regional one.
    DocumentLink link;
    link.format.ThousandSeparator = ',';
    Supply(link, 1500);
    EXPECT_EQ(link.lines().at(3), "116Ingresso de Efectivo  : $ 1,500");
}

TEST(CashSupply, DateAndTimeOfTheMomentTheLineIsPrinted) {
    DocumentLink link;  // 08-12-2026 9:05:07, and three pauses of 180 ms before the line
    Supply(link, 1);
    EXPECT_EQ(link.lines().at(2), "111      Fecha: 08-12-2026 Hora: 09:05:07");
    link.format.ShortDateFormat = "dd/MM/yyyy";
    link.format.DateSeparator = '/';
    link.clock.set_now(EncodeDate(2027, 1, 2) + EncodeTime(23, 59, 59, 500));
    link.ports.clear_record();
    Supply(link, 1);
    EXPECT_EQ(link.lines().at(2),
              "111      Fecha: 03/01/2027 Hora: 00:00:00");  // the pauses cross midnight
}

TEST(CashSupply, EntraCaixaDoesNotChangeTheDocument) {
    DocumentLink in, out;
    Supply(in, 700, true);
    Supply(out, 700, false);
    EXPECT_EQ(in.trace.entries(), out.trace.entries());
}

TEST(CashDocuments, ThePrintersReplyIsTheResult) {
    const struct {
        const char* name;
        std::string reply;  // empty: silence
        bool read_fails;
        bool result;
        bool logged;
    } cases[] = {
        {"accepted", "1\r", false, true, true},
        {"one byte", "\r", false, true, true},
        {"data reply", "0:1:2:\r", false, true, true},
        {"paper out", "04361\r", false, false, true},
        {"reduction warning", "06861\r", false, true, true},
        {"silent", "", false, false, false},
        {"read fails: confirms nothing", "", true, false, false},
    };
    for (const auto& k : cases) {
        for (bool supply : {true, false}) {
            DocumentLink link;
            if (k.read_fails)
                link.ports.queue_read_failure("61");
            else if (!k.reply.empty())
                link.ports.queue_reply(k.reply, "61");
            const bool result = supply ? Supply(link, 100) : Withdrawal(link, 100);
            EXPECT_EQ(result, k.result) << k.name << (supply ? " supply" : " withdrawal");
            EXPECT_EQ(ReplyLogged(link), k.logged) << k.name;
            EXPECT_EQ(link.ports.open_now(), 0) << k.name;
            EXPECT_EQ(link.lines().back(), "61") << k.name;  // the whole document was sent first
        }
    }
}

TEST(CashDocuments, AnErrorReplyGoesToTheAnalysis) {
    DocumentLink link;
    link.ports.queue_reply("04361\r", "61");
    EXPECT_FALSE(Supply(link, 100));
    ASSERT_EQ(link.dialog.calls.size(), 1u);
    EXPECT_EQ(link.dialog.calls[0].scheme, "Azul");
    const Strings logs = link.log_messages();
    const auto reply = std::find(logs.begin(), logs.end(), "Resultado : 04361");
    ASSERT_NE(reply, logs.end());
    ASSERT_NE(reply + 1, logs.end());
    EXPECT_EQ(reply[1], "*********Aconteceu um Erro******** Erro 43 Comando 61");
}

TEST(CashDocuments, APortThatDoesNotOpenPrintsNothing) {
    for (bool supply : {true, false}) {
        DocumentLink link;
        link.ports.fail_open = true;
        EXPECT_FALSE(supply ? Supply(link, 100) : Withdrawal(link, 100));
        EXPECT_TRUE(link.ports.frames().empty());
        EXPECT_TRUE(link.log_messages().empty());
        EXPECT_TRUE(link.clock.pauses().empty());
    }
}

TEST(CashDocuments, AnAmountThatIsNotANumberIsRefusedBeforeSending) {
    for (double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        DocumentLink supply;
        EXPECT_THROW(Supply(supply, bad), EBadArgument);
        EXPECT_EQ(supply.ports.opens(), 0);
        DocumentLink withdrawal;
        EXPECT_THROW(Withdrawal(withdrawal, bad), EBadArgument);
        EXPECT_EQ(withdrawal.ports.opens(), 0);
    }
    try {
        DocumentLink link;
        Withdrawal(link, std::numeric_limits<double>::quiet_NaN());
    } catch (const EBadArgument& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Sangria: doValor: ", 0), 0u) << e.what();
    }
}

}  // namespace
}  // namespace dru::test
