#include "day/date_check.h"

#include <filesystem>

#include "day/day_operations.h"
#include "day/printer_startup.h"
#include "host/errors.h"
#include "host/file_system.h"
#include "host/format.h"
#include "host/params.h"
#include "host/routines.h"
#include "host/text.h"
#include "link/commands.h"
#include "link/exchange.h"
#include "link/frames.h"

namespace dru {

namespace {

// The printer type that reports an overdue Z reduction.
constexpr long long kTypeReportsOverdueZ = 30;
// Field 48 at this value or above (compared as text) means the Z is overdue.
constexpr std::string_view kOverdueZFrom = "3";
// A clock difference above this many (hours x 100 + minutes) warns the operator.
constexpr long long kMaxClockDifference = 15;

std::string config_path(const std::string& folder) {
    std::string path = folder;
    if (path.empty() || path.back() != '/') path += '/';
    path += kPrinterConfigFile;
    return path;
}

struct PrinterConfig {
    std::string port;
    long long type = 0;
};

// Loads DedOvor.cds into cdsPorta when the file is there (a table loaded
// before serves when it has gone) and reads the current record. Every
// failure names the file.
PrinterConfig ReadPrinterConfig(TClientDataSet& cdsPorta, const std::string& folder) {
    const std::string path = config_path(folder);
    try {
        cdsPorta.LoadFromFileIfPresent(path);
    } catch (const EInOutError& e) {
        throw EInOutError("The printer configuration " + path + " cannot be read: " + e.what());
    } catch (const std::runtime_error& e) {
        // The table's own error (or a value in the packet that does not convert).
        throw EDatabaseError("The printer configuration " + path + " is not a readable data packet: " + e.what());
    }
    if (!cdsPorta.Active())
        throw EInOutError("The printer configuration file " + std::string(kPrinterConfigFile) +
                          " is not in the folder " + folder);
    if (cdsPorta.IsEmpty())
        throw EDatabaseError("The printer configuration " + path + " holds no record");
    try {
        return {cdsPorta.FieldByName("PORTAFISCAL").AsString(), cdsPorta.FieldByName("IDTIPOIMPFIS").AsInteger()};
    } catch (const EDatabaseError& e) {
        throw EDatabaseError("The printer configuration " + path + ": " + e.what());
    } catch (const EConvertError& e) {
        throw EConvertError("The printer configuration " + path + ": IDTIPOIMPFIS: " + e.what());
    }
}

// The printer's "DD/MM/YY HH:NN" read in the order it is built, whatever the
// regional date separator and date order.
FormatSettings PrinterDateTimeSettings(const FormatSettings& regional) {
    FormatSettings fs = regional;
    fs.DateSeparator = '/';
    fs.ShortDateFormat = "dd/mm/yy";
    fs.TimeSeparator = ':';
    return fs;
}

// DDMMYY followed by HHMM, as "DD/MM/YY HH:NN".
std::string PrinterDateTimeText(const std::string& stDataAtu) {
    if (stDataAtu.empty()) return {};
    auto part = [&](std::size_t pos) { return text::substr(stDataAtu, pos, 2); };
    return part(0) + "/" + part(2) + "/" + part(4) + " " + part(6) + ":" + part(8);
}

// The clock difference as hours x 100 + minutes, from the host's difference text.
long long ClockDifference(TDateTime printer, TDateTime now, const FormatSettings& fs) {
    const std::string diff = SubtDataHoraLum(printer, now);
    // A negative difference reads "-hh:nn...": its hours and minutes follow the sign.
    const std::string piece = diff.find('-') != std::string::npos ? text::substr(diff, 1, 5) : diff;
    return StrToInt(FormatDateTime("hhnn", StrToDateTime(piece, fs, now), fs));
}

// The printer's date from DDMMYY, the century taken from the computer's year.
TDateTime FiscalDate(const std::string& stData, TDateTime now) {
    int year = 0, month = 0, day = 0;
    DecodeDate(now, year, month, day);
    const long long yy = StrToInt(text::substr(stData, 4, 2));
    return EncodeDate(static_cast<int>(year / 100 * 100 + yy), static_cast<int>(StrToInt(text::substr(stData, 2, 2))),
                      static_cast<int>(StrToInt(text::substr(stData, 0, 2))));
}

}  // namespace

bool VerificaData(Session& session, const std::string& stEsquemaCor, TDateTime& dtDate, const std::string&,
                  const std::string&, bool boSetaData) {
    bool result = true;
    TdtmImpressoraIBM& dm = session.dm.get();
    const PrinterConfig config = ReadPrinterConfig(dm.cdsPorta, session.host_folder);
    LinkContext& link = session.link;

    // From here on any failure gives today's date and the result so far.
    try {
        const std::string stResult =
            Comand_Porta(link, Frame(cmd::kReadCounters), kCommandExchange, config.port, stEsquemaCor);
        const std::string stData = PrinterDateDDMMYY(ReadField(stResult, field481::kDate));
        const std::string stDataAtu = stData + ReadField(stResult, field481::kTime);

        const std::string printerText = PrinterDateTimeText(stDataAtu);
        if (printerText.empty()) throw EConvertError("The printer gave no date and time");
        const FormatSettings fs = PrinterDateTimeSettings(link.format);
        const TDateTime now = link.clock.now();
        const TDateTime printer = StrToDateTime(printerText, fs, now);

        if (ClockDifference(printer, now, fs) > kMaxClockDifference) {
            link.dialog.Mensagem(dm.msgPadrao.Msg("Datadif"), "", "N", "N", TTipoMsg::Tipo3, "",
                                 stEsquemaCor, 0, nullptr);
            result = false;
        }

        if (stData.empty()) {
            dtDate = DateOf(now);
            return result;
        }
        dtDate = FiscalDate(stData, now);

        if (config.type == kTypeReportsOverdueZ && ReadField(stResult, field481::kOverdueZ) >= kOverdueZFrom &&
            boSetaData &&
            link.dialog.Mensagem(dm.msgPadrao2.Msg("REDZDATA_IBM"), "", "N", "S", TTipoMsg::Tipo3,
                                 "", stEsquemaCor, 0, nullptr)) {
            Reducao_Z_Imp(link, config.port, stEsquemaCor, "");
            StartImpFiscal(session, TParams{{"ESQUEMA", stEsquemaCor}, {"CDPORTAIMPFIS", config.port}});
        }
    } catch (const std::exception&) {
        dtDate = DateOf(link.clock.now());
    }
    return result;
}

}  // namespace dru
