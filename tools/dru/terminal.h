// What dru asks and shows on the terminal while a call runs: the driver's
// operator questions and notices, the confirmation of an irreversible
// operation, and the progress bar of a long document.
#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "cli.h"
#include "report.h"
#include "target.h"

namespace dru::cli {

class ProgressBar;

// The driver's message handler while the object lives. Questions: --answers
// answers them in order, then --yes or --no answer the rest; otherwise they are asked on a terminal, and without
// one answered "no" (as the driver does with no handler). Notices go to
// stderr (not in --json mode); both are kept in the report. A quiet dialog
// (the measuring run) shows and asks nothing and answers as --no says,
// else yes, so the run goes the whole way.
class OperatorDialog {
  public:
    OperatorDialog(Console& console, const GlobalOptions& options, Report& report,
                   bool quiet = false);
    OperatorDialog(const OperatorDialog&) = delete;
    OperatorDialog& operator=(const OperatorDialog&) = delete;
    ~OperatorDialog();
    void set_progress(ProgressBar* bar) { progress_ = bar; }

  private:
    static bool Handle(void* user, const char* text, const char* arg2, const char* arg3,
                       const char* question, int32_t kind, const char* arg6, const char* scheme,
                       int32_t arg8, const DruDataSet* table);
    bool answer(const std::string& text, bool asks);
    std::optional<bool> next_answer();

    Console& console_;
    const GlobalOptions& options_;
    Report& report_;
    bool quiet_;
    std::size_t next_answer_ = 0;  // of options_.answers
    ProgressBar* progress_ = nullptr;
};

// Asks "yes or no" on the terminal; false for anything but y or yes.
bool AskYesNo(Console& console, const std::string& question);

// For z and closing: --yes or --confirm confirms; otherwise the operator is
// asked on a terminal. Without a terminal it is a usage error.
bool Confirm(Console& console, const GlobalOptions& options, const std::string& what);

// While the object lives, Ctrl-C (SIGINT) ends dru with exit code 130 after
// writing `notice` on stderr: a call cut short leaves the printer in the
// middle of what it was sent, and the operator must hear of it.
class InterruptNotice {
  public:
    explicit InterruptNotice(const std::string& notice);
    InterruptNotice(const InterruptNotice&) = delete;
    InterruptNotice& operator=(const InterruptNotice&) = delete;
    ~InterruptNotice();
    // What Ctrl-C says during `command`; `document`: a document was being printed.
    static std::string Text(const std::string& command, bool document);
};

// A document's progress on stderr: the frames written of the document's
// frames, and the time its schedule has left. Redrawn from its own thread.
class ProgressBar {
  public:
    ProgressBar(std::ostream& err, Schedule schedule, const std::atomic<int>& written);
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;
    ~ProgressBar();  // stops and clears the line
    // While the operator is asked something the bar keeps off the line.
    void hold(bool held);
    // The bar's text for `written` frames, `since_ms` after the last one was counted.
    static std::string Text(const Schedule& schedule, int written, long long since_ms);

  private:
    void run();
    void draw();

    std::ostream& err_;
    Schedule schedule_;
    const std::atomic<int>& written_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    bool held_ = false;
    int last_count_ = -1;
    std::chrono::steady_clock::time_point last_change_;
    std::thread thread_;
};

}  // namespace dru::cli
