// Where requests become jobs: each operation's body is checked in full, its
// key looked up (the same key and body: the recorded answer, or a wait for
// the job still on its way; another body: a conflict), the job written to
// the journal and queued; the queue's worker runs it on the printer and
// completes its row. What the interface answers, apart from HTTP.
#pragma once
#include <cstddef>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "debug_log.h"
#include "journal.h"
#include "json_input.h"
#include "operations.h"
#include "print_queue.h"
#include "printer.h"

namespace dru::serve {

// An answer: its HTTP status, body and extra headers.
struct Answer {
    int status = 200;
    cli::Json body;
    std::vector<std::pair<std::string, std::string>> headers = {};
};

// An error answer: {"error": text, "status": N} (and "path" for bad input).
Answer ErrorAnswer(int status, const std::string& text, const std::string& path = "");

class JobDesk {
  public:
    JobDesk(Journal& journal, Printer& printer, std::size_t queue_limit);
    JobDesk(const JobDesk&) = delete;
    JobDesk& operator=(const JobDesk&) = delete;
    ~JobDesk();

    // Settles the jobs the journal shows cut off; before the queue takes any.
    void reconcile();
    // Runs `operation` with `body` (JSON text; empty: {}) under `key` (empty:
    // one is made); `wait` false answers 202 once it is queued.
    Answer submit(const std::string& operation, const std::string& body, std::string key, bool wait);
    Answer job(const std::string& key) const;
    cli::Json jobs(int limit) const;
    cli::Json queue() const;
    // The debug log's last `count` lines, decoded.
    cli::Json log_tail(std::size_t count);
    // Takes no more jobs; the one on the line ends first.
    void stop();

  private:
    // A job queued or running, and once it ended its last record, which its
    // waiters answer with even when the journal could not take it.
    struct Live {
        JobRecord record;
        std::shared_ptr<Job> job;
        std::optional<JobRecord> ended;
    };
    void run(const std::shared_ptr<Live>& live, const cli::PreparedCall& call);
    void end(const std::shared_ptr<Live>& live, JobRecord record);
    Answer recorded(const JobRecord& record, bool replay) const;
    JobRecord cut_off(JobRecord record, const std::optional<Counter>& now, const std::string& unread);

    Journal& journal_;
    Printer& printer_;
    std::mutex admit_mutex_;  // one admission at a time: a key is looked up and taken at once
    std::map<std::string, std::shared_ptr<Live>> live_;  // queued or running, by key
    PrintQueue queue_;

    std::mutex log_mutex_;
    cli::LogReader log_;
    std::deque<std::string> log_lines_;
};

// A journal row as the interface shows a job.
cli::Json JobJson(const JobRecord& record);

}  // namespace dru::serve
