// ImpReciboSangria_IBM: the receipt's lines, pauses and log lines against a
// golden trace, its payment and operator lines, where it leaves the closing
// table's cursor, and the calls it refuses before anything is sent.
#include <gtest/gtest.h>

#include <limits>

#include "documents/documents_rig.h"
#include "documents/withdrawal_receipt.h"
#include "host/errors.h"
#include "module/session.h"

namespace dru::test {
namespace {

struct Closing {
    std::string name;
    double amount;
};

struct ReceiptRig {
    DocumentLink link;
    DataModuleSlot dm{link.format, link.clock};
    Session session{link.ctx, dm, {}};

    TdtmImpressoraIBM& tables() { return dm.get(); }

    void load(const std::vector<Closing>& rows, const std::string& code = "007",
              const std::string& name = "MARIA GONZALEZ") {
        TClientDataSet& fecha = tables().cdsMovFecha;
        fecha.EmptyDataSet();
        for (const Closing& r : rows) {
            fecha.Append();
            fecha.FieldByName("NMTIPORECE").SetAsString(r.name);
            fecha.FieldByName("VRFECHAINF").SetAsFloat(r.amount);
            fecha.Post();
        }
        fecha.First();
        // The operator table takes its fields from the host's table.
        TClientDataSet host;
        host.AddFieldDef("CDOPERADOR", FieldType::String, 10);
        host.AddFieldDef("NMOPERADOR", FieldType::String, 60);
        host.CreateDataSet();
        host.Append();
        host.FieldByName("CDOPERADOR").SetAsString(code);
        host.FieldByName("NMOPERADOR").SetAsString(name);
        host.Post();
        tables().cdsOperadorSup.CopyFrom(host);
    }
    bool run() { return ImpReciboSangria_IBM(session, "Azul", "COM1"); }
    std::vector<std::string> payment_lines() const {
        std::vector<std::string> out;
        const std::vector<std::string> all = link.lines();
        for (std::size_t i = 4; i + 5 < all.size(); ++i) out.push_back(all[i]);
        return out;
    }
};

TEST(WithdrawalReceipt, LinesPausesAndLogLines) {
    ReceiptRig rig;
    rig.load({{"DINERO", 150000},
              {"TARJETA DE CREDITO", 1500.5},
              {"CHEQUE AL DIA DEL BANCO DE CHILE", 20000}});
    rig.link.ports.queue_reply("1\r", "61");
    EXPECT_TRUE(rig.run());
    EXPECT_EQ(rig.link.ports.open_now(), 0);
    ExpectTraceMatchesGolden(rig.link.trace, "documents/cash_withdrawal_receipt.trace");
}

TEST(WithdrawalReceipt, PaymentLinesFromTheCurrentRowToTheEnd) {
    ReceiptRig rig;
    rig.load({{"DINERO", 1500}, {"TARJETA", 1500.5}, {"A NAME LONGER THAN TWENTY-FIVE", 0.25}});
    rig.tables().cdsMovFecha.Next();  // the caller positions the table
    rig.run();
    EXPECT_EQ(rig.payment_lines(), (std::vector<std::string>{
                                       "115TARJETA                   1500,5",
                                       "115A NAME LONGER THAN TWENTY-FIVE 0,25",  // passed whole
                                   }));
    EXPECT_TRUE(rig.tables().cdsMovFecha.Eof());

    // A second call without repositioning lists no payment type.
    rig.link.ports.clear_record();
    rig.run();
    EXPECT_TRUE(rig.payment_lines().empty());
    EXPECT_EQ(rig.link.lines().size(), 9u);
}

TEST(WithdrawalReceipt, AnEmptyClosingPrintsTheFrameOfTheReceipt) {
    ReceiptRig rig;
    rig.load({});
    rig.link.ports.queue_reply("1\r", "61");
    EXPECT_TRUE(rig.run());
    const std::vector<std::string> lines = rig.link.lines();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[2],
              "115" + std::string(11, ' ') + "Relatório de Sangria" + std::string(11, ' '));
    EXPECT_EQ(lines[4], "30");
    EXPECT_EQ(lines[5], "113Operador : 007 MARIA GONZALEZ");
    EXPECT_EQ(lines[6], "112" + std::string(44, '-'));
}

TEST(WithdrawalReceipt, TheOperatorLineIsCutTo48Characters) {
    ReceiptRig rig;
    rig.load({}, "12345", "JOSÉ MIGUEL DE LA FUENTE SEPÚLVEDA");  // 11 + 6 + 34 characters
    rig.run();
    EXPECT_EQ(rig.link.lines()[5], "113Operador : 12345 JOSÉ MIGUEL DE LA FUENTE SEPÚLV");
}

TEST(WithdrawalReceipt, TheVendorLineIsTheShopsOwn) {
    ReceiptRig rig;
    rig.load({});
    rig.link.messages.padrao.set("Korvane", "www.tienda.cl - Fono 22 333 4444");
    rig.run();
    EXPECT_EQ(rig.link.lines()[7], "113www.tienda.cl - Fono 22 333 4444");
}

TEST(WithdrawalReceipt, BeforeTheClosingTablesWereLoadedNothingIsSent) {
    ReceiptRig rig;  // a fresh data module: the cash closing has loaded nothing
    try {
        rig.run();
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "ImpReciboSangria_IBM: cdsOperadorSup holds no operator (the cash closing tables "
                  "are not loaded)");
    }
    EXPECT_TRUE(rig.link.trace.entries().empty());
}

TEST(WithdrawalReceipt, BadClosingRowsAreRefusedBeforeSending) {
    ReceiptRig rig;
    rig.load({{"DINERO", 100}, {"CHEQUE", std::numeric_limits<double>::quiet_NaN()}});
    EXPECT_THROW(rig.run(), EBadArgument);
    EXPECT_TRUE(rig.link.trace.entries().empty());

    // An operator table without the operator's name: the table's own error.
    ReceiptRig other;
    other.load({{"DINERO", 100}});
    TClientDataSet host;
    host.AddFieldDef("CDOPERADOR", FieldType::String, 10);
    host.CreateDataSet();
    host.Append();
    host.FieldByName("CDOPERADOR").SetAsString("007");
    host.Post();
    other.tables().cdsOperadorSup.CopyFrom(host);
    EXPECT_THROW(other.run(), EDatabaseError);
    EXPECT_TRUE(other.link.trace.entries().empty());
}

TEST(WithdrawalReceipt, APortThatDoesNotOpenPrintsNothing) {
    ReceiptRig closed;
    closed.load({{"DINERO", 100}});
    closed.link.ports.fail_open = true;
    EXPECT_FALSE(closed.run());
    EXPECT_TRUE(closed.link.ports.frames().empty());
    EXPECT_TRUE(closed.link.log_messages().empty());
    EXPECT_TRUE(closed.tables().cdsMovFecha.Eof());  // read before the port was tried
}

}  // namespace
}  // namespace dru::test
