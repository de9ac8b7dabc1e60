// Compr_CredPessoal: both copies, their pauses and four log lines against a
// golden trace, the amounts it prints, and what it refuses before sending.
#include "documents/credit_voucher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "documents/documents_rig.h"
#include "dru01000.h"
#include "host/errors.h"
#include "link/commands.h"
#include "link/frames.h"

namespace dru::test {
namespace {

using Strings = std::vector<std::string>;

bool Voucher(DocumentLink& link, TClientDataSet& movements, double doSald) {
    return Compr_CredPessoal(link.ctx, "COM1", movements, doSald, "Ana Perez", "000123",
                             "Perez Soto");
}

// The lines of one copy, from the begin comment to the end comment.
Strings CopyLines(const std::string& amount, const std::string& balance) {
    return {"60",
            "116COMPRA DE CREDITO",
            "116---------------------------",
            "111Nr.Deposito: 000123",
            "111",
            "111Consumidor..: Ana Perez",
            "111Familia.....: Perez Soto",
            "111Valor ......: " + amount,
            "111Saldo Final : " + balance,
            "111",
            "111",
            "111",
            "61"};
}

Strings BothCopies(const std::string& amount, const std::string& balance) {
    Strings lines = CopyLines(amount, balance);
    const Strings copy = lines;
    lines.insert(lines.end(), copy.begin(), copy.end());
    return lines;
}

TEST(CreditVoucher, TwoCopiesWithTheirPausesAndNoReplyRead) {
    DocumentLink link;
    TClientDataSet movements;
    MakeMovements(movements, {{"1", "Efectivo", 3000}, {"2", "Tarjeta", 1500.5}});
    EXPECT_TRUE(Voucher(link, movements, 250));
    EXPECT_EQ(link.ports.open_now(), 0);
    ExpectTraceMatchesGolden(link.trace, "documents/credit_voucher.trace");
}

TEST(CreditVoucher, OnlyTheBeginAndEndOfEachCopyAreLogged) {
    DocumentLink link;
    TClientDataSet movements;
    MakeMovements(movements, {{"1", "Efectivo", 10}});
    Voucher(link, movements, 0);
    const std::string begin = "Inicia Comentario Isento_Composto" + Frame(cmd::kBeginComment);
    const std::string end = "Fim Comentario Isento_Composto" + Frame(cmd::kEndComment);
    EXPECT_EQ(link.log_messages(), (Strings{begin, end, begin, end}));
}

TEST(CreditVoucher, AmountBoughtAndFinalBalance) {
    const struct {
        const char* name;
        std::vector<Movement> rows;
        double doSald;
        const char* amount;
        const char* balance;
    } cases[] = {
        {"two rows",
         {{"1", "Efectivo", 3000}, {"2", "Tarjeta", 1500.5}},
         250,
         "$ 4.500,50",
         "$ 4.750,50"},
        {"no rows", {}, 1234.5, "$ 0,00", "$ 1.234,50"},
        {"negative balance before", {{"1", "Efectivo", 1000}}, -1500, "$ 1.000,00", "-$ 500,00"},
    };
    for (const auto& k : cases) {
        DocumentLink link;
        TClientDataSet movements;
        MakeMovements(movements, k.rows);
        EXPECT_TRUE(Voucher(link, movements, k.doSald)) << k.name;
        EXPECT_EQ(link.lines(), BothCopies(k.amount, k.balance)) << k.name;
    }
}

TEST(CreditVoucher, APortThatDoesNotOpenPrintsNothing) {
    DocumentLink link;
    link.ports.fail_open = true;
    TClientDataSet movements;
    MakeMovements(movements, {{"1", "Efectivo", 10}});
    EXPECT_FALSE(Voucher(link, movements, 0));
    EXPECT_TRUE(link.ports.frames().empty());
    EXPECT_TRUE(link.log_messages().empty());
    EXPECT_TRUE(link.clock.pauses().empty());
}

TEST(CreditVoucher, ABadTableOrAmountIsRefusedBeforeThePortOpens) {
    const auto expect_refused = [](TClientDataSet& movements, double doSald, ErrorKind kind,
                                   const std::string& message) {
        DocumentLink link;
        try {
            Voucher(link, movements, doSald);
            ADD_FAILURE() << "no error for " << message;
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), kind) << e.what();
            EXPECT_EQ(std::string(e.what()), message);
        }
        EXPECT_TRUE(link.trace.entries().empty()) << message;  // the port was never opened
    };
    TClientDataSet never_created;
    expect_refused(never_created, 0, ErrorKind::Table,
                   "Compr_CredPessoal: cdsMovCaixaCred is not open");
    TClientDataSet no_amount;
    no_amount.AddFieldDef("IDTIPORECE", FieldType::String, 1);
    no_amount.CreateDataSet();
    expect_refused(no_amount, 0, ErrorKind::Table,
                   "Compr_CredPessoal: cdsMovCaixaCred has no field VRMOVIVEND");
    TClientDataSet not_a_number;
    MakeMovements(not_a_number, {{"1", "Efectivo", 10},
                                 {"1", "Efectivo", std::numeric_limits<double>::infinity()}});
    expect_refused(not_a_number, 0, ErrorKind::BadArgument,
                   "Compr_CredPessoal: row 2, VRMOVIVEND: inf is not a finite number");
    TClientDataSet fine;
    MakeMovements(fine, {{"1", "Efectivo", 10}});
    expect_refused(fine, std::numeric_limits<double>::quiet_NaN(), ErrorKind::BadArgument,
                   "Compr_CredPessoal: final balance: nan is not a finite number");
}

// The C entry point on the module's own services, with a port name that
// resolves to nothing: the opening fails, so no line is touched.
bool VoucherThroughC(DruDataSet* movements, DruText* stCupomDia, const char* unused) {
    return ::Compr_CredPessoal("NOPORT", unused, unused, unused, unused, unused, stCupomDia,
                               stCupomDia, movements, 100, "Ana Perez", "000123", unused, unused,
                               unused, unused, unused, unused, unused, unused, unused, unused,
                               unused, unused, true, "Perez Soto", unused);
}

TEST(CreditVoucherApi, APortThatDoesNotOpenIsFalseAndLeavesTheTextsAlone) {
    DruDataSet* movements = dru_dataset_new();
    dru_dataset_add_field(movements, "VRMOVIVEND", DRU_FT_FLOAT, 0);
    dru_dataset_create(movements);
    DruText* cupom = dru_text_new("0000042");
    for (const char* unused : {static_cast<const char*>(nullptr), "", "X"}) {
        EXPECT_FALSE(VoucherThroughC(movements, cupom, unused));
        EXPECT_EQ(dru_last_error_code(), DRU_ERR_PORT) << dru_last_error();  // the port named, and why
        EXPECT_STREQ(dru_text_get(cupom), "0000042");
    }
    EXPECT_FALSE(VoucherThroughC(movements, nullptr, nullptr));  // the texts may be NULL
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_PORT);
    dru_text_free(cupom);
    dru_dataset_free(movements);
}

TEST(CreditVoucherApi, AMissingOrWrongTableIsAnError) {
    EXPECT_FALSE(VoucherThroughC(nullptr, nullptr, nullptr));
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_BAD_ARGUMENT);
    EXPECT_NE(std::string(dru_last_error()).find("cdsMovCaixaCred"), std::string::npos)
        << dru_last_error();
    DruDataSet* wrong = dru_dataset_new();
    dru_dataset_add_field(wrong, "VRFECHAINF", DRU_FT_FLOAT, 0);
    dru_dataset_create(wrong);
    EXPECT_FALSE(VoucherThroughC(wrong, nullptr, nullptr));
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_TABLE);
    EXPECT_STREQ(dru_last_error(), "Compr_CredPessoal: cdsMovCaixaCred has no field VRMOVIVEND");
    dru_dataset_free(wrong);
}

}  // namespace
}  // namespace dru::test
