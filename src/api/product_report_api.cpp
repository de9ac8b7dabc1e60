// The C++ interface of the managerial product report (include/dru01000.hpp).
#include "api/last_error.h"
#include "documents/product_report.h"
#include "dru01000.hpp"
#include "host/text.h"
#include "module/module.h"

namespace dru01000 {

DRU_CXX_API bool DRU_CALL ImpRelGerencial_IBM(const std::string& stEsquemaCor,
                                              const std::string& stCdPortaImpFis) {
    return dru::guarded(false, [&] {
        dru::EntryCall call;
        return dru::ImpRelGerencial_IBM(call.session(), dru::text::from_host(stEsquemaCor),
                                        dru::text::from_host(stCdPortaImpFis));
    });
}

}  // namespace dru01000
