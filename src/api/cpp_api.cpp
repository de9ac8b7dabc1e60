// The C++ interface of include/dru01000.hpp over the module's services.
#include <map>

#include "api/last_error.h"
#include "module/module.h"
#include "dru01000.hpp"
#include "host/errors.h"
#include "host/text.h"
#include "link/error_analysis.h"
#include "link/exchange.h"

namespace {

// More ports than a machine has COM names (12) plus a few device paths: a
// host that holds this many has forgotten to release them.
constexpr std::size_t kMaxHeldPorts = 16;

// The ports a C++ host holds between calls, by handle number. Part of the
// module state, created on first use.
class HeldPorts {
public:
    static HeldPorts& get() {
        static HeldPorts ports;
        return ports;
    }
    // kNoPort when the registry is full (the port then closes with `port`).
    dru01000::PortHandle hold(dru::PortHandle port) {
        if (!port || ports_.size() >= kMaxHeldPorts) return dru01000::kNoPort;
        const dru01000::PortHandle id = next_id();
        ports_.emplace(id, std::move(port));
        return id;
    }
    dru::PortHandle* find(dru01000::PortHandle id) {
        const auto it = ports_.find(id);
        return it == ports_.end() ? nullptr : &it->second;
    }
    bool release(dru01000::PortHandle id) { return ports_.erase(id) == 1; }

private:
    // Handle numbers count up, skipping 0 and numbers still held.
    dru01000::PortHandle next_id() {
        do {
            ++last_;
        } while (last_ == dru01000::kNoPort || ports_.count(last_));
        return last_;
    }
    std::map<dru01000::PortHandle, dru::PortHandle> ports_;
    dru01000::PortHandle last_ = dru01000::kNoPort;
};

}  // namespace

namespace dru01000 {

DRU_API std::string Comand_Porta(const std::string& Buffer, bool boFechaPort, bool boRetorno, bool boTime,
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
        if (hPort) *hPort = HeldPorts::get().hold(std::move(kept));
        return reply;
    });
}

DRU_API bool AnalisaErro(const std::string& stCdPortaImpFis, const std::string& stEsquemaCor,
                         const std::string& Codigo, PortHandle hPort) {
    return dru::guarded(false, [&] {
        dru::PortHandle none;
        dru::PortHandle* port = hPort == kNoPort ? &none : HeldPorts::get().find(hPort);
        if (!port) throw dru::EBadArgument("AnalisaErro: no held port has handle " + std::to_string(hPort));
        dru::EntryCall call;
        return dru::AnalisaErro(call.link(), dru::text::from_host(stCdPortaImpFis),
                                dru::text::from_host(stEsquemaCor), dru::text::from_host(Codigo), *port);
    });
}

DRU_API bool ClosePort(PortHandle hPort) {
    return dru::guarded(false, [&] { return HeldPorts::get().release(hPort); });
}

}  // namespace dru01000
