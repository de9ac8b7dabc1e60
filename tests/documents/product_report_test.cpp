// The managerial product report: its lines, pauses and log lines against a
// golden trace, the 27-line blocks, the columns, the three answers of the
// print flag, the bounded repetition, the refusals before anything is sent,
// and the C and C++ entry points.
#include "documents/product_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "documents/documents_rig.h"
#include "dru01000.h"
#include "dru01000.hpp"
#include "host/errors.h"
#include "module/session.h"

namespace dru::test {
namespace {

using Strings = std::vector<std::string>;

struct Product {
    std::string code;
    std::string name;
    double qty;
    double total;
};

void MakeProducts(TClientDataSet& ds, const std::vector<Product>& rows) {
    ds.AddFieldDef("CDPRODUTO", FieldType::String, 20);
    ds.AddFieldDef("NMPRODUTO", FieldType::String, 40);
    ds.AddFieldDef("QTPRODVEND", FieldType::Float);
    ds.AddFieldDef("VRTOTAL", FieldType::Float);
    ds.CreateDataSet();
    for (const Product& r : rows) {
        ds.Append();
        ds.FieldByName("CDPRODUTO").SetAsString(r.code);
        ds.FieldByName("NMPRODUTO").SetAsString(r.name);
        ds.FieldByName("QTPRODVEND").SetAsFloat(r.qty);
        ds.FieldByName("VRTOTAL").SetAsFloat(r.total);
        ds.Post();
    }
}

// n products with codes P001 ... in order, each one unit of 10.
std::vector<Product> Numbered(int n) {
    std::vector<Product> rows;
    for (int k = 1; k <= n; ++k) {
        std::string code = std::to_string(k);
        rows.push_back({"P" + std::string(3 - code.size(), '0') + code, "ITEM", 1, 10});
    }
    return rows;
}

const std::string kContinued = "116Continuación debajo...";

struct ReportRig {
    DocumentLink link;
    DataModuleSlot dm{link.format, link.clock};
    Session session{link.ctx, dm, {}};
    TClientDataSet host;

    explicit ReportRig(const std::vector<Product>& rows = {}) { MakeProducts(host, rows); }
    TClientDataSet& products() { return dm.get().cdsProdVend; }
    void answer() { link.ports.queue_reply("1\r", "61"); }
    void run(const std::string& flag = "N") {
        Relatorio_Produto(session, "COM1", host, flag, "Azul");
    }
    // Only the copy, for calling the printing on its own.
    void copy() { products().CopyFrom(host); }
    bool print() { return ImpRelGerencial_IBM(session, "Azul", "COM1"); }
    Strings lines() const { return link.lines(); }
    // The product lines (frames 111 between the column header and the line feed).
    Strings product_lines() const {
        const Strings all = lines();
        Strings out;
        for (std::size_t i = 4; i + 3 < all.size(); ++i)
            if (all[i].starts_with("111")) out.push_back(all[i].substr(3));
        return out;
    }
};

TEST(ProductReport, LinesPausesAndLogLines) {
    ReportRig rig({{"300", "PISCO SOUR", 1.5, 6000},
                   {"100", "LOMO A LO POBRE", 2, 25000},
                   {"200", "CAFE", 3, 4500}});
    rig.answer();
    rig.run();
    EXPECT_EQ(rig.link.ports.open_now(), 0);
    EXPECT_TRUE(rig.link.dialog.calls.empty());
    ExpectTraceMatchesGolden(rig.link.trace, "documents/product_report.trace");

    ReportRig full(Numbered(28));  // one block break, its pauses and log lines
    full.answer();
    full.run();
    ExpectTraceMatchesGolden(full.link.trace, "documents/product_report_block_break.trace");
    const Strings& wire = full.link.ports.frames();  // the ó goes out as the one byte 0xF3
    EXPECT_NE(std::find(wire.begin(), wire.end(),
                        "\x87"
                        "116Continuaci\xF3n debajo...\x88"),
              wire.end());
}

TEST(ProductReport, HeaderProductAndTotalColumns) {
    ReportRig rig(
        {{"B", "CAFE", 1.5, 1234}, {"A2345678901234567", "A NAME LONGER THAN 14", 12.25, 0.5}});
    rig.copy();
    rig.answer();
    EXPECT_TRUE(rig.print());
    const Strings lines = rig.lines();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], "60");
    EXPECT_EQ(lines[1], "116     Relatório de Produtos  -  08-12-2026");
    EXPECT_EQ(lines[2], "30");
    // 13 + 16 + 5 + 9: the quantity and total columns end under QTDE and VLR.TOT.
    EXPECT_EQ(lines[3], "111CODIGO       NOME             QTDE VLR.TOT.");
    // Sorted by code; code and name cut to 13 and 14.
    EXPECT_EQ(lines[4], "111A234567890123A NAME LONGER   12,25     0,50");
    EXPECT_EQ(lines[5], "111B            CAFE             1,50  1234,00");
    EXPECT_EQ(lines[4].size() - 3, 43u);
    EXPECT_EQ(lines[6], "30");
    EXPECT_EQ(lines[7], "111VALOR                                1234,50");
    EXPECT_EQ(lines[7].size() - 3, 44u);
    EXPECT_EQ(lines[8], "61");
    // The table's own order again afterwards, still open for another attempt.
    EXPECT_EQ(rig.products().IndexName(), "");
    EXPECT_TRUE(rig.products().Active());
}

TEST(ProductReport, BlocksOfAtMost27ProductLines) {
    const struct {
        int products;
        std::size_t breaks;
    } cases[] = {{27, 0}, {28, 1}, {54, 1}, {55, 2}};
    for (const auto& c : cases) {
        ReportRig rig(Numbered(c.products));
        rig.answer();
        rig.run();
        const Strings lines = rig.lines();
        std::vector<std::size_t> at;
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (lines[i] == kContinued) at.push_back(i);
        ASSERT_EQ(at.size(), c.breaks) << c.products;
        for (std::size_t b = 0; b < at.size(); ++b) {
            // The header's four lines, then 27 products per block and three
            // lines per earlier break.
            EXPECT_EQ(at[b], 4 + 27 * (b + 1) + 3 * b) << c.products;
            EXPECT_EQ(lines[at[b] + 1], "61");
            EXPECT_EQ(lines[at[b] + 2], "60");
            // The next product (not lost, not repeated) opens the new block.
            EXPECT_TRUE(lines[at[b] + 3].starts_with(
                "111P" + std::string(27 * (b + 1) + 1 < 100 ? "0" : "") +
                std::to_string(27 * (b + 1) + 1)))
                << lines[at[b] + 3];
        }
        EXPECT_EQ(rig.product_lines().size(), static_cast<std::size_t>(c.products));
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "60"), static_cast<long>(c.breaks + 1));
        EXPECT_EQ(lines.back(), "61");
    }
}

TEST(ProductReport, ThePrintFlag) {
    const std::vector<Product> one = {{"1", "CAFE", 1, 1500}};
    {
        ReportRig rig(one);
        rig.answer();
        rig.run("N");
        EXPECT_TRUE(rig.link.dialog.calls.empty());
        EXPECT_FALSE(rig.lines().empty());
        EXPECT_FALSE(rig.products().Active());  // closed after the report
    }
    {
        ReportRig rig(one);
        rig.link.dialog.answer = true;
        rig.answer();
        rig.run("S");
        ASSERT_EQ(rig.link.dialog.calls.size(), 1u);
        const DialogCall& q = rig.link.dialog.calls[0];
        EXPECT_EQ(q.text, "Confirma impressão do Relatório de Produtos?");
        EXPECT_EQ(q.arg2, "");
        EXPECT_EQ(q.arg3, "N");
        EXPECT_EQ(q.question, "S");
        EXPECT_EQ(q.kind, TTipoMsg::Tipo1);
        EXPECT_EQ(q.arg6, "");
        EXPECT_EQ(q.scheme, "Azul");
        EXPECT_EQ(q.arg8, 0);
        EXPECT_EQ(q.table, nullptr);
        EXPECT_FALSE(rig.lines().empty());
    }
    {
        ReportRig rig(one);  // the operator says no
        rig.run("S");
        EXPECT_EQ(rig.link.dialog.calls.size(), 1u);
        EXPECT_EQ(rig.link.ports.opens(), 0);
        EXPECT_EQ(rig.products().RecordCount(), 1);  // copied all the same
    }
    for (const char* flag : {"", "X", "n"}) {
        ReportRig rig(one);
        rig.run(flag);
        EXPECT_TRUE(rig.link.dialog.calls.empty()) << flag;
        EXPECT_EQ(rig.link.ports.opens(), 0) << flag;
    }
    {
        ReportRig rig;  // an empty table: asked first, then nothing printed
        rig.link.dialog.answer = true;
        rig.run("S");
        EXPECT_EQ(rig.link.dialog.calls.size(), 1u);
        EXPECT_EQ(rig.link.ports.opens(), 0);
        EXPECT_TRUE(rig.link.log_messages().empty());
    }
}

TEST(ProductReport, RepetitionIsBoundedByTheRetryRule) {
    ReportRig rig({{"1", "CAFE", 1, 1500}});
    rig.run();  // the printer never answers
    EXPECT_EQ(rig.link.ports.opens(), 3);
    EXPECT_EQ(rig.link.ports.open_now(), 0);
    const Strings lines = rig.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "61"), 3);
    const Strings log = rig.link.log_messages();
    EXPECT_EQ(log.back(), "Impressora sem resposta apos 3 tentativas: Relatorio_Produto");
    ASSERT_EQ(rig.link.dialog.calls.size(), 1u);
    EXPECT_EQ(rig.link.dialog.calls[0].text, rig.link.messages.padrao.Msg("IMP_SEM_RESPOSTA"));
    EXPECT_EQ(rig.link.dialog.calls[0].scheme, "Azul");
    EXPECT_FALSE(rig.products().Active());

    ReportRig second({{"1", "CAFE", 1, 1500}});
    second.link.ports.queue_reply("", "61");  // silence once, then accepted
    second.answer();
    second.run();
    EXPECT_EQ(second.link.ports.opens(), 2);
    EXPECT_TRUE(second.link.dialog.calls.empty());
}

TEST(ProductReport, APortThatDoesNotOpenPrintsNothing) {
    ReportRig rig({{"2", "B", 1, 1}, {"1", "A", 1, 1}});
    rig.copy();
    rig.link.ports.fail_open = true;
    EXPECT_FALSE(rig.print());
    EXPECT_TRUE(rig.link.ports.frames().empty());
    EXPECT_TRUE(rig.link.log_messages().empty());
    EXPECT_EQ(rig.products().IndexName(), "");
}

TEST(ProductReport, RefusedBeforeAnythingIsSent) {
    {
        ReportRig rig({{"1", "A", 1, 1}});  // no copy yet
        EXPECT_THROW(rig.print(), EDatabaseError);
        EXPECT_EQ(rig.link.ports.opens(), 0);
    }
    {
        ReportRig rig({{"1", "A", 1, 1}});
        rig.answer();
        rig.run();
        EXPECT_THROW(rig.print(), EDatabaseError);  // the report closed its copy
        EXPECT_EQ(rig.link.ports.opens(), 1);
    }
    const struct {
        const char* name;
        std::vector<Product> rows;
        const char* message;
    } cases[] = {
        {"quantity over 6", {{"1", "A", 1, 1}, {"2", "B", 1000, 1}}, "row 2, QTPRODVEND"},
        {"total over 9", {{"1", "A", 1, 123456.78}, {"2", "B", 1, 1234567}}, "row 2, VRTOTAL"},
    };
    for (const auto& c : cases) {
        ReportRig rig(c.rows);
        try {
            rig.run();
            ADD_FAILURE() << c.name;
        } catch (const EBadArgument& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
        EXPECT_EQ(rig.link.ports.opens(), 0) << c.name;
    }
    {
        // Each total fits its 9 columns, their sum not the grand total's 13.
        std::vector<Product> rows(10001, Product{"1", "A", 1, 999999.99});
        ReportRig rig(rows);
        EXPECT_THROW(rig.run(), EBadArgument);
        EXPECT_EQ(rig.link.ports.opens(), 0);
    }
    {
        ReportRig rig;
        TClientDataSet lacking;
        lacking.AddFieldDef("CDPRODUTO", FieldType::String, 20);
        lacking.CreateDataSet();
        rig.products().CopyFrom(lacking);
        EXPECT_THROW(rig.print(), EDatabaseError);
        EXPECT_EQ(rig.link.ports.opens(), 0);
    }
}

TEST(ProductReportApi, EntryPointsAndTheirErrors) {
    constexpr const char* kNoPort = "NOPORT";  // resolves to no device: the opening fails
    EXPECT_FALSE(dru01000::ImpRelGerencial_IBM("Azul", kNoPort));  // nothing copied yet
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_TABLE);
    EXPECT_NE(std::string(dru_last_error()).find("cdsProdVend is not open"), std::string::npos);

    ::Relatorio_Produto(kNoPort, "D", "SERIE", "0001", "01", nullptr, nullptr, "N", "", "Azul",
                        nullptr);
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_BAD_ARGUMENT);
    EXPECT_EQ(std::string(dru_last_error()), "Relatorio_Produto: cdsProdAux is NULL");

    DruDataSet* ds = dru_dataset_new();
    dru_dataset_add_field(ds, "CDPRODUTO", DRU_FT_STRING, 20);
    dru_dataset_add_field(ds, "NMPRODUTO", DRU_FT_STRING, 40);
    dru_dataset_add_field(ds, "QTPRODVEND", DRU_FT_FLOAT, 0);
    dru_dataset_add_field(ds, "VRTOTAL", DRU_FT_FLOAT, 0);
    dru_dataset_create(ds);
    dru_dataset_append(ds);
    dru_dataset_set_text(ds, "CDPRODUTO", "1");
    dru_dataset_set_number(ds, "VRTOTAL", 1500);
    dru_dataset_post(ds);
    DruText* cupom = dru_text_new("77");
    bool control = true;
    // The port never opens: tried and given up, the copy dropped.
    ::Relatorio_Produto(kNoPort, "D", "SERIE", "0001", "01", cupom, ds, "N", "", "Azul", &control);
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_PORT) << dru_last_error();  // which port, and why
    EXPECT_EQ(std::string(dru_text_get(cupom)), "77");
    EXPECT_TRUE(control);
    EXPECT_FALSE(dru01000::ImpRelGerencial_IBM("Azul", kNoPort));
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_TABLE);
    dru_text_free(cupom);
    dru_dataset_free(ds);
}

}  // namespace
}  // namespace dru::test
