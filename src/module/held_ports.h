// The ports a C++ host holds between calls (a port Comand_Porta left open),
// each under a handle number. Part of the module state; like every entry
// point it serves one host thread at a time.
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>

#include "link/serial_port.h"

namespace dru {

class HeldPorts {
public:
    using Id = std::uint32_t;
    static constexpr Id kNone = 0;  // the handle of no port
    // More ports than a machine has COM names (12) plus a few device paths:
    // a host that holds this many has forgotten to release them.
    static constexpr std::size_t kMaxHeld = 16;

    // Keeps `port` open under a new handle. kNone when there is no port or
    // kMaxHeld are held already (the port then closes here).
    Id hold(PortHandle port);
    // The port held under `id` (it may have been emptied by an analysis that
    // closed it); nullptr for an unknown handle.
    PortHandle* find(Id id);
    // Closes the port and forgets the handle; false for an unknown handle.
    bool release(Id id);

private:
    Id next_id();

    std::map<Id, PortHandle> ports_;
    Id last_ = kNone;
};

}  // namespace dru
