#include "terminal.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <istream>
#include <ostream>

namespace dru::cli {

namespace {
// How often the bar is redrawn.
constexpr auto kRedraw = std::chrono::milliseconds(100);
// Characters of the bar itself.
constexpr int kBarWidth = 30;
// Clears the terminal line the cursor is on.
constexpr const char* kClearLine = "\r\033[K";
// The shell's exit code for a program ended by SIGINT.
constexpr int kInterruptedExit = 130;

// The notice the handler writes: set before the handler is installed, read
// only inside it (write() and _exit() are all a handler may call).
char g_notice[1024];
std::size_t g_notice_size = 0;
struct sigaction g_previous;

extern "C" void OnInterrupt(int) {
    [[maybe_unused]] const ssize_t n = write(STDERR_FILENO, g_notice, g_notice_size);
    _exit(kInterruptedExit);
}
}  // namespace

InterruptNotice::InterruptNotice(const std::string& notice) {
    g_notice_size = std::min(notice.size(), sizeof g_notice);
    std::memcpy(g_notice, notice.data(), g_notice_size);
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &g_previous);
}

InterruptNotice::~InterruptNotice() {
    sigaction(SIGINT, &g_previous, nullptr);
}

std::string InterruptNotice::Text(const std::string& command, bool document) {
    if (!document)
        return "\ndru: interrupted during " + command +
               ": the call was cut short; the printer has what was sent before it.\n";
    return "\ndru: interrupted in the middle of the " + command +
           ": the printer may now hold an unfinished document (an open receipt or comment "
           "block).\n"
           "The next document will meet it: the printer answers its commands with error 19 "
           "(out of sequence) until that document is ended.\n"
           "Look at the paper, and read the last receipt number (dru receipt-number), before "
           "printing again.\n";
}

OperatorDialog::OperatorDialog(Console& console, const GlobalOptions& options, Report& report,
                               bool quiet)
    : console_(console), options_(options), report_(report), quiet_(quiet) {
    dru_set_message_handler(&OperatorDialog::Handle, this);
}

OperatorDialog::~OperatorDialog() {
    dru_set_message_handler(nullptr, nullptr);
}

bool OperatorDialog::Handle(void* user, const char* text, const char*, const char*,
                            const char* question, int32_t, const char*, const char*, int32_t,
                            const DruDataSet*) {
    auto* self = static_cast<OperatorDialog*>(user);
    try {
        return self->answer(text ? text : "", question && std::string(question) == "S");
    } catch (...) {  // nothing may cross back into the driver
        return false;
    }
}

// The next of --answers, if any is left.
std::optional<bool> OperatorDialog::next_answer() {
    if (next_answer_ >= options_.answers.size()) return std::nullopt;
    const std::string& a = options_.answers[next_answer_++];
    return a == "y" || a == "Y";
}

bool OperatorDialog::answer(const std::string& text, bool asks) {
    if (quiet_) {
        if (!asks) return false;
        const std::optional<bool> given = next_answer();
        return given ? *given : !options_.no;
    }
    // The bar keeps off the line while the operator reads or answers.
    struct Hold {
        ProgressBar* bar;
        explicit Hold(ProgressBar* b) : bar(b) {
            if (bar) bar->hold(true);
        }
        ~Hold() {
            if (bar) bar->hold(false);
        }
    } hold(progress_);
    if (!asks) {
        report_.messages.push_back({{"notice", text}});
        if (!options_.json) console_.err << "printer notice: " << text << "\n";
        return false;
    }
    bool yes = false;
    std::string how;
    if (const std::optional<bool> given = next_answer()) {
        yes = *given;
        how = "--answers";
    } else if (options_.yes || options_.no) {
        yes = options_.yes;
        how = options_.yes ? "--yes" : "--no";
    } else if (console_.in_terminal) {
        yes = AskYesNo(console_, text);
        how = "operator";
    } else {
        how = "no terminal";
    }
    report_.messages.push_back({{"question", text}, {"answer", yes ? "yes" : "no"}, {"by", how}});
    if (!options_.json && how != "operator")
        console_.err << "printer question: " << text << " -> " << (yes ? "yes" : "no") << " ("
                     << how << ")\n";
    return yes;
}

bool AskYesNo(Console& console, const std::string& question) {
    console.err << question << " [y/N] " << std::flush;
    std::string line;
    if (!std::getline(console.in, line)) return false;
    return line == "y" || line == "Y" || line == "yes" || line == "YES" || line == "s" ||
           line == "S";
}

bool Confirm(Console& console, const GlobalOptions& options, const std::string& what) {
    // --no and --answers answer the driver's questions, never this one.
    if (options.yes || options.confirm) return true;
    if (!console.in_terminal)
        throw UsageError(what +
                         " cannot be undone: confirm it on a terminal, or pass --confirm (or "
                         "--yes, which also answers the driver's questions yes)");
    return AskYesNo(console, what + " cannot be undone. Go on?");
}

ProgressBar::ProgressBar(std::ostream& err, Schedule schedule, const std::atomic<int>& written)
    : err_(err),
      schedule_(std::move(schedule)),
      written_(written),
      last_change_(std::chrono::steady_clock::now()),
      thread_([this] { run(); }) {}

ProgressBar::~ProgressBar() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
    err_ << kClearLine << std::flush;
}

void ProgressBar::hold(bool held) {
    std::lock_guard lock(mutex_);
    held_ = held;
    if (held) err_ << kClearLine << std::flush;
}

std::string ProgressBar::Text(const Schedule& schedule, int written, long long since_ms) {
    const int total = static_cast<int>(schedule.frame_at_ms.size());
    const int shown = std::clamp(written, 0, total);
    // The schedule's time left after the last frame written, less what has
    // passed since, but never past the next frame's time.
    long long left = schedule.total_ms;
    if (shown > 0) {
        const long long at = schedule.frame_at_ms[shown - 1];
        const long long next = shown < total ? schedule.frame_at_ms[shown] : schedule.total_ms;
        left = schedule.total_ms - std::min(at + since_ms, next);
    }
    const int filled = total > 0 ? shown * kBarWidth / total : 0;
    char tail[64];
    std::snprintf(tail, sizeof tail, "] %d/%d lines, %lld s left", shown, total,
                  (std::max(left, 0LL) + 999) / 1000);
    return "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '-') + tail;
}

void ProgressBar::draw() {
    const int written = written_.load();
    const auto now = std::chrono::steady_clock::now();
    if (written != last_count_) {
        last_count_ = written;
        last_change_ = now;
    }
    const long long since =
        std::chrono::duration_cast<std::chrono::milliseconds>(now - last_change_).count();
    err_ << kClearLine << Text(schedule_, written, since) << std::flush;
}

void ProgressBar::run() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
        if (!held_) draw();
        wake_.wait_for(lock, kRedraw, [this] { return stop_; });
    }
}

}  // namespace dru::cli
