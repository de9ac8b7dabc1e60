#include "debug_log.h"

#include <cctype>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <sstream>

#include "command_set.h"
#include "report.h"

namespace dru::cli {

namespace fs = std::filesystem;

namespace {

constexpr const char* kTimeSeparator = " - ";
constexpr const char* kSentLabel = "Comando Enviado Generico";
constexpr const char* kReplyLabel = "Retorno : ";
constexpr const char* kResultLabel = "Resultado : ";
constexpr const char* kErrorHeader = "*********Aconteceu um Erro******** Erro ";
constexpr const char* kCommandTail = " Comando ";
constexpr char kFrameStart = '\x87';
constexpr char kFrameEnd = '\x88';
constexpr const char* kLineEnd = "\r\n";

std::string FromLatin1(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string Shown(const std::string& latin1) {
    return Visible(FromLatin1(latin1));
}

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

void Sent(LogEntry& e, const std::string& label, const std::string& frame) {
    e.kind = "sent";
    e.label = Trim(Shown(label));
    std::string command = frame.substr(1);
    if (!command.empty() && command.back() == kFrameEnd) command.pop_back();
    e.text = Shown(command);
    const DecodedCommand d = DecodeCommand(command);
    e.command = d.code;
    e.name = d.name;
    for (const Operand& o : d.operands) e.operands.emplace_back(o.name, Shown(o.text));
}

void Received(LogEntry& e, const std::string& reply) {
    e.kind = "received";
    e.text = FromLatin1(reply);
    e.meaning = DescribeErrorReply(reply);
    if (e.meaning.empty() && reply == "1") e.meaning = "done";
}

}  // namespace

LogEntry ParseLogLine(const std::string& line) {
    LogEntry e;
    const auto sep = line.find(kTimeSeparator);
    if (sep == std::string::npos) {
        e.kind = "unreadable";
        e.text = Shown(line);
        return e;
    }
    e.time = Shown(line.substr(0, sep));
    const std::string msg = line.substr(sep + std::string(kTimeSeparator).size());
    if (msg.starts_with(kReplyLabel)) {
        Received(e, msg.substr(std::string(kReplyLabel).size()));
    } else if (msg.starts_with(kResultLabel)) {
        Received(e, msg.substr(std::string(kResultLabel).size()));
        e.label = "end of the document's block";
    } else if (msg.starts_with(kErrorHeader)) {
        e.kind = "error";
        e.text = Shown(msg);
        const std::string rest = msg.substr(std::string(kErrorHeader).size());
        const auto tail = rest.find(kCommandTail);
        const std::string number = rest.substr(0, tail);
        const std::string name =
            number.find_first_not_of("0123456789") == std::string::npos && !number.empty()
                ? ErrorName(std::stoi(number))
                : std::string();
        e.meaning = "printer error " + number + (name.empty() ? "" : " (" + name + ")");
        if (tail != std::string::npos)
            e.meaning += " on command " + rest.substr(tail + std::string(kCommandTail).size());
    } else if (const auto frame = msg.find(kFrameStart); frame != std::string::npos) {
        const std::string label = msg.substr(0, frame);
        Sent(e, label == kSentLabel ? std::string() : label, msg.substr(frame));
    } else {
        e.kind = "note";
        e.text = Shown(msg);
    }
    return e;
}

std::string FormatEntry(const LogEntry& e) {
    const std::string head = e.time.empty() ? std::string(19, ' ') : e.time;
    if (e.kind == "sent") {
        std::string out = head + "  >  " + (e.command.empty() ? e.text : e.command + " " + e.name);
        for (const auto& [name, value] : e.operands) out += "  " + name + " [" + value + "]";
        if (!e.label.empty()) out += "  (" + e.label + ")";
        return out;
    }
    if (e.kind == "received") {
        // One row per printer line of the reply (the payment-forms list).
        std::string out;
        std::size_t start = 0;
        for (bool first = true;; first = false) {
            const std::size_t end = e.text.find_first_of("\r\n", start);
            const std::string piece = e.text.substr(start, end - start);
            if (first)
                out += head + "  <  " + Visible(piece);
            else if (!piece.empty())
                out += "\n" + std::string(head.size(), ' ') + "     " + Visible(piece);
            if (end == std::string::npos) break;
            start = end + 1;
        }
        if (!e.meaning.empty()) out += "  " + e.meaning;
        if (!e.label.empty()) out += "  (" + e.label + ")";
        return out;
    }
    if (e.kind == "error") return head + "  !  " + e.meaning;
    if (e.kind == "note") return head + "  .  " + e.text;
    return "?  " + e.text;
}

Json EntryJson(const LogEntry& e) {
    Json j = {{"time", e.time}, {"kind", e.kind}, {"text", e.text}};
    if (!e.label.empty()) j["label"] = e.label;
    if (!e.command.empty()) {
        j["command"] = e.command;
        j["name"] = e.name;
        Json ops = Json::array();
        for (const auto& [name, value] : e.operands)
            ops.push_back({{"name", name}, {"text", value}});
        j["operands"] = ops;
    }
    if (!e.meaning.empty()) j["meaning"] = e.meaning;
    return j;
}

bool LogReader::read(std::vector<std::string>& lines) {
    std::error_code ec;
    const fs::file_status status = fs::status(path_, ec);
    missing_ = status.type() == fs::file_type::not_found;
    if (missing_) {
        reason_ = std::generic_category().message(ENOENT);
        return false;
    }
    if (status.type() == fs::file_type::directory) {
        reason_ = "a folder, not a log file";
        return false;
    }
    errno = 0;
    std::ifstream in(path_, std::ios::binary);
    if (!in) {
        reason_ = errno ? std::generic_category().message(errno) : "cannot be opened";
        return false;
    }
    in.seekg(0, std::ios::end);
    const auto end = in.tellg();
    if (end < 0) {
        reason_ = "cannot be read to its end";
        return false;
    }
    const auto size = static_cast<std::uintmax_t>(end);
    if (size < offset_) offset_ = 0, partial_.clear();  // the file was started anew
    in.seekg(static_cast<std::streamoff>(offset_));
    std::string chunk(size - offset_, '\0');
    in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    offset_ = size;
    partial_ += chunk;
    for (std::size_t lf; (lf = partial_.find('\n')) != std::string::npos;) {
        if (line_end_ == 0) line_end_ = lf > 0 && partial_[lf - 1] == '\r' ? 2 : 1;
        // With CR LF ends a bare LF belongs to the line (a reply's own line breaks).
        std::size_t end_of_line = lf;
        if (line_end_ == 2) {
            end_of_line = partial_.find(kLineEnd);
            if (end_of_line == std::string::npos) break;
        }
        lines.push_back(partial_.substr(0, end_of_line));
        partial_.erase(0, end_of_line + (line_end_ == 2 ? 2 : 1));
    }
    return true;
}

std::string LogReader::take_partial() {
    std::string rest = std::move(partial_);
    partial_.clear();
    if (line_end_ != 1 && rest.ends_with('\r')) rest.pop_back();
    return rest;
}

bool LooksLikeDebugLog(const std::vector<std::string>& lines) {
    if (lines.empty()) return true;
    for (const std::string& l : lines) {
        const LogEntry e = ParseLogLine(l);
        if (e.kind != "unreadable" && !e.time.empty() &&
            std::isdigit(static_cast<unsigned char>(e.time.front())))
            return true;
    }
    return false;
}

}  // namespace dru::cli
