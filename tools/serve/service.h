// dru serve: the print service as one object, for the command and for tests
// and benchmarks in the same process. Its data folder holds the token, the
// journal and (unless the printer options name another) the host folder of
// the driver: the debug log and the receipt counter's memory.
#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "cli.h"

namespace dru::serve {

class Journal;
class Printer;
class JobDesk;
class HttpApi;
namespace os {
class FolderLock;
}

// The default address: loopback, on a port no common program takes.
inline constexpr const char* kDefaultHost = "127.0.0.1";
inline constexpr int kDefaultPort = 8020;
// Room for a restaurant's whole rush at once (fifty tills posting together).
inline constexpr std::size_t kDefaultQueueLimit = 64;
inline constexpr const char* kJournalFile = "journal.db";

struct ServiceOptions {
    cli::GlobalOptions printer;  // port, type, preview, host_folder, scheme
    std::string listen_host = kDefaultHost;
    int listen_port = kDefaultPort;  // 0: any free port
    std::string data_dir;            // empty: DefaultDataDir()
    std::vector<std::string> origins;     // given CORS access
    std::vector<std::string> host_names;  // other names clients reach this machine by
    std::size_t queue_limit = kDefaultQueueLimit;
};

// $XDG_STATE_HOME/dru01000/serve, else ~/.local/state/dru01000/serve; raises
// UsageError when neither variable is set.
std::string DefaultDataDir();

class Service {
  public:
    // Makes the data folder and the token, opens the journal, starts the
    // printer and settles jobs a crash cut off. Raises UsageError for bad
    // options, std::runtime_error when a part cannot start.
    explicit Service(ServiceOptions options);
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;
    ~Service();

    // Listens and answers on a thread of its own; the port bound.
    int start();
    // The job on the line ends, jobs still waiting are recorded as not
    // printed, and the listening stops.
    void stop();
    std::string url() const;
    const std::string& token() const { return token_; }
    const std::string& data_dir() const { return options_.data_dir; }

  private:
    ServiceOptions options_;
    std::unique_ptr<os::FolderLock> lock_;
    std::string token_;
    std::string started_at_;
    std::unique_ptr<Journal> journal_;
    std::unique_ptr<Printer> printer_;
    std::unique_ptr<JobDesk> desk_;
    std::unique_ptr<HttpApi> http_;
    std::thread thread_;
    int port_ = 0;
};

}  // namespace dru::serve
