// Reading the driver's debug log (ANALISA_ERRO.txt: "date time - message"
// lines ended by CR LF, Latin-1) for a person: each line's time, whether it
// was sent or received, the command's name with its operands at their
// fixed positions, and the printer's error numbers named.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "json_input.h"

namespace dru::cli {

// The driver's debug log in the host folder.
inline constexpr const char* kDebugLogFile = "ANALISA_ERRO.txt";

struct LogEntry {
    std::string time;   // the line's date and time as logged
    std::string kind;   // "sent", "received", "error", "note", or "unreadable"
    std::string label;  // the operation's own words before a frame
    std::string text;   // the message, the frame or the reply (UTF-8, control bytes as <0D>)
    std::string command, name;  // a sent frame's code and name
    std::vector<std::pair<std::string, std::string>> operands;
    std::string meaning;  // an error reply or error line, named
};

// One log line (Latin-1, without CR LF).
LogEntry ParseLogLine(const std::string& latin1);
// The entry for a person, on one or more lines (a reply of several printer
// lines shows one row each).
std::string FormatEntry(const LogEntry& e);
Json EntryJson(const LogEntry& e);

// Reads the log's complete lines from where it last stopped; a line still
// being written waits for its line end. The driver ends lines with CR LF;
// a log copied through another system may end them with LF alone, which the
// first line end of the file tells.
class LogReader {
  public:
    explicit LogReader(std::string path) : path_(std::move(path)) {}
    // False when the file cannot be read (reason() says why).
    bool read(std::vector<std::string>& lines);
    // The system's reason the last read failed ("No such file or directory").
    const std::string& reason() const { return reason_; }
    // True when the last read failed because there is no such file yet.
    bool missing() const { return missing_; }
    // The last line when it has no line end (a log read once shows it too).
    std::string take_partial();

  private:
    std::string path_;
    std::uintmax_t offset_ = 0;
    std::string partial_;
    std::string reason_;
    bool missing_ = false;
    int line_end_ = 0;  // 0 not known yet, 2 CR LF, 1 LF
};

// True when some line reads as the driver's "date time - message" (an empty
// log is one too).
bool LooksLikeDebugLog(const std::vector<std::string>& lines);

}  // namespace dru::cli
