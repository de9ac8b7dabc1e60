#include "payments/payment_totals_export.h"

#include <array>
#include <charconv>
#include <climits>

#include "module/data_module.h"
#include "host/errors.h"
#include "host/format.h"
#include "host/routines.h"
#include "host/text.h"
#include "link/commands.h"
#include "link/exchange.h"
#include "link/frames.h"

namespace dru {
namespace {

// The printer's gross sales read exactly this when nothing was sold.
constexpr std::string_view kNoSales = "0";
// A payment form's amount reads exactly this when nothing was taken in it.
constexpr std::string_view kNothingTaken = "0";
// The reduction number is handed back four characters wide.
constexpr int kReductionNumberWidth = 4;
// The printer's payment forms, in the order of their amounts in the reply.
constexpr std::array<std::string_view, 5> kPaymentFormNames = {
    "Efectivo", "Cheque", "Tarjeta Cr\u00e9dito", "Tarjeta D\u00e9bito", "Tarjeta Propia"};

constexpr std::string_view kCodedTypesFilter = "CDFPIMPFIS IS NOT NULL";

// Empties a working table, keeping the layout loaded into it.
void RecreateEmpty(TClientDataSet& ds) {
    ds.SetFiltered(false);
    ds.EmptyDataSet();
}

// A working table takes the host table's fields and rows; a host table that
// was never created hands in no rows (the working table keeps its layout).
void Load(TClientDataSet& target, const TClientDataSet& source) {
    target.SetFiltered(false);
    if (source.Active()) target.CopyFrom(source);
    else target.EmptyDataSet();
}

void CancelUnposted(TClientDataSet& ds) noexcept {
    try {
        if (ds.State() == DataSetState::Edit || ds.State() == DataSetState::Insert) ds.Cancel();
    } catch (...) {
    }
}

void LoadWorkingTables(TdtmImpressoraIBM& dm, const TClientDataSet& cdsTipoRece,
                       const TClientDataSet& cdsReducaoZ, const TClientDataSet& cdsFormPgtoZ,
                       const TClientDataSet& cdsImpostoRedz, const TClientDataSet& cdsTotNFiscRedZ) {
    Load(dm.cdsTipoReceImp, cdsTipoRece);
    Load(dm.cdsReducaoZImp, cdsReducaoZ);
    Load(dm.cdsFormPgtoRedZImp, cdsFormPgtoZ);
    Load(dm.cdsImpostoRedZImp, cdsImpostoRedz);
    Load(dm.cdsTotNFiscRedZImp, cdsTotNFiscRedZ);
}

// The reduction record. Returns false when the printer sold nothing (the
// record is then dropped and the payment forms are left alone).
bool BuildReduction(TClientDataSet& redz, const std::string& reply, const std::string& stECF,
                    TDateTime today) {
    RecreateEmpty(redz);
    redz.Append();
    redz.FieldByName("NRECFREDZ").SetAsString(stECF);
    redz.FieldByName("DTREDUCAOZ").SetAsDateTime(today);
    redz.FieldByName("VRTOTCANREDZ").SetAsFloat(0);
    const long long ultima = StrToInt(ReadField(reply, field481::kLastZ));
    if (ultima == LLONG_MAX) throw EConvertError("reduction number out of range");
    redz.FieldByName("NRREDREDZ").SetAsString(Ajusta(std::to_string(ultima + 1), kReductionNumberWidth));
    redz.FieldByName("NRPRIMCFREDZ").SetAsString(ReadField(reply, field481::kFirstReceipt));
    redz.FieldByName("NRULTCFREDZ").SetAsString(ReadField(reply, field481::kLastReceipt));

    const std::string bruta = ReadField(reply, field481::kGrossSales);
    if (bruta == kNoSales) {
        redz.Cancel();
        return false;
    }
    const double doBruta = AmountFromReply(bruta);
    redz.FieldByName("VRVENBRUREDZ").SetAsFloat(doBruta);
    redz.FieldByName("VRVENLIQREDZ").SetAsFloat(doBruta);
    redz.Post();
    return true;
}

// First coded payment type named exactly `name` (case-sensitive).
bool SeekName(TClientDataSet& tipos, const std::string& name) {
    for (tipos.First(); !tipos.Eof(); tipos.Next())
        if (tipos.FieldByName("NMTIPORECE").AsString() == name) return true;
    return false;
}

// One record per payment form that the host knows under a printer code and
// that took an amount; in reply order.
void BuildPaymentForms(TdtmImpressoraIBM& dm, const std::string& reply, const std::string& stECF,
                       TDateTime today) {
    TClientDataSet& formas = dm.cdsFormPgtoRedZImp;
    TClientDataSet& tipos = dm.cdsTipoReceIBM;
    RecreateEmpty(formas);
    tipos.SetFiltered(false);
    tipos.CopyFrom(dm.cdsTipoReceImp);
    SetTableFilter(tipos, kCodedTypesFilter);

    for (std::size_t k = 1; k <= kPaymentFormNames.size(); ++k) {
        formas.Append();
        formas.FieldByName("NRECFREDZ").SetAsString(stECF);
        formas.FieldByName("DTREDUCAOZ").SetAsDateTime(today);
        std::string valor = ReadField(reply, field481::kGrossSales + static_cast<int>(k));
        if (valor == kNothingTaken) valor.clear();
        const std::string nome = text::upper_ascii(kPaymentFormNames[k - 1]);
        if (SeekName(tipos, nome) && !EmptyString(valor)) {
            const std::string cdTipoRece = tipos.FieldByName("CDTIPORECE").AsString();
            formas.FieldByName("VRFORMPGTORZ").SetAsFloat(AmountFromReply(valor));
            formas.FieldByName("CDTIPORECE").SetAsString(cdTipoRece);
            formas.FieldByName("CDTPRECEORIG").SetAsString(cdTipoRece);
            formas.Post();
        } else {
            formas.Cancel();
        }
    }
}

// The export swallows every error; the last one is kept for the caller.
class Swallowed {
public:
    explicit Swallowed(ErrorReport* out) : out_(out) {}
    void keep(const std::exception& e) {
        if (!out_) return;
        *out_ = ReportOf(e);
        out_->message = "ExportRedZ: " + out_->message;
    }

private:
    ErrorReport* out_;
};

// Each result table is handed back on its own, so one refused copy does not
// keep the other from the host.
void CopyResultsBack(TdtmImpressoraIBM& dm, TClientDataSet& cdsReducaoZ, TClientDataSet& cdsFormPgtoZ,
                     Swallowed& swallowed) {
    try {
        cdsReducaoZ.CopyFrom(dm.cdsReducaoZImp);
    } catch (const std::exception& e) {
        swallowed.keep(e);
    }
    try {
        cdsFormPgtoZ.CopyFrom(dm.cdsFormPgtoRedZImp);
    } catch (const std::exception& e) {
        swallowed.keep(e);
    }
}

}  // namespace

double AmountFromReply(std::string_view field) {
    const auto bad = [&] { return EConvertError("'" + std::string(field) + "' is not a valid amount"); };
    std::string_view t = field;
    while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    std::string normal(t);
    bool digit = false;
    bool point = false;
    for (std::size_t i = 0; i < normal.size(); ++i) {
        char& c = normal[i];
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if ((c == '.' || c == ',') && !point) {
            point = true;
            c = '.';
        } else if (!(c == '-' && i == 0)) {
            throw bad();
        }
    }
    if (!digit) throw bad();
    double value = 0;
    const auto [end, ec] = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    if (ec != std::errc() || end != normal.data() + normal.size()) throw bad();
    return value;
}

bool ExportRedZ(Session& s, const std::string& stCdPortaImpFis, const std::string& stEsquemaCor,
                const std::string& stECF, int /*idTipoImpFis*/, TClientDataSet& cdsTipoRece,
                TClientDataSet& cdsReducaoZ, TClientDataSet& cdsFormPgtoZ,
                TClientDataSet& cdsImpostoRedz, TClientDataSet& cdsTotNFiscRedZ, ErrorReport* swallowed_error) {
    TdtmImpressoraIBM& dm = s.dm.get();
    Swallowed swallowed(swallowed_error);
    try {
        LoadWorkingTables(dm, cdsTipoRece, cdsReducaoZ, cdsFormPgtoZ, cdsImpostoRedz, cdsTotNFiscRedZ);
        const std::string reply = Comand_Porta(s.link, Frame(cmd::kReadCounters), kCommandExchange,
                                               stCdPortaImpFis, stEsquemaCor);
        const TDateTime today = DateOf(s.link.clock.now());
        try {
            if (BuildReduction(dm.cdsReducaoZImp, reply, stECF, today))
                BuildPaymentForms(dm, reply, stECF, today);
        } catch (const std::exception& e) {
            // What was posted is handed back; a record still being filled is dropped.
            CancelUnposted(dm.cdsReducaoZImp);
            CancelUnposted(dm.cdsFormPgtoRedZImp);
            swallowed.keep(e);
        } catch (...) {
            CancelUnposted(dm.cdsReducaoZImp);
            CancelUnposted(dm.cdsFormPgtoRedZImp);
        }
        CopyResultsBack(dm, cdsReducaoZ, cdsFormPgtoZ, swallowed);
    } catch (const std::exception& e) {
        swallowed.keep(e);
    } catch (...) {
    }
    return true;
}

}  // namespace dru
