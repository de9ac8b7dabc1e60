#include "job_desk.h"

#include <algorithm>
#include <cstdio>
#include <random>

#include "reconcile.h"
#include "report.h"

namespace dru::serve {

namespace {

// How many log lines the desk keeps for the console; a request asks for fewer.
constexpr std::size_t kLogLinesKept = 1000;
// What a full queue tells a client to wait before trying again, in seconds:
// about one document's time on the printer.
constexpr const char* kRetryAfterSeconds = "5";
constexpr int kOk = 200, kAccepted = 202, kBadRequest = 400, kNotFound = 404, kConflict = 409,
              kInternal = 500, kUnavailable = 503;

// A key for a request that brought none: "job-" and 64 random bits.
std::string MadeKey() {
    std::random_device random;
    const unsigned long long bits = (static_cast<unsigned long long>(random()) << 32) | random();
    char text[24];
    std::snprintf(text, sizeof text, "job-%016llx", bits);
    return text;
}

Answer Conflict(const std::string& key, const std::string& operation) {
    return ErrorAnswer(kConflict, "the Idempotency-Key \"" + key +
                                      "\" was used for another request (" + operation +
                                      ", another body): use a new key for a new document");
}

cli::Json Verdict(const cli::Report& r) {
    return {{"kind", cli::VerdictName(r.verdict_kind)}, {"detail", r.verdict_detail}};
}

}  // namespace

Answer ErrorAnswer(int status, const std::string& text, const std::string& path) {
    Answer a{status, {{"error", text}, {"status", status}}};
    if (!path.empty()) a.body["path"] = path;
    return a;
}

cli::Json JobJson(const JobRecord& r) {
    auto optional = [](const std::string& s) { return s.empty() ? cli::Json() : cli::Json(s); };
    cli::Json j = {{"key", r.key},
                   {"operation", r.operation},
                   {"state", r.state},
                   {"queued_at", r.queued_at},
                   {"started_at", optional(r.started_at)},
                   {"ended_at", optional(r.ended_at)},
                   {"verdict", r.verdict.empty() ? cli::Json() : cli::Json::parse(r.verdict)},
                   {"receipt_number", r.receipt_number ? cli::Json(*r.receipt_number) : cli::Json()}};
    if (r.state == kCutOff) {
        j["outcome"] = r.outcome;
        j["reason"] = r.reason;
    }
    return j;
}

JobDesk::JobDesk(Journal& journal, Printer& printer, std::size_t queue_limit)
    : journal_(journal),
      printer_(printer),
      queue_(queue_limit,
             [this](Job& job) {
                 std::shared_ptr<Live> live;
                 {
                     std::lock_guard lock(admit_mutex_);
                     if (const auto it = live_.find(job.key()); it != live_.end()) live = it->second;
                 }
                 if (live) end(live, cut_off(live->record, std::nullopt, ""));
             }),
      log_(printer.host_folder() + "/" + cli::kDebugLogFile) {}

JobDesk::~JobDesk() {
    stop();
}

void JobDesk::stop() {
    queue_.stop();
}

JobRecord JobDesk::cut_off(JobRecord r, const std::optional<Counter>& now, const std::string& unread) {
    const Reconciliation settled = Reconcile(r, now, unread);
    r.state = kCutOff;
    r.ended_at = UtcNow();
    r.outcome = settled.outcome;
    r.reason = settled.reason;
    r.receipt_number = settled.receipt_number;
    r.status = kOk;
    cli::Json answer = {{"command", r.operation}, {"outcome", r.outcome}, {"reason", r.reason}};
    if (r.receipt_number) answer["receipt_number"] = *r.receipt_number;
    r.answer = answer.dump();
    try {
        journal_.complete(r);
    } catch (const std::exception&) {
        // Left as the journal shows it: the next start settles it again.
    }
    return r;
}

void JobDesk::reconcile() {
    const std::vector<JobRecord> cut = journal_.unfinished();
    if (cut.empty()) return;
    std::optional<Counter> now;
    std::string unread;
    const bool needed = std::any_of(cut.begin(), cut.end(), NeedsCounter);
    if (needed) {
        // Read as a till reads it: Nr_Cupom, which also refreshes the
        // driver's memory of the counter.
        try {
            const cli::Report r = printer_.run(*cli::PrepareOperation("receipt-number", {}));
            if (r.verdict_kind == DRU_VERDICT_CONFIRMED)
                now = printer_.counter();
            else
                unread = r.verdict_detail.empty() ? r.last_error : r.verdict_detail;
        } catch (const std::exception& e) {
            unread = e.what();
        }
    }
    for (const JobRecord& r : cut) cut_off(r, now, unread);
}

Answer JobDesk::submit(const std::string& operation, const std::string& body_text, std::string key,
                       bool wait) {
    std::optional<cli::PreparedCall> call;
    std::string canonical;
    try {
        const cli::Json body = body_text.empty() ? cli::Json::object() : cli::ParseJsonText(body_text, "body");
        call = cli::PrepareOperation(operation, body);
        // Key order and spacing aside, the same body is the same request.
        canonical = nlohmann::json(body).dump();
    } catch (const cli::InputError& e) {
        return ErrorAnswer(kBadRequest, e.what(), e.path());
    } catch (const cli::UsageError& e) {
        return ErrorAnswer(kBadRequest, e.what());
    }
    if (!call) return ErrorAnswer(kNotFound, "no operation \"" + operation + "\"");
    if (key.empty()) key = MadeKey();

    std::shared_ptr<Live> live;
    bool replay = true;
    {
        std::lock_guard lock(admit_mutex_);
        if (const auto it = live_.find(key); it != live_.end()) {
            const JobRecord& on_way = it->second->record;
            if (on_way.operation != operation || on_way.body != canonical)
                return Conflict(key, on_way.operation);
            live = it->second;
        } else if (const std::optional<JobRecord> done = journal_.find(key)) {
            if (done->operation != operation || done->body != canonical)
                return Conflict(key, done->operation);
            return recorded(*done, true);
        } else if (queue_.waiting().size() >= queue_.limit()) {
            Answer full = ErrorAnswer(kUnavailable, "the print queue is full (" +
                                                        std::to_string(queue_.limit()) +
                                                        " jobs waiting): try again shortly");
            full.headers.emplace_back("Retry-After", kRetryAfterSeconds);
            return full;
        } else {
            live = std::make_shared<Live>();
            live->record.key = key;
            live->record.operation = operation;
            live->record.body = canonical;
            live->record.queued_at = UtcNow();
            if (!journal_.add(live->record))
                return ErrorAnswer(kConflict, "the Idempotency-Key \"" + key + "\" is taken");
            // The job holds its record weakly: the record holds the job.
            live->job = std::make_shared<Job>(key, [this, weak = std::weak_ptr<Live>(live),
                                                    prepared = std::move(*call)](Job&) {
                if (const std::shared_ptr<Live> on_line = weak.lock()) run(on_line, prepared);
            });
            if (!queue_.push(live->job)) {
                cut_off(live->record, std::nullopt, "");
                return ErrorAnswer(kUnavailable, "the service is stopping: nothing was printed");
            }
            live_[key] = live;
            replay = false;
        }
    }
    if (!wait) {
        Answer accepted{kAccepted, {{"job", JobJson(live->record)}}};
        accepted.body["replay"] = replay;
        return accepted;
    }
    live->job->wait();
    std::lock_guard lock(admit_mutex_);
    if (live->ended) return recorded(*live->ended, replay);
    return ErrorAnswer(kInternal, "the job \"" + key + "\" ended without an answer");
}

// The job's last record, kept for its waiters, and the key left to the journal.
void JobDesk::end(const std::shared_ptr<Live>& live, JobRecord record) {
    std::lock_guard lock(admit_mutex_);
    live->ended = std::move(record);
    live_.erase(live->record.key);
}

void JobDesk::run(const std::shared_ptr<Live>& live, const cli::PreparedCall& call) {
    JobRecord r = live->record;
    try {
        const Counter before = printer_.counter();
        r.started_at = UtcNow();
        // Written before the first byte goes out: a job the journal cannot
        // show as running is not printed.
        journal_.start(r.key, r.started_at, before.receipt, before.serial);
    } catch (const std::exception& e) {
        r.state = kDone;
        r.ended_at = UtcNow();
        r.answer = ErrorAnswer(kInternal, std::string(e.what()) + ": nothing was printed").body.dump();
        r.status = kInternal;
        return end(live, std::move(r));
    }
    r.state = kDone;
    try {
        const cli::Report report = printer_.run(call);
        r.verdict = Verdict(report).dump();
        r.receipt_number = report.receipt_number;
        r.answer = cli::ToJson(report).dump();
        r.status = kOk;
    } catch (const cli::UsageError& e) {  // found on the way: nothing was sent
        r.answer = ErrorAnswer(kBadRequest, e.what()).body.dump();
        r.status = kBadRequest;
    } catch (const std::exception& e) {
        r.answer = ErrorAnswer(kInternal, e.what()).body.dump();
        r.status = kInternal;
    }
    r.ended_at = UtcNow();
    try {
        journal_.complete(r);
    } catch (const std::exception&) {
        // The waiters still get the answer; the journal keeps the job
        // running, and the next start settles it by the counter.
    }
    end(live, std::move(r));
}

Answer JobDesk::recorded(const JobRecord& record, bool replay) const {
    Answer a{record.status ? record.status : kOk, cli::Json::object()};
    if (!record.answer.empty()) a.body = cli::Json::parse(record.answer);
    a.body["job"] = JobJson(record);
    a.body["replay"] = replay;
    return a;
}

Answer JobDesk::job(const std::string& key) const {
    const std::optional<JobRecord> record = journal_.find(key);
    if (!record) return ErrorAnswer(kNotFound, "no job with the key \"" + key + "\"");
    const cli::Json answer = record->answer.empty() ? cli::Json() : cli::Json::parse(record->answer);
    return {kOk, {{"job", JobJson(*record)}, {"answer", answer}}};
}

cli::Json JobDesk::jobs(int limit) const {
    cli::Json list = cli::Json::array();
    for (const JobRecord& r : journal_.latest(limit)) list.push_back(JobJson(r));
    return {{"jobs", list}};
}

cli::Json JobDesk::queue() const {
    const std::string running = queue_.running();
    cli::Json on_line;
    if (!running.empty())
        if (const std::optional<JobRecord> r = journal_.find(running)) on_line = JobJson(*r);
    cli::Json waiting = cli::Json::array();
    for (const std::string& key : queue_.waiting())
        if (const std::optional<JobRecord> r = journal_.find(key)) waiting.push_back(JobJson(*r));
    return {{"running", on_line}, {"queued", waiting}, {"limit", queue_.limit()}};
}

cli::Json JobDesk::log_tail(std::size_t count) {
    std::lock_guard lock(log_mutex_);
    std::vector<std::string> fresh;
    log_.read(fresh);  // a log not written yet is no lines
    for (std::string& line : fresh) {
        log_lines_.push_back(std::move(line));
        if (log_lines_.size() > kLogLinesKept) log_lines_.pop_front();
    }
    cli::Json lines = cli::Json::array();
    const std::size_t first = log_lines_.size() > count ? log_lines_.size() - count : 0;
    for (std::size_t i = first; i < log_lines_.size(); ++i)
        lines.push_back(cli::FormatEntry(cli::ParseLogLine(log_lines_[i])));
    return {{"file", printer_.host_folder() + "/" + cli::kDebugLogFile}, {"lines", lines}};
}

}  // namespace dru::serve
