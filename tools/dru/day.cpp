// The day's subcommands: start, printer-data, date-check, drawer, x, z,
// receipt-number, payment-types FILE, day-totals.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include <CLI/CLI.hpp>

#include "cli.h"
#include "json_input.h"
#include "layouts.h"
#include "payment_names.h"
#include "session.h"

namespace dru::cli {

namespace {

// A host date-time (days since 1899-12-30) as YYYY-MM-DD.
std::string DateText(double date) {
    using namespace std::chrono;
    const year_month_day d{sys_days{1899y / December / 30} +
                           days{static_cast<long>(std::floor(date))}};
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(d.year()),
                  static_cast<unsigned>(d.month()), static_cast<unsigned>(d.day()));
    return text;
}

CLI::App* Subcommand(CLI::App& app, const std::string& name, const std::string& summary,
                     const std::string& example) {
    CLI::App* sub = app.add_subcommand(name, summary);
    sub->footer(Example(example));
    return sub;
}

// A subcommand that runs `call` when chosen.
void OnRun(CLI::App* sub, Program& program, CallSpec spec) {
    sub->callback([&program, spec = std::move(spec)] {
        program.action = [&program, spec] { return RunCall(program, spec); };
    });
}

void Start(CallContext& c, Report& r) {
    ParamsHandle p(dru_params_new());
    dru_params_add_text(p.get(), "ESQUEMA", c.options.scheme.c_str());
    dru_params_add_text(p.get(), "CDPORTAIMPFIS", c.port.c_str());
    const bool ready = StartImpFiscal(p.get());
    r.result = ready;
    if (!r.took("StartImpFiscal")) return;
    r.line(ready ? "StartImpFiscal: the sales period was opened; the printer is ready for sales."
                 : "StartImpFiscal: the sales period was opened, but the printer is not ready for "
                   "sales.");
    if (!ready)
        r.exit_code = kFailed, r.verdict = "the printer's state after start-up is not \"00\"";
}

void PrinterData(CallContext& c, Report& r) {
    ParamsHandle p(dru_params_new());
    for (const char* name : {"DATAATUIMP", "ECFIMP", "REDIMP", "SERIEIMP", "DATAIMP"})
        dru_params_add_text(p.get(), name, "");
    dru_params_add_text(p.get(), "CDPORTAIMPFIS", c.port.c_str());
    dru_params_add_text(p.get(), "ESQUEMA", c.options.scheme.c_str());
    r.result = Carrega_Dados_Impressora(p.get());
    if (!r.took("Carrega_Dados_Impressora")) return;
    r.line("Carrega_Dados_Impressora:");
    for (int32_t i = 0; i < dru_params_count(p.get()); ++i) {
        const std::string name = dru_params_name(p.get(), i), value = dru_params_text(p.get(), i);
        r.outputs[name] = value;
        char text[128];
        std::snprintf(text, sizeof text, "  %-10s %s", name.c_str(), value.c_str());
        r.line(text);
    }
}

// What date-check does with the host's DedOvor.cds.
struct ConfigChoice {
    bool write = false;    // --write-config: write one when there is none
    bool replace = false;  // --replace-config: with --write-config, replace an existing one
};

void WriteConfig(CallContext& c, Report& r, const std::string& path) {
    const Layout layout = {{"PORTAFISCAL", FieldKind::Text, 10},
                           {"IDTIPOIMPFIS", FieldKind::Integer, 0}};
    TableHandle config = MakeTable(layout);
    AppendRow(config.get(), layout, Json{{"PORTAFISCAL", c.port}, {"IDTIPOIMPFIS", c.options.type}});
    if (!dru_dataset_save_to_file(config.get(), path.c_str()))
        throw std::runtime_error(std::string("writing DedOvor.cds: ") + dru_last_error());
    r.line("wrote DedOvor.cds in " + c.folder.path() + " (port " + c.port + ", type " +
           std::to_string(c.options.type) + "): the date check reads them there");
}

// DedOvor.cds names the port and type the date check uses. It is the till's
// own configuration: an existing one is used as it is (its port pointed at
// the target), and one is written only when asked. A preview runs in a
// temporary folder, where a missing one is written for the run.
void PrepareConfig(CallContext& c, Report& r, const ConfigChoice& choice) {
    const std::string path = c.folder.file(kConfigFile);
    const bool exists = std::filesystem::exists(path);
    if (exists && !(choice.write && choice.replace)) {
        TableHandle config(dru_dataset_new());
        if (!dru_dataset_load_from_file(config.get(), path.c_str()))
            throw UsageError(path + " cannot be read (" + dru_last_error() +
                             "); it is left as it is: mend it, or replace it with "
                             "--write-config --replace-config");
        if (choice.write)
            throw UsageError(path + " exists: --write-config replaces it only with --replace-config");
        dru_dataset_first(config.get());
        const std::string port = dru_dataset_get_text(config.get(), "PORTAFISCAL");
        if (!port.empty()) c.target.also_answer_to(port);
        r.line("DedOvor.cds in " + c.folder.path() + " names port " + port);
        return;
    }
    if (!exists && !choice.write && !c.options.preview)
        throw UsageError("no DedOvor.cds in " + c.folder.path() +
                         ": the date check reads the till's port and printer type there; "
                         "--write-config writes one with --port and --type");
    WriteConfig(c, r, path);
}

void DateCheck(CallContext& c, Report& r, bool offer_z, const ConfigChoice& choice) {
    PrepareConfig(c, r, choice);
    double date = 0;
    const bool agree = VerificaData(c.options.scheme.c_str(), &date, "", "", offer_z);
    r.result = agree;
    if (!r.took("VerificaData")) return;
    r.outputs["dtDate"] = DateText(date);
    r.line("VerificaData: the printer's fiscal date is " + DateText(date) + "; its clock " +
           (agree ? "agrees" : "does not agree") + " with this one.");
}

void Drawer(CallContext& c, Report& r) {
    r.result = Abre_Gaveta_Imp(c.port.c_str(), c.options.scheme.c_str(), false);
    if (r.took("Abre_Gaveta_Imp")) r.line("Abre_Gaveta_Imp: the drawer was opened.");
}

void ReadingX(CallContext& c, Report& r) {
    r.result = Leitura_X_Imp(c.port.c_str(), c.options.scheme.c_str(), "");
    if (r.took("Leitura_X_Imp")) r.line("Leitura_X_Imp: the X reading was printed.");
}

void ReductionZ(CallContext& c, Report& r) {
    r.result = Reducao_Z_Imp(c.port.c_str(), c.options.scheme.c_str(), "");
    if (r.took("Reducao_Z_Imp")) r.line("Reducao_Z_Imp: the Z reduction was printed.");
}

void ReceiptNumber(CallContext& c, Report& r) {
    DruText* number = dru_text_new("");
    Nr_Cupom(c.port.c_str(), c.options.scheme.c_str(), number);
    const std::string text = dru_text_get(number);
    dru_text_free(number);
    r.result = text;
    if (!r.took("Nr_Cupom")) return;
    r.receipt_number = text;
    r.line("Nr_Cupom: the last receipt is number " + text + ".");
}

const Schema& PaymentTypesSchema() {
    static const Schema schema = {
        {"cdsTipoRece", Member::Type::Table, true, layouts::PaymentTypes(), {},
         "the host's payment types: each payment button gets the printer's code",
         {"NMTIPORECE", "IDTIPORECE", "IDTPBUTTON", "CDFPIMPFIS", "IDEMIVALE"}}};
    return schema;
}

void PaymentTypes(CallContext& c, Report& r, const Input& in) {
    TableHandle types = in.table("cdsTipoRece");
    CarregaRecebimento(c.port.c_str(), c.options.scheme.c_str(), c.options.type, types.get());
    if (!r.took("CarregaRecebimento")) return;
    const std::string list = r.reply;  // the printer's payment forms (command 432)
    dru_dataset_set_filter(types.get(), "", false);
    r.outputs["cdsTipoRece"] = layouts::Rows(types.get(), layouts::PaymentTypes());
    r.line("CarregaRecebimento: the printer's payment codes");
    const PaymentCodeReport codes = ExplainPaymentCodes(r.outputs["cdsTipoRece"], list);
    for (const std::string& l : codes.lines) r.line(l);
    r.outputs["uncoded"] = codes.uncoded;
}

const Schema& DayTotalsSchema() {
    static const Schema schema = {
        {"cdsTipoRece", Member::Type::Table, false, layouts::PaymentTypes(), {},
         "the payment types, matched to the printer's payment forms by name",
         {"CDTIPORECE", "NMTIPORECE", "CDFPIMPFIS"}}};
    return schema;
}

void DayTotals(CallContext& c, Report& r, const Input* in, std::string ecf) {
    if (ecf.empty()) {
        PrinterData(c, r);
        if (r.exit_code != kDone) return;
        ecf = r.outputs.value("ECFIMP", "");
        r.lines.clear();
    }
    TableHandle types = in ? in->table("cdsTipoRece") : MakeTable(layouts::PaymentTypes());
    if (!types) types = MakeTable(layouts::PaymentTypes());
    TableHandle reduction(dru_dataset_new()), forms(dru_dataset_new());
    r.result = ExportRedZ(c.port.c_str(), c.options.scheme.c_str(), ecf.c_str(), c.options.type,
                          types.get(), reduction.get(), forms.get(), nullptr, nullptr);
    if (!r.took("ExportRedZ")) return;
    r.outputs = Json::object();
    r.outputs["cdsReducaoZ"] = layouts::Rows(reduction.get(), layouts::ReductionZ());
    r.outputs["cdsFormPgtoZ"] = layouts::Rows(forms.get(), layouts::ReductionPaymentForms());
    r.line("ExportRedZ: the day totals of printer " + ecf + " (nothing printed)");
    for (const std::string& l : ReductionLines(r.outputs["cdsReducaoZ"], r.outputs["cdsFormPgtoZ"]))
        r.line(l);
}

// The body of day-totals: its file's table, and the printer's number (--ecf).
const Schema& DayTotalsBodySchema() {
    static const Schema schema = [] {
        Schema s = DayTotalsSchema();
        s.push_back({"ecf", Member::Type::Text, false, {}, {},
                     "the printer's number (default: read with Carrega_Dados_Impressora)"});
        return s;
    }();
    return schema;
}

// The body of date-check: its options by their command-line names.
const Schema& DateCheckBodySchema() {
    static const Schema schema = {
        {"offer-z", Member::Type::Flag, false, {}, {}, "let the driver offer an overdue Z"},
        {"write-config", Member::Type::Flag, false, {}, {}, "write DedOvor.cds when there is none"},
        {"replace-config", Member::Type::Flag, false, {}, {}, "with write-config: replace it"}};
    return schema;
}

}  // namespace

std::optional<CallSpec> DayCall(const std::string& name, const Json& body) {
    using Call = void (*)(CallContext&, Report&);
    static const std::vector<std::pair<std::string, Call>> plain = {
        {"start", Start}, {"printer-data", PrinterData}, {"drawer", Drawer},
        {"x", ReadingX},  {"z", ReductionZ},            {"receipt-number", ReceiptNumber}};
    for (const auto& [command, call] : plain) {
        if (command != name) continue;
        Input::Check(body, "body", {});  // they take nothing
        return CallSpec{.command = command,
                        .call = call,
                        .irreversible = command == "z" ? "The Z reduction (it closes the fiscal day)" : ""};
    }
    if (name == "date-check") {
        const Input in = Input::Check(body, "body", DateCheckBodySchema());
        const bool offer_z = in.flag("offer-z");
        const ConfigChoice choice{in.flag("write-config"), in.flag("replace-config")};
        return CallSpec{.command = name, .call = [offer_z, choice](CallContext& c, Report& r) {
                            DateCheck(c, r, offer_z, choice);
                        }};
    }
    if (name == "payment-types") {
        auto in = std::make_shared<Input>(Input::Check(body, "body", PaymentTypesSchema()));
        return CallSpec{.command = name,
                        .call = [in](CallContext& c, Report& r) { PaymentTypes(c, r, *in); }};
    }
    if (name == "day-totals") {
        auto in = std::make_shared<Input>(Input::Check(body, "body", DayTotalsBodySchema()));
        const std::string ecf = in->text("ecf");
        return CallSpec{.command = name, .call = [in, ecf](CallContext& c, Report& r) {
                            DayTotals(c, r, in.get(), ecf);
                        }};
    }
    return std::nullopt;
}

std::vector<std::string> DayNames() {
    return {"start", "printer-data", "date-check", "drawer",        "x",
            "z",     "receipt-number", "payment-types", "day-totals"};
}

void AddDayCommands(CLI::App& app, Program& program) {
    OnRun(Subcommand(app, "start",
                     "open the sales period and ask the printer's state (StartImpFiscal)",
                     "dru start"),
          program, {.command = "start", .call = Start});
    OnRun(Subcommand(app, "printer-data",
                     "read the printer's number, serial, date and time (Carrega_Dados_Impressora)",
                     "dru printer-data --json"),
          program, {.command = "printer-data", .call = PrinterData});

    auto offer_z = std::make_shared<bool>(false);
    CLI::App* date =
        Subcommand(app, "date-check", "compare the printer's clock with this one (VerificaData)",
                   "dru date-check --host-folder /opt/till");
    date->add_flag("--offer-z", *offer_z,
                   "let the driver offer an overdue Z reduction (boSetaData)");
    auto config = std::make_shared<ConfigChoice>();
    date->add_flag("--write-config", config->write,
                   "write DedOvor.cds (--port, --type) into the host folder when it has none");
    date->add_flag("--replace-config", config->replace,
                   "with --write-config: replace an existing DedOvor.cds");
    OnRun(date, program,
          {.command = "date-check", .call = [offer_z, config](CallContext& c, Report& r) {
               DateCheck(c, r, *offer_z, *config);
           }});

    OnRun(Subcommand(app, "drawer", "open the cash drawer (Abre_Gaveta_Imp)",
                     "dru --port COM1 drawer"),
          program, {.command = "drawer", .call = Drawer});
    OnRun(Subcommand(app, "x", "print the X reading (Leitura_X_Imp)", "dru --port /dev/ttyUSB0 x"),
          program, {.command = "x", .call = ReadingX});
    OnRun(Subcommand(app, "z",
                     "print the Z reduction, closing the fiscal day (Reducao_Z_Imp); asks first",
                     "dru --port COM1 z --yes"),
          program,
          {.command = "z",
           .call = ReductionZ,
           .irreversible = "The Z reduction (it closes the fiscal day)"});
    OnRun(Subcommand(app, "receipt-number", "read the last receipt number (Nr_Cupom)",
                     "dru receipt-number"),
          program, {.command = "receipt-number", .call = ReceiptNumber});

    auto types_file = std::make_shared<std::string>();
    CLI::App* types =
        Subcommand(app, "payment-types",
                   "give payment types the printer's codes, and say why a type got none "
                   "(CarregaRecebimento)",
                   "dru payment-types examples/payment_types.json");
    types->add_option("FILE", *types_file, "JSON file: {\"cdsTipoRece\": [rows]}")->required();
    types->callback([&program, types_file] {
        program.action = [&program, types_file] {
            const auto in = std::make_shared<Input>(Input::Load(*types_file, PaymentTypesSchema()));
            return RunCall(program,
                           {.command = "payment-types",
                            .call = [in](CallContext& c, Report& r) { PaymentTypes(c, r, *in); }});
        };
    });

    auto totals_file = std::make_shared<std::string>();
    auto ecf = std::make_shared<std::string>();
    CLI::App* totals = Subcommand(
        app, "day-totals", "read the day totals by payment form, printing nothing (ExportRedZ)",
        "dru day-totals --types examples/payment_types.json");
    totals->add_option("--types", *totals_file,
                       "JSON file of the payment types: {\"cdsTipoRece\": [rows]}");
    totals->add_option("--ecf", *ecf,
                       "the printer's number (default: read with Carrega_Dados_Impressora)");
    totals->callback([&program, totals_file, ecf] {
        program.action = [&program, totals_file, ecf] {
            std::shared_ptr<Input> in;
            if (!totals_file->empty())
                in = std::make_shared<Input>(Input::Load(*totals_file, DayTotalsSchema()));
            return RunCall(program,
                           {.command = "day-totals", .call = [in, ecf](CallContext& c, Report& r) {
                                DayTotals(c, r, in.get(), *ecf);
                            }});
        };
    });
}

std::vector<InputFile> DayInputFiles() {
    std::vector<InputFile> files;
    for (InputFile& c : DayContracts())
        if (c.takes_file) files.push_back(std::move(c));
    return files;
}

std::vector<InputFile> DayContracts() {
    using enum Member::Type;
    constexpr FieldKind kText = FieldKind::Text;
    const Member port{"stCdPortaImpFis", Text, true, {}, {}, "the port (\"COM1\" ...); dru: --port"};
    const Member scheme{"stEsquemaCor", Text, false, {}, {}, "colour scheme; dru: --scheme"};
    const Layout done = {{"result", kText, 0, false, "true when the command was sent"}};
    const std::vector<std::string> by_dru = {"CDPORTAIMPFIS", "ESQUEMA"};
    const Layout start_params = {{"ESQUEMA", kText, 0, false, "colour scheme; dru: --scheme"},
                                 {"CDPORTAIMPFIS", kText, 0, true, "the port; dru: --port"}};
    Layout data_params = start_params;
    for (const char* name : {"DATAATUIMP", "ECFIMP", "REDIMP", "SERIEIMP", "DATAIMP"})
        data_params.push_back({name, kText, 0, false, "written: the printer's value"});
    return {
        {"start", {{"Params", Params, true, start_params, by_dru, "named parameters"}},
         "StartImpFiscal", "open the sales period and ask the printer's state",
         {{"result", kText, 0, false, "true when the printer's state is \"00\" (ready)"}}, false},
        {"printer-data", {{"Params", Params, true, data_params, by_dru, "named parameters"}},
         "Carrega_Dados_Impressora", "read the printer's number, serial, date and time",
         {{"Params", kText, 0, false,
           "the array rewritten: DATAATUIMP (ddmmyyhhnn), ECFIMP (printer number), REDIMP (last "
           "Z), SERIEIMP (serial), DATAIMP (ddmmyy)"}},
         false},
        {"date-check",
         {scheme,
          {"boSetaData", Flag, false, {}, {}, "offer an overdue Z reduction; dru: --offer-z"}},
         "VerificaData",
         "compare the printer's clock with this one; the port and type come from DedOvor.cds "
         "(PORTAFISCAL, IDTIPOIMPFIS) in the host folder",
         {{"result", kText, 0, false, "true when the clocks agree"},
          {"dtDate", kText, 0, false, "written: the printer's fiscal date"}},
         false},
        {"drawer", {port, scheme}, "Abre_Gaveta_Imp", "open the cash drawer", done, false},
        {"x", {port, scheme}, "Leitura_X_Imp", "print the X reading", done, false},
        {"z", {port, scheme}, "Reducao_Z_Imp", "print the Z reduction", done, false},
        {"receipt-number", {port, scheme}, "Nr_Cupom", "read the last receipt number",
         {{"stNrCupom", kText, 0, false, "written: the last receipt number"}}, false},
        {"payment-types", PaymentTypesSchema(), "CarregaRecebimento",
         "give the payment types the printer's codes",
         {{"cdsTipoRece", kText, 0, false,
           "CDFPIMPFIS and IDEMIVALE written; left filtered by IDTPBUTTON = '5'"}}},
        {"day-totals", DayTotalsSchema(), "ExportRedZ",
         "read the day totals by payment form, printing nothing",
         {{"cdsReducaoZ", kText, 0, false, "written: the reduction record"},
          {"cdsFormPgtoZ", kText, 0, false, "written: one row per payment form"}}},
    };
}

}  // namespace dru::cli
