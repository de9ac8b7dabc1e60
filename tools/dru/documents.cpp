// The documents: sale FILE, bill FILE, supply AMOUNT, withdrawal AMOUNT,
// product-report FILE, credit-voucher FILE, closing FILE. A document is one function
// below that returns its Document (name, help, example, input and call),
// listed in kDocuments; the group gives each its subcommand, reads and
// checks its input before anything is sent, and runs it with a progress bar
// where it lasts.
#include <cmath>
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
    std::string entry;    // the entry point
    Layout outputs;       // what it hands back
    std::optional<Schema> schema;   // the input file's; none: the document takes AMOUNT
    std::string irreversible = {};  // non-empty: confirmed first
    std::function<void(const DocumentInput&, CallContext&, Report&)> call;
};

using Member::Type::Flag;
using Member::Type::Number;
using Member::Type::Params;
using Member::Type::Table;
using Member::Type::Text;

// A document's boolean verdict, as a sentence: false is a failure the printer reported.
void Judge(Report& r, const std::string& entry, bool printed, const std::string& what) {
    r.result = printed;
    if (!r.took(entry)) return;
    r.line(entry + ": " +
           (printed ? "the " + what + " was printed." : "the printer did not confirm the " + what + "."));
    if (!printed) {
        r.verdict = "the printer did not confirm the document";
        r.exit_code = kFailed;
    }
}

// An amount slip prints whole units: say so when the amount given has a fraction.
void NoteRounding(Report& r, double amount) {
    const double whole = std::round(amount);  // half away from zero, as the slip rounds
    if (whole == amount) return;
    char text[160];
    std::snprintf(text, sizeof text,
                  "note: the slip prints whole units: %.2f is printed as %.0f", amount, whole);
    r.line(text);
}

// ---- The documents -----------------------------------------------------------------------

Document Sale() {
    constexpr FieldKind kText = FieldKind::Text, kFloat = FieldKind::Float;
    static const Layout kSaleParams = {
        {"ESQUEMACOR", kText, 0, false, "colour scheme handed to the operator dialog"},
        {"SENHACUPOM", kText, 0, false, "receipt password, printed \"seña: \" when not empty"},
        {"TIPOVENDA", kText, 0, false,
         "sale type: \"1\" consumer with family balance, \"2\" consumer with debit balance, "
         "other: no consumer lines"},
        {"NMCONSUMIDOR", kText, 0, false, "consumer's name (sale types 1 and 2)"},
        {"DSOBSCUPFIS", kText, 0, false, "observation: footer lines, separated by line breaks"},
        {"SALDODEBITO", kFloat, 0, false, "consumer's debit balance (missing: 0)"},
        {"PRECOSUBSIDIO", kFloat, 0, false, "subsidised price (missing: 0)"},
        {"TOTPARCCV", kText, 0, false, "read, not used"},
        {"CDFILIAL", kText, 0, false, "branch code: read, not used"},
        {"CDCAIXA", kText, 0, false, "register code: read, not used"},
        {"NRLAUDO", kText, 0, false, "read, not used"},
        {"CDPORTAIMPFIS", kText, 0, true, "the printer's port (\"COM1\" ...); dru: --port"},
        {"IDTIPOIMPFIS", kText, 0, true,
         "printer type: \"16\" or \"30\" (pauses and closing command); dru: --type"},
    };
    return {
        .name = "sale",
        .summary =
            "print a finished sale: fiscal receipt, debit receipt or voucher ticket "
            "(ImpressaoVenda)",
        .example = "dru sale examples/sale.json --preview",
        .entry = "ImpressaoVenda",
        .outputs = {{"result", FieldKind::Text, 0, false,
                     "the receipt number read back; \"\" for a voucher or debit document or "
                     "when the printer did not answer; \"Erro\" for a refused voucher sale"}},
        .schema = Schema{{"Params", Params, false, kSaleParams, {"CDPORTAIMPFIS", "IDTIPOIMPFIS"},
                          "the sale's named parameters"},
                         {"cdsVendas", Table, true, layouts::SaleItems(), {},
                          "one row per sold item",
                          {"IDTPIMPOSFIS", "QTPRODCOMVEN", "VRPRECCOMVEN", "VRACRCOMANDA",
                           "VRDESCCOMVEN", "VRTXSERVICO", "CDARVPROD", "NMPRODUTO", "NMOPERADOR",
                           "CDLOJA"}},
                         {"cdsMovi", Table, true, layouts::SaleMovements(), {},
                          "one row per payment movement",
                          {"IDTIPOMOVIVE", "IDTIPORECE", "CDTIPORECE", "VRMOVIVEND", "CDFPIMPFIS",
                           "DSIMPFISCAL"}},
                         {"cdsRecebimento", Table, false, layouts::PaymentTypes(), {},
                          "the payment types, searched for a voucher's code",
                          {"CDTIPORECE"}},
                         {"cdsSaldCred", Table, false, layouts::CreditBalances(), {},
                          "the consumer's family balances (sale type 1)",
                          {"CDFAMILISALD", "NMFAMILISALD", "VRSALDCONFAM"}},
                         {"cdsFamiliaSaldo", Table, false, layouts::FamilyBalances(), {},
                          "balances committed per family (IdImpSaldoCup \"1\")",
                          {"CDFAMILISALD", "VRSALDCONFAM"}},
                         {"cdsEmprestimo", Table, false, layouts::Loans(), {},
                          "loans per family (IdImpSaldoCup \"1\")",
                          {"CDFAMILISALD", "IDTPMOVEXT", "VRMOVEXTCONS"}},
                         {"IdImpSaldoCup", Text, false, {}, {},
                          "family balance line: \"0\" a plain sum, \"1\" against the other "
                          "tables, other: none (dru's default \"0\")"}},
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
        .entry = "Conferencia_Outras",
        .outputs = {{"result", FieldKind::Text, 0, false,
                     "true when the printer confirmed the bill"}},
        .schema = Schema{{"stNrComanda", Text, false, {}, {}, "tab number, printed"},
                         {"stMesa", Text, false, {}, {}, "table, printed"},
                         {"stNmGarcom", Text, false, {}, {}, "waiter (\"Garzon\"), printed"},
                         {"stEmissao", Text, false, {}, {}, "issue date and time text, printed"},
                         {"DADOS", Table, true, layouts::BillProducts(), {},
                          "the products, handed over as a data packet",
                          {"NMPRODUTO", "QTPRODCOMVEN", "VRPRECCOMVEN"}},
                         {"doVrDesc", Number, false, {}, {}, "discount (printed when positive)"},
                         {"doConsMin", Number, false, {}, {}, "minimum consumption (when positive)"},
                         {"doCouver", Number, false, {}, {}, "cover charge (when positive)"},
                         {"doVrTxSer", Number, false, {}, {}, "service charge (when positive)"},
                         {"doTotal", Number, true, {}, {}, "the total, printed"}},
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
                Judge(r, "Conferencia_Outras", printed, "bill check");
            },
    };
}

Document Supply() {
    return {
        .name = "supply",
        .summary = "print a cash supply of AMOUNT (Suprimento)",
        .example = "dru supply 20000",
        .entry = "Suprimento",
        .outputs = {{"result", FieldKind::Text, 0, false, "true when the printer confirmed it"}},
        .schema = std::nullopt,
        .call =
            [](const DocumentInput& in, CallContext& c, Report& r) {
                NoteRounding(r, in.amount);
                Judge(r, "Suprimento",
                      Suprimento(c.port.c_str(), c.options.scheme.c_str(), in.amount, false),
                      "cash supply");
            },
    };
}

Document Withdrawal() {
    return {
        .name = "withdrawal",
        .summary = "print a cash withdrawal of AMOUNT (Sangria)",
        .example = "dru withdrawal 15000",
        .entry = "Sangria",
        .outputs = {{"result", FieldKind::Text, 0, false, "true when the printer confirmed it"}},
        .schema = std::nullopt,
        .call =
            [](const DocumentInput& in, CallContext& c, Report& r) {
                NoteRounding(r, in.amount);
                Judge(r, "Sangria",
                      Sangria(c.port.c_str(), c.options.scheme.c_str(), in.amount, nullptr),
                      "cash withdrawal");
            },
    };
}

Document ProductReport() {
    return {
        .name = "product-report",
        .summary = "print the managerial report of the products sold (Relatorio_Produto)",
        .example = "dru product-report examples/product_report.json --yes",
        .entry = "Relatorio_Produto",
        .outputs = {{"boControle", FieldKind::Text, 0, false, "written by reference"}},
        .schema =
            Schema{{"cdsProdAux", Table, true, layouts::SoldProducts(), {},
                    "the products sold, copied in", {"CDPRODUTO", "NMPRODUTO", "QTPRODVEND", "VRTOTAL"}},
                   {"stEmiRelProd", Text, false, {}, {},
                    "\"S\": ask the operator before printing; \"N\" (dru's default): print"}},
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
                if (r.took("Relatorio_Produto"))
                    r.line("Relatorio_Produto: the report was done (printed unless declined).");
            },
    };
}

Document CreditVoucher() {
    return {
        .name = "credit-voucher",
        .summary =
            "print the two copies of a consumer's credit purchase voucher (Compr_CredPessoal)",
        .example = "dru credit-voucher examples/credit_voucher.json",
        .entry = "Compr_CredPessoal",
        .outputs = {{"result", FieldKind::Text, 0, false,
                     "true once both copies were written (the printer is never read)"}},
        .schema = Schema{{"cdsMovCaixaCred", Table, true, layouts::CreditMovements(), {},
                          "the purchase's payment movements, summed", {"VRMOVIVEND"}},
                         {"doSald", Number, false, {}, {}, "the balance before the purchase"},
                         {"stNmConsCred", Text, false, {}, {}, "the consumer's name, printed"},
                         {"stNrDeposi", Text, false, {}, {}, "deposit number, printed"},
                         {"stNmFamilia", Text, false, {}, {}, "family name, printed"}},
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
                Judge(r, "Compr_CredPessoal", printed, "credit purchase voucher");
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
        .entry = "GeraReciboSangria",
        .outputs = {{"result", FieldKind::Text, 0, false,
                     "true when the operator chose to open the register again"},
                    {"boReduziu", FieldKind::Text, 0, false, "true once the Z was confirmed"},
                    {"cdsRedzAux", FieldKind::Text, 0, false, "the Z reduction record"},
                    {"cdsFormRedzAux", FieldKind::Text, 0, false, "the Z's payment forms"}},
        .schema = Schema{{"stECF", Text, false, {}, {}, "the printer's number, for the Z tables"},
                         {"cdsMovFechaAux", Table, true, layouts::ClosingAmounts(), {},
                          "the closing amounts, copied in and printed", {"NMTIPORECE", "VRFECHAINF"}},
                         {"cdsSangriaAux", Table, false, layouts::Withdrawals(), {},
                          "the withdrawals, copied in"},
                         {"cdsProdAux", Table, false, layouts::SoldProducts(), {},
                          "the products sold (the report on a confirmed Z)",
                          {"CDPRODUTO", "NMPRODUTO", "QTPRODVEND", "VRTOTAL"}},
                         {"cdsOperSup", Table, true, layouts::Operators(), {},
                          "the operator, copied in and printed", {"CDOPERADOR", "NMOPERADOR"}},
                         {"cdsMovTotAux", Table, false, layouts::MovementTotals(), {},
                          "the movement totals, copied in"},
                         {"cdsTipoRece", Table, false, layouts::PaymentTypes(), {},
                          "the payment types, matched to the day totals by name",
                          {"CDTIPORECE", "NMTIPORECE", "CDFPIMPFIS"}},
                         {"boImpRelSan", Flag, false, {}, {},
                          "print the withdrawal receipt (dru's default true)"},
                         {"stEmiRelProd", Text, false, {}, {},
                          "the product report's question: \"S\" ask, \"N\" (default) print"},
                         {"boSangria", Flag, false, {}, {}, "a withdrawal closing"},
                         {"boFechDiaAnterior", Flag, false, {}, {},
                          "closing an earlier day (the tables of the last closing)"},
                         {"boAccessImpRedz", Flag, false, {}, {},
                          "the Z question may be asked (dru's default true)"}},
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
                       (reopen ? "the register is opened again." : "the register stays closed."));
                if (!reduced) return;
                r.outputs["cdsRedzAux"] = layouts::Rows(redz.get(), layouts::ReductionZ());
                r.outputs["cdsFormRedzAux"] =
                    layouts::Rows(forms.get(), layouts::ReductionPaymentForms());
                r.line("Z confirmed: the day totals were read into the Z tables (no Z is printed):");
                for (const std::string& l :
                     ReductionLines(r.outputs["cdsRedzAux"], r.outputs["cdsFormRedzAux"]))
                    r.line(l);
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
    auto negative = std::make_shared<bool>(false);
    if (doc.schema) {
        sub->add_option("FILE", *argument,
                        "the JSON input file (" + ExamplesFolder() + " holds one; dru contract " +
                            doc.name + " prints its fields and a template)")
            ->required();
    } else {
        sub->add_option("AMOUNT", *argument,
                        "the amount: digits, \".\" before at most two decimals (1500, 1500.50); "
                        "no thousands separator")
            ->required();
        sub->add_flag("--negative", *negative, "allow a negative amount");
    }
    auto shared = std::make_shared<Document>(std::move(doc));
    sub->callback([&program, argument, negative, shared] {
        program.action = [&program, argument, negative, shared] {
            // The whole input is read and checked here, before any target exists.
            std::shared_ptr<Input> file;
            DocumentInput in;
            if (shared->schema) {
                file = std::make_shared<Input>(Input::Load(*argument, *shared->schema));
                in.file = file.get();
            } else {
                in.amount = AmountArgument(*argument, "AMOUNT", *negative);
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

// The amount of a supply or withdrawal given as a JSON body: {"amount": 20000}
// (a number, or a text in the command line's one form), with "negative": true
// for a negative one.
double AmountMember(const Json& body) {
    static const Schema schema = {{"amount", Member::Type::Number, true, {}, {}, "the amount"},
                                  {"negative", Flag, false, {}, {}, "allow a negative amount"}};
    Json checked = body;
    const bool text = body.is_object() && body.contains("amount") && body["amount"].is_string();
    if (text) checked["amount"] = 0;  // its form is checked below, as the command line's
    const Input in = Input::Check(std::move(checked), "body", schema);
    const bool negative = in.flag("negative");
    if (text) {
        try {
            return AmountArgument(body["amount"].get<std::string>(), "amount", negative);
        } catch (const UsageError& e) {
            throw InputError(std::string("body: $.amount: ") + e.what(), "$.amount");
        }
    }
    const double amount = in.number("amount");
    if (amount < 0 && !negative)
        throw InputError("body: $.amount: negative: give \"negative\": true to print it so", "$.amount");
    if (std::abs(amount * 100 - std::round(amount * 100)) > 1e-6)
        throw InputError("body: $.amount: at most two decimals", "$.amount");
    return amount;
}

}  // namespace

std::optional<CallSpec> DocumentCall(const std::string& name, const Json& body) {
    for (Document (*document)() : kDocuments) {
        auto doc = std::make_shared<Document>(document());
        if (doc->name != name) continue;
        std::shared_ptr<Input> file;
        DocumentInput in;
        if (doc->schema) {
            file = std::make_shared<Input>(Input::Check(body, "body", *doc->schema));
            in.file = file.get();
        } else {
            in.amount = AmountMember(body);
        }
        return CallSpec{.command = doc->name,
                        .call = [file, in, doc](CallContext& c, Report& r) { doc->call(in, c, r); },
                        .document = true,
                        .irreversible = doc->irreversible};
    }
    return std::nullopt;
}

std::vector<std::string> DocumentNames() {
    std::vector<std::string> names;
    for (Document (*document)() : kDocuments) names.push_back(document().name);
    return names;
}

void AddDocumentCommands(CLI::App& app, Program& program) {
    for (Document (*document)() : kDocuments) AddDocument(app, program, document());
}

std::vector<InputFile> DocumentInputFiles() {
    std::vector<InputFile> files;
    for (Document (*document)() : kDocuments) {
        Document doc = document();
        if (doc.schema)
            files.push_back({doc.name, std::move(*doc.schema), doc.entry, doc.summary, doc.outputs});
    }
    return files;
}

std::vector<InputFile> DocumentContracts() {
    std::vector<InputFile> contracts;
    for (Document (*document)() : kDocuments) {
        Document doc = document();
        const bool file = doc.schema.has_value();
        Schema schema = file ? std::move(*doc.schema) : Schema{};
        if (!file)
            schema = {{"stCdPortaImpFis", Text, true, {}, {}, "the port; dru: --port"},
                      {"stEsquemaCor", Text, false, {}, {}, "colour scheme; dru: --scheme"},
                      {"doValor", Number, true, {}, {}, "the amount, printed in whole units; dru: AMOUNT"}};
        contracts.push_back({doc.name, std::move(schema), doc.entry, doc.summary, doc.outputs, file});
    }
    return contracts;
}

}  // namespace dru::cli
