#include "journal.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <stdexcept>

#include "os_services.h"

namespace dru::serve {

namespace {

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS jobs ("
    " seq INTEGER PRIMARY KEY AUTOINCREMENT,"
    " key TEXT NOT NULL UNIQUE, operation TEXT NOT NULL, body TEXT NOT NULL,"
    " state TEXT NOT NULL, queued_at TEXT NOT NULL, started_at TEXT, ended_at TEXT,"
    " verdict TEXT, receipt_number TEXT, outcome TEXT, reason TEXT,"
    " counter_before INTEGER, serial_before TEXT, answer TEXT, status INTEGER)";
constexpr const char* kColumns =
    "key, operation, body, state, queued_at, started_at, ended_at, verdict, receipt_number, "
    "outcome, reason, counter_before, serial_before, answer, status";
// How long a write waits for another process holding the database (a
// second service started on the same folder) before it fails.
constexpr int kBusyTimeoutMs = 5000;

// A prepared statement that finalizes itself.
class Statement {
  public:
    Statement(sqlite3* db, const std::string& sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string("journal: ") + sqlite3_errmsg(db));
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement() { sqlite3_finalize(stmt_); }

    Statement& text(int i, const std::string& v) {
        sqlite3_bind_text(stmt_, i, v.c_str(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    // Empty texts are stored as NULL: "not yet".
    Statement& optional_text(int i, const std::string& v) {
        return v.empty() ? null(i) : text(i, v);
    }
    Statement& number(int i, long long v) {
        sqlite3_bind_int64(stmt_, i, v);
        return *this;
    }
    Statement& null(int i) {
        sqlite3_bind_null(stmt_, i);
        return *this;
    }
    // SQLITE_ROW or SQLITE_DONE; anything else raises.
    int step() {
        const int rc = sqlite3_step(stmt_);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE && rc != SQLITE_CONSTRAINT)
            throw std::runtime_error(std::string("journal: ") + sqlite3_errmsg(db_));
        return rc;
    }
    std::string column_text(int i) const {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
        return t ? std::string(t, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, i))) : "";
    }
    bool column_null(int i) const { return sqlite3_column_type(stmt_, i) == SQLITE_NULL; }
    long long column_number(int i) const { return sqlite3_column_int64(stmt_, i); }

  private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

JobRecord Row(const Statement& s) {
    JobRecord j;
    j.key = s.column_text(0);
    j.operation = s.column_text(1);
    j.body = s.column_text(2);
    j.state = s.column_text(3);
    j.queued_at = s.column_text(4);
    j.started_at = s.column_text(5);
    j.ended_at = s.column_text(6);
    j.verdict = s.column_text(7);
    if (!s.column_null(8)) j.receipt_number = s.column_text(8);
    j.outcome = s.column_text(9);
    j.reason = s.column_text(10);
    if (!s.column_null(11)) j.counter_before = s.column_number(11);
    j.serial_before = s.column_text(12);
    j.answer = s.column_text(13);
    j.status = static_cast<int>(s.column_number(14));
    return j;
}

}  // namespace

Journal::Journal(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX |
                            SQLITE_OPEN_NOFOLLOW,
                        nullptr) != SQLITE_OK) {
        const std::string why = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        throw std::runtime_error("the journal " + path + " cannot be opened: " + why);
    }
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    try {
        // WAL keeps readers off the writer's way; FULL syncs every commit, so
        // a row written before a document's first byte survives a power cut.
        exec("PRAGMA journal_mode=WAL");
        exec("PRAGMA synchronous=FULL");
        exec(kSchema);
    } catch (...) {
        sqlite3_close(db_);
        throw;
    }
}

Journal::~Journal() {
    sqlite3_close(db_);
}

void Journal::exec(const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string why = error ? error : sqlite3_errmsg(db_);
        sqlite3_free(error);
        throw std::runtime_error("journal: " + why);
    }
}

bool Journal::add(const JobRecord& job) {
    std::lock_guard lock(mutex_);
    // A job not yet started needs no sync of its own: lost with the
    // machine, its key is unknown and a retry prints it once. start() syncs
    // it with its own row, before the first byte goes out.
    exec("PRAGMA synchronous=NORMAL");
    struct FullAgain {
        Journal* journal;
        ~FullAgain() {
            try {
                journal->exec("PRAGMA synchronous=FULL");
            } catch (...) {
            }
        }
    } full_again{this};
    Statement s(db_, std::string("INSERT INTO jobs (") + kColumns +
                         ") VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    s.text(1, job.key).text(2, job.operation).text(3, job.body).text(4, job.state);
    s.text(5, job.queued_at).optional_text(6, job.started_at).optional_text(7, job.ended_at);
    s.optional_text(8, job.verdict);
    job.receipt_number ? s.text(9, *job.receipt_number) : s.null(9);
    s.optional_text(10, job.outcome).optional_text(11, job.reason);
    job.counter_before ? s.number(12, *job.counter_before) : s.null(12);
    s.optional_text(13, job.serial_before).optional_text(14, job.answer).number(15, job.status);
    return s.step() == SQLITE_DONE;
}

void Journal::start(const std::string& key, const std::string& at,
                    std::optional<long long> counter, const std::string& serial) {
    std::lock_guard lock(mutex_);
    Statement s(db_,
                "UPDATE jobs SET state=?, started_at=?, counter_before=?, serial_before=? "
                "WHERE key=?");
    s.text(1, kRunning).text(2, at);
    counter ? s.number(3, *counter) : s.null(3);
    s.optional_text(4, serial).text(5, key);
    s.step();
}

void Journal::complete(const JobRecord& job) {
    std::lock_guard lock(mutex_);
    Statement s(db_,
                "UPDATE jobs SET state=?, ended_at=?, verdict=?, receipt_number=?, outcome=?, "
                "reason=?, answer=?, status=? WHERE key=?");
    s.text(1, job.state).text(2, job.ended_at).optional_text(3, job.verdict);
    job.receipt_number ? s.text(4, *job.receipt_number) : s.null(4);
    s.optional_text(5, job.outcome).optional_text(6, job.reason).optional_text(7, job.answer);
    s.number(8, job.status).text(9, job.key);
    s.step();
}

std::vector<JobRecord> Journal::select(const std::string& where_and_order,
                                       const std::string& bound, int limit) const {
    std::lock_guard lock(mutex_);
    Statement s(db_, std::string("SELECT ") + kColumns + " FROM jobs " + where_and_order);
    int next = 1;
    if (!bound.empty()) s.text(next++, bound);
    if (limit > 0) s.number(next, limit);
    std::vector<JobRecord> rows;
    while (s.step() == SQLITE_ROW) rows.push_back(Row(s));
    return rows;
}

std::optional<JobRecord> Journal::find(const std::string& key) const {
    std::vector<JobRecord> rows = select("WHERE key=?", key, 0);
    if (rows.empty()) return std::nullopt;
    return std::move(rows.front());
}

std::vector<JobRecord> Journal::latest(int limit) const {
    return select("ORDER BY seq DESC LIMIT ?", "", limit);
}

std::vector<JobRecord> Journal::unfinished() const {
    return select("WHERE state IN ('queued','running') ORDER BY seq", "", 0);
}

std::string UtcNow() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    const std::tm utc = os::UtcCalendar(seconds);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(ms));
    return text;
}

}  // namespace dru::serve
