#include "link/debug_log.h"

#include "host/text.h"

namespace dru {

namespace {

constexpr std::string_view kSeparator = " - ";
constexpr std::string_view kLineEnd = "\r\n";

// The message of a log line: what follows "date time - ", less CR LF.
std::string_view message_of(std::string_view line) {
    if (line.ends_with(kLineEnd)) line.remove_suffix(kLineEnd.size());
    const auto sep = line.find(kSeparator);
    if (sep != std::string_view::npos) line.remove_prefix(sep + kSeparator.size());
    return line;
}

}  // namespace

void MemoryLogSink::append(std::string_view line) {
    lines_.emplace_back(line);
    if (trace_) trace_->add("log " + TraceBytes(message_of(line)));
}

std::vector<std::string> MemoryLogSink::messages() const {
    std::vector<std::string> out;
    out.reserve(lines_.size());
    for (const auto& line : lines_) out.push_back(text::from_latin1(message_of(line)));
    return out;
}

void DebugLog::ImpFisDebug(std::string_view msg) {
    std::string line = DateTimeToStr(clock_.now(), format_);
    line += kSeparator;
    line += msg;
    line += kLineEnd;
    sink_.append(text::to_latin1(line));
}

}  // namespace dru
