// The service's journal: one row per job in an SQLite database (WAL, every
// write synchronous), so that a key's answer outlives the service and a job
// cut off by a crash is known as such on the next start. A job's row is
// written when it is accepted, marked running before its first byte goes to
// the printer, and completed when it ends.
#pragma once
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace dru::serve {

// A job's states, as the journal and the interface name them.
inline constexpr const char* kQueued = "queued";
inline constexpr const char* kRunning = "running";
inline constexpr const char* kDone = "done";
inline constexpr const char* kCutOff = "cut off";

struct JobRecord {
    std::string key;
    std::string operation;
    std::string body;   // the request's body, canonical JSON
    std::string state = kQueued;
    std::string queued_at, started_at, ended_at;  // ISO 8601 UTC; empty: not yet
    std::string verdict;  // JSON {"kind","detail"}; empty: none yet
    std::optional<std::string> receipt_number;
    std::string outcome, reason;  // a cut-off job's reconciliation
    // The printer's receipt counter known before the job started.
    std::optional<long long> counter_before;
    std::string serial_before;
    std::string answer;  // the answer's JSON; empty: none yet
    int status = 0;      // the answer's HTTP status
};

class Journal {
  public:
    // Opens or creates the database; raises std::runtime_error with SQLite's reason.
    explicit Journal(const std::string& path);
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;
    ~Journal();

    // Adds a queued job; false (and nothing written) when its key is taken.
    bool add(const JobRecord& job);
    // The job is on the line from now: the counter known before it.
    void start(const std::string& key, const std::string& at, std::optional<long long> counter,
               const std::string& serial);
    // The job ended (done or cut off): its verdict, number, answer and, cut off, why.
    void complete(const JobRecord& job);
    std::optional<JobRecord> find(const std::string& key) const;
    // Newest first.
    std::vector<JobRecord> latest(int limit) const;
    // Jobs the journal shows queued or running: after a crash, cut off.
    std::vector<JobRecord> unfinished() const;

  private:
    std::vector<JobRecord> select(const std::string& where_and_order, const std::string& bound,
                                  int limit) const;
    void exec(const char* sql);

    mutable std::mutex mutex_;
    sqlite3* db_ = nullptr;
};

// Now, in UTC: "2026-12-09T17:30:00.123Z".
std::string UtcNow();

}  // namespace dru::serve
