// The documents: sale FILE, bill FILE, supply AMOUNT, withdrawal AMOUNT,
// product-report FILE, credit-voucher FILE, closing FILE. A document is one function
// below that returns its Document (name, help, example, input and call),
// listed in kDocuments; the group gives each its subcommand, reads and
// checks its input before anything is sent, and runs it with a progress bar
// where it lasts.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli.h"
#include "json_input.h"
#include "layouts.h"
#include "session.h"

namespace dru::cli {

namespace {

// What a document's call gets: its checked input file, or its amount.
struct DocumentInput {
    const Input* file = nullptr;
    double amount = 0;
};

struct Document {
    std::string name;
    std::string summary;  // one line, with the entry point
    std::string example;
    std::optional<Schema> schema;   // the input file's; none: the document takes AMOUNT
    std::string irreversible = {};  // non-empty: confirmed first
    std::function<void(const DocumentInput&, CallContext&, Report&)> call;
};

using Member::Type::Flag;
using Member::Type::Number;
using Member::Type::Params;
using Member::Type::Table;
using Member::Type::Text;

const char* TrueFalse(bool b) {
    return b ? "true" : "false";
}

// A document's boolean verdict: false is a failure the printer reported.
void Judge(Report& r, const std::string& entry, bool printed) {
    r.result = printed;
    if (!r.took(entry)) return;
    r.line(entry + ": " + TrueFalse(printed));
    if (!printed) {
        r.verdict = "the printer did not confirm the document";
        r.exit_code = kFailed;
    }
}

// ---- The documents -----------------------------------------------------------------------

Document Sale() {
    static const Layout kSaleParams = {
        {"ESQUEMACOR", FieldKind::Text},     {"SENHACUPOM", FieldKind::Text},
        {"TIPOVENDA", FieldKind::Text},      {"NMCONSUMIDOR", FieldKind::Text},
        {"DSOBSCUPFIS", FieldKind::Text},    {"SALDODEBITO", FieldKind::Float},
        {"PRECOSUBSIDIO", FieldKind::Float}, {"TOTPARCCV", FieldKind::Text},
        {"CDFILIAL", FieldKind::Text},       {"CDCAIXA", FieldKind::Text},
        {"NRLAUDO", FieldKind::Text},
    };
    return {
        .name = "sale",
        .summary =
            "print a finished sale: fiscal receipt, debit receipt or voucher ticket "
            "(ImpressaoVenda)",
        .example = "dru sale examples/sale.json --preview",
        .schema = Schema{{"Params", Params, false, kSaleParams, {"CDPORTAIMPFIS", "IDTIPOIMPFIS"}},
                         {"cdsVendas", Table, true, layouts::SaleItems()},
                         {"cdsMovi", Table, true, layouts::SaleMovements()},
                         {"cdsRecebimento", Table, false, layouts::PaymentTypes()},
                         {"cdsSaldCred", Table, false, layouts::CreditBalances()},
                         {"cdsFamiliaSaldo", Table, false, layouts::FamilyBalances()},
                         {"cdsEmprestimo", Table, false, layouts::Loans()},
                         {"IdImpSaldoCup", Text}},
        .call =
            [](const DocumentInput& in, CallContext& c, Report& r) {
                const Input& f = *in.file;
                std::vector<std::pair<std::string, std::string>> added = {
                    {"CDPORTAIMPFIS", c.port}, {"IDTIPOIMPFIS", std::to_string(c.options.type)}};
                if (!f.has("Params") || !f.json()["Params"].contains("ESQUEMACOR"))
                    added.emplace_back("ESQUEMACOR", c.options.scheme);
                ParamsHandle params = f.params("Params", added);
                TableHandle vendas = f.table("cdsVendas"), movi = f.table("cdsMovi");
                TableHandle receb =
                    f.table("cdsRecebimento");  // searched for vouchers: may be empty
                if (!receb) receb = MakeTable(layouts::PaymentTypes());
                TableHandle cred = f.table("cdsSaldCred"), family = f.table("cdsFamiliaSaldo"),
                            loans = f.table("cdsEmprestimo");
                DruText* result = dru_text_new(nullptr);
                ImpressaoVenda(params.get(), vendas.get(), movi.get(), receb.get(), nullptr,
                               cred.get(), family.get(), loans.get(),
                               f.text("IdImpSaldoCup", "0").c_str(), result);
                const std::string text = dru_text_get(result);
                dru_text_free(result);
                r.result = text;
                if (!r.took("ImpressaoVenda")) return;
                if (text == "Erro") {
                    r.verdict =
                        "the sale was refused (\"Erro\": a voucher payment the sale does not "
                        "allow)";
                    r.exit_code = kFailed;
                } else if (text.empty() && r.verdict_kind != DRU_VERDICT_CONFIRMED) {
                    r.line("ImpressaoVenda: no receipt number (the verdict below says why)");
                } else if (text.empty()) {
                    r.line(
                        "ImpressaoVenda: printed, no fiscal receipt number (a voucher or debit "
                        "document)");
                } else {
                    r.receipt_number = text;
                    r.line("ImpressaoVenda: receipt number " + text);
                }
            },
    };
}

Document BillCheck() {
    return {
        .name = "bill",
        .summary = "print the bill check of a table or tab, PARCIAL CUENTA (Conferencia_Outras)",
        .example = "dru bill examples/bill.json",
        .schema = Schema{{"stNrComanda", Text},
                         {"stMesa", Text},
                         {"stNmGarcom", Text},
                         {"stEmissao", Text},
                         {"DADOS", Table, true, layouts::BillProducts()},
                         {"doVrDesc", Number},
                         {"doConsMin", Number},
                         {"doCouver", Number},
                         {"doVrTxSer", Number},
                         {"doTotal", Number, true}},
        .call =
            [](const DocumentInput& in, CallContext& c, Report& r) {
                const Input& f = *in.file;
                const std::string packet = f.packet("DADOS");
                DruText* day_receipt = dru_text_new(nullptr);
                const bool printed = Conferencia_Outras(
                    c.port.c_str(), c.options.scheme.c_str(), "", "", day_receipt, "",
                    f.text("stNrComanda").c_str(), f.text("stMesa").c_str(),
                    f.text("stNmGarcom").c_str(), f.text("stEmissao").c_str(), packet.c_str(),
                    f.number("doVrDesc"), f.number("doConsMin"), f.number("doCouver"),
                    f.number("doVrTxSer"), 0, f.number("doTotal"), 0, c.options.type);
                dru_text_free(day_receipt);
                Judge(r, "Conferencia_Outras", printed);
            },
    };
}

Document Supply() {
    return {
        .name = "supply",
        .summary = "print a cash supply of AMOUNT (Suprimento)",
        .example = "dru supply 20000",
        .schema = std::nullopt,
        .call =
            [](const DocumentInput& in, CallContext& c, Report& r) {
                Judge(r, "Suprimento",
                      Suprimento(c.port.c_str(), c.options.scheme.c_str(), in.amount, false));
            },
    };
}

Document Withdrawal() {
    return {
        .name = "withdrawal",
        .summary = "print a cash withdrawal of AMOUNT (Sangria)",
        .example = "dru withdrawal 15000",
        .schema = std::nullopt,
        .call =
            [](const DocumentInput& in, CallContext& c, Report& r) {
                Judge(r, "Sangria",
                      Sangria(c.port.c_str(), c.options.scheme.c_str(), in.amount, nullptr));
            },
    };
}

Document ProductReport() {
    return {
        .name = "product-report",
        .summary = "print the managerial report of the products sold (Relatorio_Produto)",
        .example = "dru product-report examples/product_report.json --yes",
        .schema =
            Schema{{"cdsProdAux", Table, true, layouts::SoldProducts()}, {"stEmiRelProd", Text}},
        .call =
            [](const DocumentInput& in, CallContext& c, Report& r) {
                const Input& f = *in.file;
                TableHandle products = f.table("cdsProdAux");
                DruText* day_receipt = dru_text_new(nullptr);
                bool control = false;
                Relatorio_Produto(c.port.c_str(), "", "", "", "", day_receipt, products.get(),
                                  f.text("stEmiRelProd", "N").c_str(), "", c.options.scheme.c_str(),
                                  &control);
                dru_text_free(day_receipt);
                if (r.took("Relatorio_Produto")) r.line("Relatorio_Produto: done");
            },
    };
}

Document CreditVoucher() {
    return {
        .name = "credit-voucher",
        .summary =
            "print the two copies of a consumer's credit purchase voucher (Compr_CredPessoal)",
        .example = "dru credit-voucher examples/credit_voucher.json",
        .schema = Schema{{"cdsMovCaixaCred", Table, true, layouts::CreditMovements()},
                         {"doSald", Number},
                         {"stNmConsCred", Text},
                         {"stNrDeposi", Text},
                         {"stNmFamilia", Text}},
        .call =
            [](const DocumentInput& in, CallContext& c, Report& r) {
                const Input& f = *in.file;
                TableHandle movements = f.table("cdsMovCaixaCred");
                const std::string name = f.text("stNmConsCred"), deposit = f.text("stNrDeposi"),
                                  family = f.text("stNmFamilia");
                const bool printed = Compr_CredPessoal(
                    c.port.c_str(), "", "", "", "", c.options.scheme.c_str(), nullptr, nullptr,
                    movements.get(), f.number("doSald"), name.c_str(), deposit.c_str(), "", "", "",
                    "", "", "", "", "", "", "", "", "", false, family.c_str(), "");
                Judge(r, "Compr_CredPessoal", printed);
            },
    };
}

Document Closing() {
    return {
        .name = "closing",
        .summary =
            "close the cash register: withdrawal receipt, the operator's questions, on a "
            "confirmed Z the product report and the day totals (GeraReciboSangria)",
        .example = "dru closing examples/closing.json",
        .schema = Schema{{"stECF", Text},
                         {"cdsMovFechaAux", Table, true, layouts::ClosingAmounts()},
                         {"cdsSangriaAux", Table, false, layouts::Withdrawals()},
                         {"cdsProdAux", Table, false, layouts::SoldProducts()},
                         {"cdsOperSup", Table, true, layouts::Operators()},
                         {"cdsMovTotAux", Table, false, layouts::MovementTotals()},
                         {"cdsTipoRece", Table, false, layouts::PaymentTypes()},
                         {"boImpRelSan", Flag},
                         {"stEmiRelProd", Text},
                         {"boSangria", Flag},
                         {"boFechDiaAnterior", Flag},
                         {"boAccessImpRedz", Flag}},
        .irreversible = "The cash closing (it may end in the day's Z tables)",
        .call =
            [](const DocumentInput& in, CallContext& c, Report& r) {
                const Input& f = *in.file;
                // Tables a host always hands over, empty when the file leaves them out.
                auto table = [&f](const char* name, const Layout& layout) {
                    TableHandle t = f.table(name);
                    return t ? std::move(t) : MakeTable(layout);
                };
                TableHandle fecha = table("cdsMovFechaAux", layouts::ClosingAmounts()),
                            sangria = table("cdsSangriaAux", layouts::Withdrawals()),
                            products = table("cdsProdAux", layouts::SoldProducts()),
                            operators = table("cdsOperSup", layouts::Operators()),
                            totals = table("cdsMovTotAux", layouts::MovementTotals()),
                            types = table("cdsTipoRece", layouts::PaymentTypes());
                // The four Z tables take the driver's layouts when it fills them.
                TableHandle redz(dru_dataset_new()), forms(dru_dataset_new()),
                    taxes(dru_dataset_new()), non_fiscal(dru_dataset_new());
                const std::string ecf = f.text("stECF"), emi = f.text("stEmiRelProd", "N");
                bool reduced = false;
                const bool reopen = GeraReciboSangria(
                    c.port.c_str(), "", "", "", ecf.c_str(), c.options.type, nullptr, fecha.get(),
                    sangria.get(), products.get(), operators.get(), totals.get(), nullptr, nullptr,
                    nullptr, 0, f.flag("boImpRelSan", true), false, false, redz.get(),
                    forms.get(), taxes.get(), non_fiscal.get(), &reduced, types.get(),
                    emi.c_str(), "", "", "", c.options.scheme.c_str(), f.flag("boSangria"),
                    f.flag("boFechDiaAnterior"), f.flag("boAccessImpRedz", true), "", "");
                r.result = reopen;
                r.outputs["boReduziu"] = reduced;
                if (!r.took("GeraReciboSangria")) return;
                r.line(std::string("GeraReciboSangria: ") +
                       (reopen ? "the register is opened again" : "the register stays closed"));
                if (!reduced) return;
                r.outputs["cdsRedzAux"] = layouts::Rows(redz.get(), layouts::ReductionZ());
                r.outputs["cdsFormRedzAux"] =
                    layouts::Rows(forms.get(), layouts::ReductionPaymentForms());
                r.line("Z confirmed: the day totals were read into the Z tables (no Z is printed)");
            },
    };
}

// Every document dru prints, in the order --help lists them.
const std::vector<Document (*)()> kDocuments = {Sale,          BillCheck,     Supply, Withdrawal,
                                                ProductReport, CreditVoucher, Closing};

// ---- The group ----------------------------------------------------------------------------

void AddDocument(CLI::App& app, Program& program, Document doc) {
    CLI::App* sub = app.add_subcommand(doc.name, doc.summary);
    sub->footer(Example(doc.example));
    auto argument = std::make_shared<std::string>();
    if (doc.schema)
        sub->add_option("FILE", *argument, "the JSON input file (examples/ holds one)")->required();
    else
        sub->add_option("AMOUNT", *argument, "the amount, as 1500 or 1500.50")->required();
    auto shared = std::make_shared<Document>(std::move(doc));
    sub->callback([&program, argument, shared] {
        program.action = [&program, argument, shared] {
            // The whole input is read and checked here, before any target exists.
            std::shared_ptr<Input> file;
            DocumentInput in;
            if (shared->schema) {
                file = std::make_shared<Input>(Input::Load(*argument, *shared->schema));
                in.file = file.get();
            } else {
                in.amount = NumberArgument(*argument, "AMOUNT");
            }
            CallSpec spec{
                .command = shared->name,
                .call = [file, in, shared](CallContext& c, Report& r) { shared->call(in, c, r); },
                .document = true,
                .irreversible = shared->irreversible};
            return RunCall(program, spec);
        };
    });
}

}  // namespace

void AddDocumentCommands(CLI::App& app, Program& program) {
    for (Document (*document)() : kDocuments) AddDocument(app, program, document());
}

std::vector<InputFile> DocumentInputFiles() {
    std::vector<InputFile> files;
    for (Document (*document)() : kDocuments) {
        Document doc = document();
        if (doc.schema) files.push_back({doc.name, std::move(*doc.schema)});
    }
    return files;
}

}  // namespace dru::cli
