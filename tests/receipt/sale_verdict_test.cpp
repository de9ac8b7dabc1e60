// A sale returns a receipt number only when it is this sale's: its counter,
// read at the end, is one past the one last read from the same printer.
// On the in-process simulator and the virtual clock: a voided receipt, a
// refused item, a printer whose counter was never read, and receipts left
// open by a host that died halfway.
#include <gtest/gtest.h>

#include "day/day_operations.h"
#include "documents/consumer_debit_receipt.h"
#include "documents/sale_ticket.h"
#include "link/call_record.h"
#include "receipt/sale_printing.h"
#include "support/operation_inputs.h"
#include "support/sim_session.h"

namespace dru {
namespace {

constexpr const char* kPort = "COM1";

struct SaleVerdictRig : test::SimSession {
    SaleVerdictRig() : SimSession(45657.5) {
        link.call = &record;
        link.counters = &counters;
    }
    // The counter read as a host does at start-up.
    void read_counter() {
        std::string number;
        Nr_Cupom(link, kPort, "Azul", number);
    }
    // One sale of `items` items paid with `paid` in cash.
    std::string sell(int items, double paid) {
        test::SaleInput in(kPort, items, 1);
        in.movi.First();
        in.movi.Edit();
        in.movi.FieldByName("VRMOVIVEND").SetAsFloat(paid);
        in.movi.Post();
        record = {};
        const SaleDocuments docs{&ImpDebito_Consumidor_IBM, &ImprimeNaoFiscal};
        return ImpressaoVenda(link, in.params, {in.vendas, in.movi, in.receb, {}}, "0", docs);
    }
    // A host that dies after `writes` frames of a sale: the port closes, the
    // printer keeps what it got.
    void die_after(int writes) {
        ports.faults().hang_up_after_writes = static_cast<int>(ports_writes()) + writes;
        sell(2, 2000);
        ports.faults().hang_up_after_writes.reset();
    }
    std::size_t ports_writes() const { return printer.frames().size(); }
    Verdict verdict() const { return Judge(record); }

    CallRecord record;
    InMemoryCounters counters;
};

TEST(SaleVerdict, OnlyThisSalesReceiptNumberIsReturned) {
    struct Case {
        const char* name;
        bool counted;                         // the counter was read before
        void (*before)(SaleVerdictRig&);      // then this happened
        double paid;
        std::string number;
        VerdictKind kind;
    };
    const auto nothing = [](SaleVerdictRig&) {};
    const Case cases[] = {
        {"counted", true, nothing, 2000, "0000001001", VerdictKind::Confirmed},
        {"payments short: voided", true, nothing, 1500, "", VerdictKind::Refused},
        {"item refused (error 18 on 13): voided", true,
         [](SaleVerdictRig& r) { r.printer.knobs().errors["13"] = 18; }, 2000, "", VerdictKind::Refused},
        {"counter never read", false, nothing, 2000, "", VerdictKind::Unconfirmed},
        {"an earlier host died after its items", true, [](SaleVerdictRig& r) { r.die_after(5); }, 2000, "",
         VerdictKind::Refused},
        {"an earlier host died inside its closing block", true, [](SaleVerdictRig& r) { r.die_after(11); },
         2000, "", VerdictKind::Refused},
        {"another till's receipt counted in between", true,
         [](SaleVerdictRig& r) { r.counters.remember(kPort, {999, r.counters.recall(kPort)->serial}); }, 2000,
         "", VerdictKind::Unconfirmed},
    };
    for (const Case& c : cases) {
        SaleVerdictRig rig;
        if (c.counted) rig.read_counter();
        c.before(rig);
        EXPECT_EQ(rig.sell(2, c.paid), c.number) << c.name << "\n" << rig.printer.paper_text();
        const Verdict v = rig.verdict();
        EXPECT_EQ(v.kind, c.kind) << c.name << ": " << v.detail;
        EXPECT_FALSE(v.detail.empty()) << c.name;
    }
}

// The bytes on the wire do not change: the same frames with or without the
// counter known.
TEST(SaleVerdict, TheWireIsTheSameWhateverTheVerdict) {
    SaleVerdictRig known, unknown;
    known.read_counter();
    const std::size_t skip = known.printer.frames().size();
    known.sell(2, 2000);
    unknown.sell(2, 2000);
    const auto& k = known.printer.frames();
    EXPECT_EQ(std::vector<std::string>(k.begin() + static_cast<long>(skip), k.end()), unknown.printer.frames());
}

}  // namespace
}  // namespace dru
