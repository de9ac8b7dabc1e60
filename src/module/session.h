// What an operation above the link gets from its caller: the link context and
// the data module slot. The exported entry points build it from the module's
// state; tests build it from fakes and the in-process simulator.
#pragma once
#include "module/data_module.h"
#include "link/context.h"

#include <string>

namespace dru {

struct Session {
    LinkContext& link;
    DataModuleSlot& dm;
    // The host folder, where the printer configuration file DedOvor.cds lives.
    std::string host_folder = {};
};

}  // namespace dru
