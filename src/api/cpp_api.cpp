// The C++ interface of include/dru01000.hpp over the module's services.
#include <stdexcept>
#include <type_traits>

#include "api/last_error.h"
#include "module/module.h"
#include "dru01000.hpp"
#include "host/errors.h"
#include "host/text.h"
#include "link/error_analysis.h"
#include "link/exchange.h"

namespace {

static_assert(std::is_same_v<dru01000::PortHandle, dru::HeldPorts::Id> && dru01000::kNoPort == dru::HeldPorts::kNone,
              "the C++ interface's port handles are the module's held-port numbers");

dru::HeldPorts& Held() { return dru::ModuleState::get().held_ports(); }

}  // namespace

namespace dru01000 {

DRU_CXX_API std::string DRU_CALL Comand_Porta(const std::string& Buffer, bool boFechaPort, bool boRetorno, bool boTime,
                                              const std::string& stCdPortaImpFis, const std::string& stEsquemaCor,
                                              PortHandle* hPort) {
    if (hPort) *hPort = kNoPort;
    return dru::guarded(std::string(), [&] {
        dru::EntryCall call;
        dru::PortHandle kept;
        std::string reply = dru::Comand_Porta(call.link(), dru::text::from_host(Buffer),
                                              {.close = boFechaPort, .read = boRetorno, .wait = boTime},
                                              dru::text::from_host(stCdPortaImpFis),
                                              dru::text::from_host(stEsquemaCor), boFechaPort ? nullptr : &kept);
        if (hPort) *hPort = Held().hold(std::move(kept));
        return reply;
    });
}

DRU_CXX_API bool DRU_CALL AnalisaErro(const std::string& stCdPortaImpFis, const std::string& stEsquemaCor,
                                      const std::string& Codigo, PortHandle hPort) {
    return dru::guarded(false, [&] {
        dru::PortHandle none;
        dru::PortHandle* port = hPort == kNoPort ? &none : Held().find(hPort);
        if (!port) throw dru::EBadArgument("AnalisaErro: no held port has handle " + std::to_string(hPort));
        dru::EntryCall call;
        return dru::AnalisaErro(call.link(), dru::text::from_host(stCdPortaImpFis),
                                dru::text::from_host(stEsquemaCor), dru::text::from_host(Codigo), *port);
    });
}

DRU_CXX_API bool DRU_CALL ClosePort(PortHandle hPort) {
    return dru::guarded(false, [&] { return Held().release(hPort); });
}

}  // namespace dru01000
