// The printer's payment-forms list: the input's first byte picks the printer
// type (16: lines end with CR, 30: with LF, other: one line), the rest is the
// reply to 432 as the port delivers it. CarregaRecebimento codes the host's
// payment types from it; whatever the list, the host keeps its rows and the
// table is left filtered by "IDTPBUTTON = '5'".
#include "fuzz/fuzz_targets.h"
#include "host/errors.h"
#include "module/data_module.h"
#include "module/session.h"
#include "payments/payment_type_loading.h"
#include "support/fake_link.h"
#include "support/operation_inputs.h"

namespace dru::fuzz {

int payment_forms(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    constexpr int kTypes[] = {16, 30, 31};
    const int type = kTypes[data[0] % 3];
    const std::string reply(Bytes(data + 1, size - 1));
    CutPaymentFormLines(reply, type);

    test::FakeLink link;
    DataModuleSlot dm{link.format, link.clock};
    Session session{link.ctx, dm, {}};
    link.ports.queue_reply(reply, "432");
    TClientDataSet types;
    test::FillPaymentTypes(types);
    const int rows = types.RecordCount();
    try {
        CarregaRecebimento(session, "COM1", "Azul", type, types);
    } catch (const std::exception& e) {
        ExpectModuleError(e);
    }
    if (link.ports.open_now() != 0) Finding("a port was left open");
    if (types.Filter() != "IDTPBUTTON = '5'" || !types.Filtered())
        Finding("the table is not left filtered");
    types.SetFiltered(false);
    if (types.RecordCount() != rows) Finding("the host's payment types lost or gained rows");
    return 0;
}

}  // namespace dru::fuzz
