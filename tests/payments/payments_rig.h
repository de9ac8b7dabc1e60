// What the payment operations run on in these tests: the in-process printer
// simulator on the virtual clock (a SimSession of their own); plus the
// host's payment-type table.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "module/data_module.h"
#include "module/session.h"
#include "host/clock.h"
#include "host/dataset.h"
#include "host/dialog.h"
#include "host/format.h"
#include "link/context.h"
#include "link/debug_log.h"
#include "printer_model.h"
#include "sim_port.h"
#include "support/sim_session.h"

namespace dru::test {

inline sim::PrinterConfig ConfigOfType(int type) {
    sim::PrinterConfig config;
    config.type = type;
    return config;
}

struct PaymentsRig : SimSession {
    explicit PaymentsRig(int type = 16) : SimSession(VirtualClock().now(), ConfigOfType(type)) {}

    // The printer answers `code` with exactly these bytes (terminator included).
    void raw_reply(std::string_view code, std::string bytes) {
        printer.knobs().only_command = std::string(code);
        printer.knobs().garbage = std::move(bytes);
    }
};

// A host payment type. An empty code or flag is left null.
struct PaymentType {
    std::string nome;
    std::string classe;
    std::string botao = "5";
    std::string codigo = {};
    std::string emivale = {};
    std::string cdTipoRece = {};
};

inline constexpr std::string_view kPaymentTypeFields[] = {"CDTIPORECE", "NMTIPORECE", "IDEMIVALE",
                                                          "CDFPIMPFIS", "IDTIPORECE", "IDTPBUTTON"};

// The payment-type fields the operations use, less `without` (to build a
// table lacking one).
inline void MakePaymentTypes(TClientDataSet& ds, const std::vector<PaymentType>& rows,
                             std::string_view without = {}) {
    for (std::string_view name : kPaymentTypeFields) {
        if (name == without) continue;
        const int size = name == "NMTIPORECE" ? 40 : name == "CDFPIMPFIS" ? 10 : name == "CDTIPORECE" ? 3 : 1;
        ds.AddFieldDef(std::string(name), FieldType::String, size);
    }
    ds.CreateDataSet();
    const auto set = [&](std::string_view field, const std::string& value) {
        if (!value.empty() && ds.HasField(field)) ds.FieldByName(field).SetAsString(value);
    };
    for (const PaymentType& r : rows) {
        ds.Append();
        set("NMTIPORECE", r.nome);
        set("IDTIPORECE", r.classe);
        set("IDTPBUTTON", r.botao);
        set("CDFPIMPFIS", r.codigo);
        set("IDEMIVALE", r.emivale);
        set("CDTIPORECE", r.cdTipoRece);
        ds.Post();
    }
}

// A field of every row in table order, filter switched off first; null as "-".
inline std::vector<std::string> Column(TClientDataSet& ds, std::string_view field) {
    ds.SetFiltered(false);
    std::vector<std::string> out;
    for (ds.First(); !ds.Eof(); ds.Next()) {
        const TField& f = ds.FieldByName(field);
        out.push_back(f.IsNull() ? "-" : f.AsString());
    }
    return out;
}

}  // namespace dru::test
