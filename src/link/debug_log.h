// The debug log ANALISA_ERRO.txt: one line per event, "date time - message",
// CR LF, Latin-1. Lines go through a sink so tests can read them without disk.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "host/clock.h"
#include "host/format.h"
#include "host/trace.h"

namespace dru {

class LogSink {
public:
    virtual ~LogSink() = default;
    // Appends one complete line (Latin-1 bytes, CR LF included). Raises
    // EInOutError when the line cannot be written.
    virtual void append(std::string_view line) = 0;
};

// Appends to <folder>/ANALISA_ERRO.txt, opening and closing the file per line
// so every line is on disk when the call returns.
class FileLogSink final : public LogSink {
public:
    explicit FileLogSink(std::string folder) : folder_(std::move(folder)) {}
    void append(std::string_view line) override;
    std::string path() const;

private:
    std::string folder_;
};

// Keeps the lines in memory; given a trace, also adds "log <message>" to it
// for each line (the message after "date time - ", shown as TraceBytes).
class MemoryLogSink final : public LogSink {
public:
    void append(std::string_view line) override;
    const std::vector<std::string>& lines() const { return lines_; }
    // The messages (text after "date time - ", without CR LF), as UTF-8.
    std::vector<std::string> messages() const;
    void clear() { lines_.clear(); }
    // nullptr stops the tracing; the trace must outlive the sink's use of it.
    void set_trace(Trace* trace) { trace_ = trace; }

private:
    std::vector<std::string> lines_;
    Trace* trace_ = nullptr;
};

class DebugLog {
public:
    DebugLog(LogSink& sink, const Clock& clock, const FormatSettings& format)
        : sink_(sink), clock_(clock), format_(format) {}
    // ImpFisDebug: one line with the current date and time and `msg` (UTF-8 text,
    // frame bytes included as U+0087/U+0088).
    void ImpFisDebug(std::string_view msg);

private:
    LogSink& sink_;
    const Clock& clock_;
    const FormatSettings& format_;
};

}  // namespace dru
