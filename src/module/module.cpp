#include "module/module.h"

#include <cstdlib>
#include <mutex>

#include "host/text.h"

namespace dru {

void HostDialog::set_handler(DruMessageHandler handler, void* user) {
    handler_ = handler;
    user_ = handler ? user : nullptr;
}

bool HostDialog::Mensagem(const std::string& text, const std::string& arg2, const std::string& arg3,
                          const std::string& question, TTipoMsg kind, const std::string& arg6,
                          const std::string& scheme, int arg8, const TClientDataSet*) {
    if (!handler_) return false;  // no operator to ask: a question means "no"
    return handler_(user_, text.c_str(), arg2.c_str(), arg3.c_str(), question.c_str(),
                    static_cast<int32_t>(kind), arg6.c_str(), scheme.c_str(), arg8, nullptr);
}

ModuleState& ModuleState::get() {
    // Created by the first entry point that asks, never at load time.
    static ModuleState state;
    return state;
}

ModuleState::ModuleState() : format_(DefaultFormatSettings()) {}

std::string ModuleState::host_folder() const {
    if (host_folder_) return *host_folder_;
    if (const char* env = std::getenv("DRU_HOST_FOLDER"); env && *env) return env;
    return ExecutableFolder();
}

void ModuleState::set_host_folder(std::string folder) {
    if (folder.empty())
        host_folder_.reset();
    else
        host_folder_ = std::move(folder);
}

namespace {

// Part of the module state, apart from ModuleState so that taking it creates
// nothing else: a host-side helper locks it without building the module.
std::recursive_mutex& ModuleMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

}  // namespace

ModuleLock::ModuleLock() : lock_(ModuleMutex()) {}

EntryCall::EntryCall()
    : state_(ModuleState::get()),
      folder_(state_.host_folder()),
      sink_(folder_),
      counters_(folder_),
      services_(sink_, state_.clock(), state_.ports(), state_.dialog(), state_.data_module(), state_.format()),
      session_{services_.ctx, state_.data_module(), folder_} {
    Reset(state_.last_exchange());
    state_.call_record() = {};
    services_.ctx.last_exchange = &state_.last_exchange();
    services_.ctx.call = &state_.call_record();
    services_.ctx.counters = &counters_;
}

}  // namespace dru
