#include "payments/payment_type_loading.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <utility>

#include "host/errors.h"
#include "host/routines.h"
#include "host/text.h"
#include "link/commands.h"
#include "link/exchange.h"
#include "link/frames.h"

namespace dru {
namespace {

// The printer's list starts after this line; letter case is not relied on.
constexpr std::string_view kListHeader = "TOTALES POR FORMA DE PAGO";
// The printer closes its list with a dash line.
constexpr std::string_view kDashLine = "-----";
// Printer type 16 ends the lines of its list with CR, type 30 with LF.
constexpr int kPrinterType16 = 16;
constexpr int kPrinterType30 = 30;
// Type 16 starts its dash line in column 1; type 30 (and any other) in column 2.
constexpr std::size_t kDashColumnType16 = 1;
constexpr std::size_t kDashColumnOthers = 2;
// The printer spends three lines on each payment form of its list.
constexpr int kLinesPerForm = 3;
// Payment classes the fixed mapping looks for, 1 to this.
constexpr int kLastClass = 10;

// Only payment types shown as this kind of button take part in the search and the mapping.
constexpr std::string_view kButtonFilter = "IDTPBUTTON = '5'";
constexpr std::string_view kUncodedFilter = "CDFPIMPFIS IS NULL";
constexpr std::string_view kCodedFilter = "CDFPIMPFIS IS NOT NULL";

constexpr std::array<std::string_view, 5> kFieldsUsed = {"NMTIPORECE", "IDTIPORECE", "IDTPBUTTON",
                                                           "CDFPIMPFIS", "IDEMIVALE"};

// Payment class -> printer code when the printer gives no usable list.
std::optional<std::string> FixedCode(std::string_view idTipoRece) {
    if (idTipoRece == "1") return "03";
    if (idTipoRece == "2") return "04";
    if (idTipoRece == "3") return "02";
    if (idTipoRece == "4") return "01";
    if (idTipoRece == "5") return "06";
    if (idTipoRece == "7") return "07";
    return std::nullopt;
}

// Class "4" pays without issuing a voucher.
std::string VoucherFlag(std::string_view idTipoRece) { return idTipoRece == "4" ? "N" : "S"; }

// "01" ... "09", then "10", "11", ...
std::string PrinterCode(int inReceb) {
    std::string code = std::to_string(inReceb);
    return code.size() == 1 ? "0" + code : code;
}

void RequireFields(const TClientDataSet& ds) {
    for (std::string_view name : kFieldsUsed) {
        if (!ds.HasField(name))
            throw EDatabaseError("payment-type table: field '" + std::string(name) + "' not found");
    }
}

// After an error: drop a half-made edit, put back the records as they were
// before the call, and leave the table filtered by button kind as every other
// path does. Best effort; the first error is the one worth reporting.
void RestoreAfterError(TClientDataSet& ds, const TClientDataSet& before) noexcept {
    try {
        if (ds.State() == DataSetState::Edit || ds.State() == DataSetState::Insert) ds.Cancel();
    } catch (...) {
    }
    try {
        if (before.Active()) ds.CopyFrom(before);
    } catch (...) {
    }
    try {
        SetTableFilter(ds, kButtonFilter);
    } catch (...) {
    }
}

void WriteCode(TClientDataSet& ds, const std::string& code) {
    ds.Edit();
    ds.FieldByName("CDFPIMPFIS").SetAsString(code);
    ds.FieldByName("IDEMIVALE").SetAsString(VoucherFlag(ds.FieldByName("IDTIPORECE").AsString()));
    ds.Post();
}

// Moves the cursor to record `index` (0-based) of the current view.
void MoveTo(TClientDataSet& ds, int index) {
    ds.First();
    for (int i = 0; i < index && !ds.Eof(); ++i) ds.Next();
}

// The record of the (filtered) view whose name occurs in `line`: the first
// in table order whose name is not part of another name found in the line,
// so the line "TARJETA CREDITO" belongs to "TARJETA CREDITO", not to a
// "TARJETA" listed before it. An empty name occurs nowhere.
std::optional<int> FindNameInLine(TClientDataSet& ds, const std::string& upperLine) {
    std::vector<std::pair<int, std::string>> found;
    int index = 0;
    for (ds.First(); !ds.Eof(); ds.Next(), ++index) {
        std::string name = text::upper_ascii(ds.FieldByName("NMTIPORECE").AsString());
        if (!name.empty() && upperLine.find(name) != std::string::npos) found.emplace_back(index, std::move(name));
    }
    const auto partOfAnother = [&](const std::string& name) {
        return std::any_of(found.begin(), found.end(), [&](const auto& other) {
            return other.second.size() > name.size() && other.second.find(name) != std::string::npos;
        });
    };
    for (const auto& [at, name] : found)
        if (!partOfAnother(name)) return at;
    return std::nullopt;
}

// Steps through the list after the header, one printer payment number per
// group of three lines, up to the dash line or the end of the list.
void AssignCodesFromList(TClientDataSet& ds, const std::vector<std::string>& lines,
                         std::size_t linha, int idTipoImpFis) {
    const std::size_t dashColumn = idTipoImpFis == kPrinterType16 ? kDashColumnType16 : kDashColumnOthers;
    int inReceb = 1;
    int inControle = 0;
    for (; linha < lines.size(); ++linha) {
        const std::string& line = lines[linha];
        if (text::substr(line, dashColumn - 1, kDashLine.size()) == kDashLine) break;
        if (inControle == kLinesPerForm) {
            inControle = 0;
            ++inReceb;
        }
        if (const auto found = FindNameInLine(ds, text::upper_ascii(line))) {
            MoveTo(ds, *found);
            WriteCode(ds, PrinterCode(inReceb));
        }
        ++inControle;
    }
}

// Leaves the cursor on the first record of the view of class `idTipoRece`
// (exact comparison); false when there is none. A record without a class
// shares nothing.
bool SeekClass(TClientDataSet& ds, const std::string& idTipoRece) {
    if (idTipoRece.empty()) return false;
    for (ds.First(); !ds.Eof(); ds.Next())
        if (ds.FieldByName("IDTIPORECE").AsString() == idTipoRece) return true;
    return false;
}

// Records of every button kind still without a code take the code of a coded
// record of the same payment class. A record that gets a code leaves the
// "IS NULL" view on Post, so the walk counts the records it keeps instead of
// trusting where the cursor lands.
void SpreadCodesByClass(const Session& s, TClientDataSet& ds) {
    ClearTableFilter(ds);
    TClientDataSet cdsAuxiliar;
    cdsAuxiliar.Bind(s.link.format, s.link.clock);
    cdsAuxiliar.CopyFrom(ds);
    SetTableFilter(ds, kUncodedFilter);
    SetTableFilter(cdsAuxiliar, kCodedFilter);

    int kept = 0;
    for (MoveTo(ds, kept); !ds.Eof(); MoveTo(ds, kept)) {
        const int before = ds.RecordCount();
        if (SeekClass(cdsAuxiliar, ds.FieldByName("IDTIPORECE").AsString())) {
            ds.Edit();
            ds.FieldByName("CDFPIMPFIS").SetAsString(cdsAuxiliar.FieldByName("CDFPIMPFIS").AsString());
            ds.FieldByName("IDEMIVALE").SetAsString(cdsAuxiliar.FieldByName("IDEMIVALE").AsString());
            ds.Post();
        }
        if (ds.RecordCount() == before) ++kept;
    }
}

// The first button-kind record of each class gets the class's fixed code.
void ApplyFixedMapping(TClientDataSet& ds) {
    SetTableFilter(ds, kButtonFilter);
    for (int n = 1; n <= kLastClass; ++n) {
        const std::string classe = std::to_string(n);
        if (!SeekClass(ds, classe)) continue;
        ds.Edit();
        if (const auto code = FixedCode(classe)) ds.FieldByName("CDFPIMPFIS").SetAsString(*code);
        ds.FieldByName("IDEMIVALE").SetAsString(VoucherFlag(classe));
        ds.Post();
    }
}

std::optional<std::size_t> FindHeader(const std::vector<std::string>& lines) {
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (text::equals_ignore_case(lines[i], kListHeader)) return i;
    return std::nullopt;
}

void LoadPaymentTypes(Session& s, const std::string& stCdPortaImpFis, const std::string& stEsquemaCor,
                      int idTipoImpFis, TClientDataSet& ds) {
    const std::string stFormaPg = Comand_Porta(s.link, Frame(cmd::kPaymentForms), kSlowReplyExchange,
                                               stCdPortaImpFis, stEsquemaCor);
    if (EmptyString(stFormaPg)) {
        ApplyFixedMapping(ds);
        return;
    }
    const std::vector<std::string> stlFormaPg = CutPaymentFormLines(stFormaPg, idTipoImpFis);
    const auto header = FindHeader(stlFormaPg);
    if (!header) {
        ApplyFixedMapping(ds);
        return;
    }
    SetTableFilter(ds, kButtonFilter);
    AssignCodesFromList(ds, stlFormaPg, *header + 1, idTipoImpFis);
    SpreadCodesByClass(s, ds);
    ClearTableFilter(ds);
    SetTableFilter(ds, kButtonFilter);
}

}  // namespace

std::vector<std::string> CutPaymentFormLines(const std::string& stFormaPg, int idTipoImpFis) {
    const char terminator = idTipoImpFis == kPrinterType16 ? '\r' : idTipoImpFis == kPrinterType30 ? '\n' : '\0';
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < stFormaPg.size()) {
        std::size_t end = stFormaPg.size();
        if (terminator != '\0') {
            const std::size_t at = stFormaPg.find(terminator, start);
            if (at != std::string::npos) end = at + 1;
        }
        const std::string_view piece(stFormaPg.data() + start, end - start);
        lines.push_back(text::substr(piece, 0, text::length(piece) - 1));
        start = end;
    }
    return lines;
}

void CarregaRecebimento(Session& s, const std::string& stCdPortaImpFis, const std::string& stEsquemaCor,
                        int idTipoImpFis, TClientDataSet& cdsTipoRece1) {
    TClientDataSet before;  // the records as the host handed them in
    before.Bind(s.link.format, s.link.clock);
    try {
        RequireFields(cdsTipoRece1);
        before.CopyFrom(cdsTipoRece1);
        LoadPaymentTypes(s, stCdPortaImpFis, stEsquemaCor, idTipoImpFis, cdsTipoRece1);
    } catch (...) {
        RestoreAfterError(cdsTipoRece1, before);
        throw;
    }
}

}  // namespace dru
