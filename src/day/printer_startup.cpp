#include "day/printer_startup.h"

#include "host/routines.h"
#include "host/text.h"
#include "link/commands.h"
#include "link/exchange.h"
#include "link/frames.h"

namespace dru {

namespace {

// The printer number goes to the host in this many digits.
constexpr int kPrinterNumberWidth = 4;
// The serial number field starts with this many characters the host does not keep.
constexpr std::size_t kSerialPrefixLength = 4;
// The printer's state reply begins with this when the start-up succeeded.
constexpr std::string_view kStateOk = "00";

}  // namespace

std::string PrinterDateDDMMYY(const std::string& field44) {
    return text::substr(field44, 0, 4) + text::substr(field44, 6);
}

bool StartImpFiscal(Session& session, const TParams& Params) {
    const std::string stCdPortaImpFis = RecebeParams(Params, "CDPORTAIMPFIS");
    const std::string stEsquemaCor = RecebeParams(Params, "ESQUEMA");
    // The answer to 32 is not looked at: the state reply to 35 tells.
    Comand_Porta(session.link, Frame(cmd::kOpenSalesPeriod), kCommandExchange, stCdPortaImpFis, stEsquemaCor);
    const std::string stRetorno =
        Comand_Porta(session.link, Frame(cmd::kPrinterState), kCommandExchange, stCdPortaImpFis, stEsquemaCor);
    return stRetorno.starts_with(kStateOk);
}

bool Carrega_Dados_Impressora(Session& session, TParams& Params) {
    const std::string stCdPortaImpFis = RecebeParams(Params, "CDPORTAIMPFIS");
    const std::string stEsquemaCor = RecebeParams(Params, "ESQUEMA");
    const std::string stRedImp = RecebeParams(Params, "REDIMP");
    // "DATAATUIMP", "ECFIMP", "SERIEIMP" and "DATAIMP" are outputs: their
    // input values do not count.

    const std::string stResult =
        Comand_Porta(session.link, Frame(cmd::kReadCounters), kCommandExchange, stCdPortaImpFis, stEsquemaCor);
    const std::string stData = PrinterDateDDMMYY(ReadField(stResult, field481::kDate));

    TParams result{
        {"DATAATUIMP", stData + ReadField(stResult, field481::kTime)},
        {"ECFIMP", AjustaZero(ReadField(stResult, field481::kPrinterNumber), kPrinterNumberWidth)},
        {"REDIMP", stRedImp},
        {"SERIEIMP", text::substr(ReadField(stResult, field481::kSerial), kSerialPrefixLength)},
        {"DATAIMP", stData},
    };
    Params.replace(std::move(result));
    return true;
}

}  // namespace dru
