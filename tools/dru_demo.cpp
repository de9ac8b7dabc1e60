// Demonstration of the driver's C interface, as a host program would use it:
// the day operations on a printer (the simulator when none is attached), the
// payment-type table, its printer codes and the day totals. Each part is one
// function; every driver call goes through dru01000.h.
//
//   dru_demo [--port DEVICE] [--type 16|30] [--host-folder DIR] [--yes] [--z]
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "dru01000.h"
#include "host/clock.h"
#include "printer_model.h"
#include "pty_server.h"

namespace {

namespace fs = std::filesystem;

// The host's names for the printer's port and its colour scheme.
constexpr const char* kPort = "COM1";
constexpr const char* kScheme = "Azul";
constexpr const char* kLogName = "ANALISA_ERRO.txt";
constexpr const char* kConfigName = "DedOvor.cds";

constexpr const char* kUsage =
    "usage: dru_demo [options]\n"
    "  --port DEVICE        the printer's device as COM1 (default: $DRU_PORT_COM1,\n"
    "                       else the simulator started in-process)\n"
    "  --type 16|30         printer type (default 16)\n"
    "  --host-folder DIR    host folder for DedOvor.cds and the debug log\n"
    "                       (default: a temporary folder, removed at the end)\n"
    "  --yes                answer the driver's questions \"yes\" (default \"no\")\n"
    "  --z                  also print the Z reduction (irreversible on a real printer)\n";

struct Options {
    std::string device;       // empty: the in-process simulator
    std::string device_from;  // where the device came from, for the report
    int type = 16;
    std::string host_folder;  // empty: a temporary one
    bool yes = false;
    bool z = false;
};

// ---- Helpers -------------------------------------------------------------------------

[[noreturn]] void UsageError(const std::string& why) {
    std::fprintf(stderr, "dru_demo: %s\n%s", why.c_str(), kUsage);
    std::exit(2);
}

Options ParseOptions(int argc, char** argv) {
    Options o;
    if (const char* env = std::getenv("DRU_PORT_COM1"); env && *env) o.device = env, o.device_from = "DRU_PORT_COM1";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) UsageError(a + " needs a value");
            return argv[++i];
        };
        if (a == "--port") o.device = value(), o.device_from = "--port";
        else if (a == "--type") {
            const std::string t = value();
            if (t != "16" && t != "30") UsageError("--type is 16 or 30");
            o.type = std::stoi(t);
        } else if (a == "--host-folder") o.host_folder = value();
        else if (a == "--yes") o.yes = true;
        else if (a == "--z") o.z = true;
        else if (a == "-h" || a == "--help") std::fputs(kUsage, stdout), std::exit(0);
        else UsageError("unknown option " + a);
    }
    return o;
}

// True when the entry point just called ran without a platform error. Call it
// before any other function of the interface: the next one clears the error.
bool RanClean(const char* entry) {
    const std::string error = dru_last_error();
    if (error.empty()) return true;
    std::printf("  %s: platform error: %s\n", entry, error.c_str());
    return false;
}

bool Check(bool ok, const char* what) {
    if (!ok) std::printf("  %s failed: %s\n", what, dru_last_error());
    return ok;
}

const char* YesNo(bool b) { return b ? "true" : "false"; }

// A debug-log text for the terminal: Latin-1 becomes UTF-8, and control
// bytes (the frame bytes 0x87 and 0x88 among them) show as <87>.
std::string ForTerminal(const std::string& latin1) {
    std::string out;
    for (unsigned char c : latin1) {
        if ((c < 0x20 && c != '\t') || (c >= 0x7F && c < 0xA0)) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", c);
            out += hex;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// A host date-time (days since 30/12/1899) as DD/MM/YYYY.
std::string DateText(double date) {
    using namespace std::chrono;
    const year_month_day d{sys_days{1899y / December / 30} + days{static_cast<long>(std::floor(date))}};
    char text[16];
    std::snprintf(text, sizeof text, "%02u/%02u/%04d", static_cast<unsigned>(d.day()),
                  static_cast<unsigned>(d.month()), static_cast<int>(d.year()));
    return text;
}

// Blanks up to `width` characters (UTF-8 continuation bytes do not count).
std::string Pad(std::string s, std::size_t width) {
    std::size_t chars = 0;
    for (unsigned char c : s) chars += (c & 0xC0) != 0x80;
    if (chars < width) s.append(width - chars, ' ');
    return s;
}

struct Column {
    const char* field;
    std::size_t width;
};

void PrintRows(DruDataSet* ds, const char* title, const std::vector<Column>& columns) {
    const int rows = dru_dataset_record_count(ds);
    std::printf("%s (%d row%s)\n ", title, rows, rows == 1 ? "" : "s");
    for (const Column& c : columns) std::printf(" %s", Pad(c.field, c.width).c_str());
    std::printf("\n");
    for (dru_dataset_first(ds); !dru_dataset_eof(ds); dru_dataset_next(ds)) {
        std::printf(" ");
        for (const Column& c : columns) {
            const std::string value = dru_dataset_is_null(ds, c.field) ? "(null)" : dru_dataset_get_text(ds, c.field);
            std::printf(" %s", Pad(value, c.width).c_str());
        }
        std::printf("\n");
    }
}

const std::vector<Column> kPaymentColumns = {{"CDTIPORECE", 11}, {"NMTIPORECE", 20}, {"IDTIPORECE", 11},
                                             {"IDTPBUTTON", 11}, {"CDFPIMPFIS", 11}, {"IDEMIVALE", 9}};

void PrintTable(DruDataSet* ds, const char* title) { PrintRows(ds, title, kPaymentColumns); }

// ---- Operator dialog -----------------------------------------------------------------

// Shows the driver's messages on the terminal; questions get the answer the
// options chose, never a prompt (the demonstration runs unattended).
bool OnMessage(void* user, const char* text, const char*, const char*, const char* question, int32_t kind,
               const char*, const char* scheme, int32_t, const DruDataSet*) {
    const bool answer = *static_cast<const bool*>(user);
    const bool asks = std::string(question) == "S";
    std::printf("  [operator %s, kind %d, scheme %s] %s\n", asks ? "question" : "notice", kind, scheme, text);
    if (asks) std::printf("  [answered %s]\n", answer ? "yes" : "no");
    return asks && answer;
}

// ---- Printer -------------------------------------------------------------------------

// A sale already on the simulated printer's counters, so the day totals
// have something to show: 10000 paid 6000 in cash (form 01), 4000 by cheque (02).
void RingUpSale(dru::sim::PrinterModel& printer, int type) {
    const char* commands[] = {"000",
                              "12",
                              "13112" "0000000000001" "000002000" "000001500" "000003000" "CAFE EXPRESO",
                              "13112" "0000000000002" "000001000" "000007000" "000007000" "SANDWICH MIXTO",
                              "20" "0000010000",
                              "26" "11" "01" "0000006000",
                              "26" "11" "02" "0000004000",
                              "27" "1000000000",
                              type == 30 ? "99" : "98"};
    for (const char* command : commands) printer.execute(command);
}

// The printer simulator on a pseudo-terminal, in this process.
class InProcessPrinter {
public:
    explicit InProcessPrinter(int type) : model_(clock_, dru::sim::PrinterConfig{.type = type}) {
        RingUpSale(model_, type);
        server_ = std::make_unique<dru::sim::PtyServer>(model_);
    }
    const std::string& device() const { return server_->device_path(); }
    std::string paper() {
        std::string text;
        server_->with_model([&](dru::sim::PrinterModel& m) { text = m.paper_text(); });
        return text;
    }

private:
    dru::RealClock clock_;
    dru::sim::PrinterModel model_;
    std::unique_ptr<dru::sim::PtyServer> server_;
};

// Starts the simulator unless a device was given; null when it cannot start.
std::unique_ptr<InProcessPrinter> ChoosePrinter(const Options& o) {
    if (!o.device.empty()) {
        dru_set_port_device(kPort, o.device.c_str());
        std::printf("%s is %s (from %s)\n", kPort, o.device.c_str(), o.device_from.c_str());
        return nullptr;
    }
    auto printer = std::make_unique<InProcessPrinter>(o.type);
    dru_set_port_device(kPort, printer->device().c_str());
    std::printf("%s is the printer simulator (type %d) on %s; a sale of 10000 is on its counters\n", kPort, o.type,
                printer->device().c_str());
    return printer;
}

// ---- Host folder ---------------------------------------------------------------------

// The host folder: the one given, or a temporary one removed at the end.
class HostFolder {
public:
    explicit HostFolder(const std::string& given) {
        if (!given.empty()) {
            path_ = given;
            fs::create_directories(path_);
            return;
        }
        std::string pattern = (fs::temp_directory_path() / "dru_demo_XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::system_error(errno, std::generic_category(), "mkdtemp");
        path_ = pattern;
        temporary_ = true;
    }
    HostFolder(const HostFolder&) = delete;
    HostFolder& operator=(const HostFolder&) = delete;
    ~HostFolder() {
        std::error_code ec;
        if (temporary_) fs::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    std::string file(const char* name) const { return (fs::path(path_) / name).string(); }

private:
    std::string path_;
    bool temporary_ = false;
};

// DedOvor.cds, the printer configuration the date check reads: port and type.
bool WritePrinterConfig(const HostFolder& folder, int type) {
    DruDataSet* ds = dru_dataset_new();
    const bool ok = dru_dataset_add_field(ds, "PORTAFISCAL", DRU_FT_STRING, 10) &&
                    dru_dataset_add_field(ds, "IDTIPOIMPFIS", DRU_FT_INTEGER, 0) && dru_dataset_create(ds) &&
                    dru_dataset_append(ds) && dru_dataset_set_text(ds, "PORTAFISCAL", kPort) &&
                    dru_dataset_set_number(ds, "IDTIPOIMPFIS", type) && dru_dataset_post(ds) &&
                    dru_dataset_save_to_file(ds, folder.file(kConfigName).c_str());
    Check(ok, "writing DedOvor.cds");
    dru_dataset_free(ds);
    return ok;
}

// ---- Day operations ------------------------------------------------------------------

bool DemoStartUp() {
    std::printf("\n== StartImpFiscal (commands 32 and 35)\n");
    DruParams* params = dru_params_new();
    dru_params_add_text(params, "ESQUEMA", kScheme);
    dru_params_add_text(params, "CDPORTAIMPFIS", kPort);
    const bool ready = StartImpFiscal(params);
    const bool ok = RanClean("StartImpFiscal");
    dru_params_free(params);
    std::printf("  printer ready for sales: %s\n", YesNo(ready));
    return ok;
}

// Reads the printer's data; `ecf` receives its number for the totals export.
bool DemoPrinterData(std::string& ecf) {
    std::printf("\n== Carrega_Dados_Impressora (command 481)\n");
    DruParams* params = dru_params_new();
    // The printer's values go in empty; REDIMP comes back as the host gave it.
    const std::pair<const char*, const char*> given[] = {{"CDPORTAIMPFIS", kPort}, {"ESQUEMA", kScheme},
                                                         {"DATAATUIMP", ""},       {"ECFIMP", ""},
                                                         {"REDIMP", "0041"},       {"SERIEIMP", ""},
                                                         {"DATAIMP", ""}};
    for (const auto& [name, value] : given) dru_params_add_text(params, name, value);
    const bool result = Carrega_Dados_Impressora(params);
    const bool ok = RanClean("Carrega_Dados_Impressora");
    std::printf("  result %s\n", YesNo(result));
    for (int32_t i = 0; i < dru_params_count(params); ++i) {
        std::printf("  %-10s = \"%s\"\n", dru_params_name(params, i), dru_params_text(params, i));
        if (std::string(dru_params_name(params, i)) == "ECFIMP") ecf = dru_params_text(params, i);
    }
    dru_params_free(params);
    return ok;
}

bool DemoDateCheck() {
    std::printf("\n== VerificaData (port and type from DedOvor.cds, command 481)\n");
    double date = 0;
    const bool result = VerificaData(kScheme, &date, "", "", true);
    std::printf("  fiscal date %s, clocks agree: %s\n", DateText(date).c_str(), YesNo(result));
    return RanClean("VerificaData");
}

bool DemoDrawerAndX() {
    std::printf("\n== Abre_Gaveta_Imp (command 34)\n");
    std::printf("  result %s\n", YesNo(Abre_Gaveta_Imp(kPort, kScheme, false)));
    bool ok = RanClean("Abre_Gaveta_Imp");
    std::printf("\n== Leitura_X_Imp (command 01)\n");
    std::printf("  result %s\n", YesNo(Leitura_X_Imp(kPort, kScheme, "")));
    return RanClean("Leitura_X_Imp") && ok;
}

bool DemoReceiptNumber() {
    std::printf("\n== Nr_Cupom (command 481)\n");
    DruText* number = dru_text_new("(unchanged)");
    Nr_Cupom(kPort, kScheme, number);
    const bool ok = RanClean("Nr_Cupom");
    std::printf("  last receipt \"%s\"\n", dru_text_get(number));
    dru_text_free(number);
    return ok;
}

bool DemoReductionZ() {
    std::printf("\n== Reducao_Z_Imp (command 021)\n");
    std::printf("  result %s\n", YesNo(Reducao_Z_Imp(kPort, kScheme, "")));
    return RanClean("Reducao_Z_Imp");
}

// ---- Tables ----------------------------------------------------------------------------

struct PaymentType {
    const char* code;
    const char* name;
    const char* payment_class;  // IDTIPORECE
    const char* button;         // IDTPBUTTON
};

const PaymentType kPaymentTypes[] = {
    {"001", "EFECTIVO", "4", "5"},       {"002", "CHEQUE", "3", "5"},        {"003", "TARJETA CRÉDITO", "1", "5"},
    {"004", "TARJETA DÉBITO", "2", "5"}, {"005", "VALE ALIMENTACION", "5", "1"}, {"006", "CUENTA CONSUMIDOR", "9", "3"},
};

// A payment-type table with the fields the payment operations read and write.
DruDataSet* BuildPaymentTypes() {
    DruDataSet* ds = dru_dataset_new();
    const bool made = dru_dataset_add_field(ds, "CDTIPORECE", DRU_FT_STRING, 3) &&
                      dru_dataset_add_field(ds, "NMTIPORECE", DRU_FT_STRING, 40) &&
                      dru_dataset_add_field(ds, "IDTIPORECE", DRU_FT_STRING, 1) &&
                      dru_dataset_add_field(ds, "IDTPBUTTON", DRU_FT_STRING, 1) &&
                      dru_dataset_add_field(ds, "CDFPIMPFIS", DRU_FT_STRING, 10) &&
                      dru_dataset_add_field(ds, "IDEMIVALE", DRU_FT_STRING, 1) &&
                      dru_dataset_add_field(ds, "VRTAXAADMI", DRU_FT_FLOAT, 0) && dru_dataset_create(ds);
    if (!Check(made, "creating the table")) return ds;
    for (const PaymentType& p : kPaymentTypes) {
        Check(dru_dataset_append(ds) && dru_dataset_set_text(ds, "CDTIPORECE", p.code) &&
                  dru_dataset_set_text(ds, "NMTIPORECE", p.name) &&
                  dru_dataset_set_text(ds, "IDTIPORECE", p.payment_class) &&
                  dru_dataset_set_text(ds, "IDTPBUTTON", p.button) && dru_dataset_set_number(ds, "VRTAXAADMI", 0) &&
                  dru_dataset_post(ds),
              "adding a row");
    }
    return ds;
}

// Filters the table, writes it as a packet and to a file, reads both back.
bool DemoTables(DruDataSet* ds) {
    std::printf("\n== Tables\n");
    PrintTable(ds, "Payment types");

    bool ok = Check(dru_dataset_set_filter(ds, "IDTPBUTTON = '5'", true), "filter");
    PrintTable(ds, "Filtered by IDTPBUTTON = '5'");
    ok = Check(dru_dataset_set_filter(ds, "", false), "filter off") && ok;

    DruText* packet = dru_text_new(nullptr);
    ok = Check(dru_dataset_get_data(ds, packet), "writing the packet") && ok;
    std::printf("Data packet:\n%s\n", dru_text_get(packet));
    DruDataSet* copy = dru_dataset_new();
    ok = Check(dru_dataset_set_data(copy, dru_text_get(packet)), "reading the packet") && ok;
    PrintTable(copy, "Read back from the packet");

    const std::string path = "/tmp/dru_demo_" + std::to_string(getpid()) + ".cds";
    DruDataSet* loaded = dru_dataset_new();
    ok = Check(dru_dataset_save_to_file(ds, path.c_str()), "saving") &&
         Check(dru_dataset_load_from_file(loaded, path.c_str()), "loading") && ok;
    std::printf("Saved to and loaded from %s: %d rows\n", path.c_str(), dru_dataset_record_count(loaded));
    std::remove(path.c_str());

    std::printf("A malformed packet is refused: %s\n",
                dru_dataset_set_data(loaded, "<DATAPACKET><METADATA>") ? "(accepted!)" : dru_last_error());
    std::printf("and the table keeps its %d rows\n", dru_dataset_record_count(loaded));

    dru_dataset_free(loaded);
    dru_dataset_free(copy);
    dru_text_free(packet);
    return ok;
}

// ---- Payments --------------------------------------------------------------------------

bool DemoPaymentCodes(DruDataSet* tipos, int type) {
    std::printf("\n== CarregaRecebimento (command 432: the printer's payment forms)\n");
    CarregaRecebimento(kPort, kScheme, type, tipos);
    bool ok = RanClean("CarregaRecebimento");
    PrintTable(tipos, "Payment types with printer codes, as left (filtered by IDTPBUTTON = '5')");
    ok = Check(dru_dataset_set_filter(tipos, "", false), "filter off") && ok;
    PrintTable(tipos, "All payment types");
    std::printf("A type whose name is not in the printer's list, nor of a class that got a code, keeps its code.\n");
    return ok;
}

bool DemoDayTotals(DruDataSet* tipos, const std::string& ecf, int type) {
    std::printf("\n== ExportRedZ (command 481: the day totals, nothing printed)\n");
    DruDataSet* reducao = dru_dataset_new();
    DruDataSet* formas = dru_dataset_new();
    const bool result = ExportRedZ(kPort, kScheme, ecf.c_str(), type, tipos, reducao, formas, nullptr, nullptr);
    const bool ok = RanClean("ExportRedZ");
    std::printf("  result %s\n", YesNo(result));
    PrintRows(reducao, "Reduction (cdsReducaoZ)",
              {{"NRECFREDZ", 9}, {"DTREDUCAOZ", 10}, {"NRREDREDZ", 9}, {"NRPRIMCFREDZ", 12}, {"NRULTCFREDZ", 11},
               {"VRVENBRUREDZ", 12}, {"VRVENLIQREDZ", 12}});
    if (dru_dataset_record_count(reducao) == 0) std::printf("  (no reduction record: the printer reported no sales, or no reply)\n");
    PrintRows(formas, "Payment forms (cdsFormPgtoZ)",
              {{"NRECFREDZ", 9}, {"DTREDUCAOZ", 10}, {"CDTIPORECE", 10}, {"CDTPRECEORIG", 12}, {"VRFORMPGTORZ", 12}});
    dru_dataset_free(formas);
    dru_dataset_free(reducao);
    return ok;
}

// ---- What the run left -----------------------------------------------------------------

// One log line; a reply of several printer lines (ended by CR or LF) shows
// one row per printer line.
void PrintLogLine(const std::string& line) {
    std::size_t start = 0;
    for (const char* indent = "  ";; indent = "      ") {
        const std::size_t end = line.find_first_of("\r\n", start);
        const std::string piece = line.substr(start, end - start);
        if (start == 0 || !piece.empty()) std::printf("%s%s\n", indent, ForTerminal(piece).c_str());
        if (end == std::string::npos) break;
        start = end + 1;
    }
}

void PrintDebugLog(const HostFolder& folder) {
    const std::string path = folder.file(kLogName);
    std::printf("\n== Debug log %s\n", path.c_str());
    std::error_code ec;
    std::ifstream in(path, std::ios::binary);
    if (!fs::is_regular_file(path, ec) || !in) {
        std::printf("  (not written)\n");
        return;
    }
    const std::string log{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    constexpr std::string_view kLineEnd = "\r\n";  // the log's own line end
    for (std::size_t start = 0; start < log.size();) {
        std::size_t end = log.find(kLineEnd, start);
        if (end == std::string::npos) end = log.size();
        PrintLogLine(log.substr(start, end - start));
        start = end + kLineEnd.size();
    }
}

void PrintPaper(InProcessPrinter& printer) {
    std::printf("\n== The simulator's paper roll\n");
    std::istringstream roll(printer.paper());
    for (std::string line; std::getline(roll, line);) std::printf("  | %s\n", line.c_str());
}

// ---- The run ---------------------------------------------------------------------------

bool RunDay(const Options& o, const HostFolder& folder) {
    bool ok = DemoStartUp();
    std::string ecf;
    ok = DemoPrinterData(ecf) && ok;
    ok = WritePrinterConfig(folder, o.type) && DemoDateCheck() && ok;
    ok = DemoDrawerAndX() && ok;
    DruDataSet* tipos = BuildPaymentTypes();
    ok = DemoTables(tipos) && ok;
    ok = DemoPaymentCodes(tipos, o.type) && ok;
    ok = DemoDayTotals(tipos, ecf, o.type) && ok;
    dru_dataset_free(tipos);
    ok = DemoReceiptNumber() && ok;
    if (o.z) ok = DemoReductionZ() && ok;
    else std::printf("\n(Reducao_Z_Imp skipped: it closes the fiscal day; run with --z to print it)\n");
    return ok;
}

int Run(const Options& o) {
    std::printf("dru_demo: each exchange waits for the printer's reply up to its 1 s time-out,\n"
                "so the whole run takes 10 to 20 seconds.\n");
    std::unique_ptr<InProcessPrinter> printer;
    try {
        printer = ChoosePrinter(o);
    } catch (const std::system_error& e) {
        std::printf("the printer simulator could not start: %s\n", e.what());
        return EXIT_FAILURE;
    }
    std::unique_ptr<HostFolder> made;
    try {
        made = std::make_unique<HostFolder>(o.host_folder);
    } catch (const std::exception& e) {
        std::printf("no host folder: %s\n", e.what());
        return EXIT_FAILURE;
    }
    const HostFolder& folder = *made;
    std::printf("host folder %s\n", folder.path().c_str());
    dru_set_host_folder(folder.path().c_str());
    dru_set_message_handler(OnMessage, const_cast<bool*>(&o.yes));

    const bool ok = RunDay(o, folder);

    dru_set_message_handler(nullptr, nullptr);
    PrintDebugLog(folder);
    if (printer) PrintPaper(*printer);
    dru_set_port_device(kPort, nullptr);
    std::printf("\n%s\n", ok ? "demo finished" : "demo finished with platform errors");
    return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}

}  // namespace

int main(int argc, char** argv) { return Run(ParseOptions(argc, argv)); }
