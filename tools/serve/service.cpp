#include "service.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "access.h"
#include "http_api.h"
#include "job_desk.h"
#include "journal.h"
#include "os_services.h"
#include "printer.h"

namespace dru::serve {

namespace fs = std::filesystem;

namespace {

// A request waiting for its job holds a thread: room for a full queue's
// waiters and the queries answered meanwhile.
constexpr std::size_t kQueryThreads = 8;
// How long start() waits for the listening thread to run: 5 s in all.
constexpr auto kStartPoll = std::chrono::milliseconds(5);
constexpr int kStartPolls = 1000;

void MakeDataDir(const std::string& path) {
    std::error_code ec;
    if (fs::create_directories(path, ec))
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::replace, ec);
    if (ec) throw std::runtime_error("the data folder " + path + " cannot be made: " + ec.message());
    if (!fs::is_directory(path, ec)) throw cli::UsageError("the data folder " + path + " is not a folder");
}

}  // namespace

std::string DefaultDataDir() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state)
        return std::string(state) + "/dru01000/serve";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.local/state/dru01000/serve";
    throw cli::UsageError("no data folder: give --data-dir (neither XDG_STATE_HOME nor HOME is set)");
}

Service::Service(ServiceOptions options) : options_(std::move(options)) {
    if (options_.data_dir.empty()) options_.data_dir = DefaultDataDir();
    MakeDataDir(options_.data_dir);
    lock_ = std::make_unique<os::FolderLock>(options_.data_dir);
    if (options_.printer.host_folder.empty()) options_.printer.host_folder = options_.data_dir;
    if (options_.queue_limit == 0) throw cli::UsageError("--queue-limit must be at least 1");
    token_ = LoadOrMakeToken(options_.data_dir);
    started_at_ = UtcNow();
    journal_ = std::make_unique<Journal>(options_.data_dir + "/" + kJournalFile);
    printer_ = std::make_unique<Printer>(options_.printer);
    desk_ = std::make_unique<JobDesk>(*journal_, *printer_, options_.queue_limit);
    desk_->reconcile();
}

Service::~Service() {
    stop();
}

int Service::start() {
    cli::Json about = {{"version", dru_version()},
                       {"data_dir", options_.data_dir},
                       {"started_at", started_at_}};
    http_ = std::make_unique<HttpApi>(*desk_, *printer_, token_, std::move(about));
    port_ = http_->bind({.host = options_.listen_host,
                         .port = options_.listen_port,
                         .origins = options_.origins,
                         .names = options_.host_names,
                         .threads = options_.queue_limit + kQueryThreads});
    thread_ = std::thread([this] { http_->serve(); });
    // Stopping before the server runs would leave it running: wait for it.
    for (int i = 0; i < kStartPolls && !http_->running(); ++i)
        std::this_thread::sleep_for(kStartPoll);
    return port_;
}

void Service::stop() {
    if (desk_) desk_->stop();  // releases the requests waiting on jobs
    if (http_) http_->stop();
    if (thread_.joinable()) thread_.join();
}

std::string Service::url() const {
    return ServiceUrl(options_.listen_host, port_);
}

}  // namespace dru::serve
