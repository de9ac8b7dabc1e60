#include "link/debug_log.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "host/errors.h"
#include "host/text.h"
#include "host/unique_fd.h"

namespace dru {

namespace {

constexpr std::string_view kLogFileName = "ANALISA_ERRO.txt";
constexpr std::string_view kSeparator = " - ";
constexpr std::string_view kLineEnd = "\r\n";

[[noreturn]] void raise_io(const std::string& path, int err) {
    throw EInOutError("Cannot write the debug log " + path + ": " + std::strerror(err));
}

}  // namespace

std::string FileLogSink::path() const {
    std::string p = folder_;
    if (p.empty() || p.back() != '/') p += '/';
    p += kLogFileName;
    return p;
}

void FileLogSink::append(std::string_view line) {
    const std::string file = path();
    UniqueFd fd(::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (!fd) raise_io(file, errno);
    std::size_t done = 0;
    // Each pass writes at least one byte or fails, so the loop ends. On a
    // failed write the error reported is the write's: the descriptor closes
    // as the exception leaves, whatever that close says.
    while (done < line.size()) {
        const ssize_t n = ::write(fd.get(), line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) raise_io(file, n < 0 ? errno : EIO);
        done += static_cast<std::size_t>(n);
    }
    if (fd.close() != 0) raise_io(file, errno);
}

namespace {

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
