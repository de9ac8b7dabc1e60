#include "command_set.h"

#include <algorithm>
#include <cctype>

namespace dru::cli {

namespace {

struct OperandSpec {
    const char* name;
    int width;  // 0: free text to the end
};

struct CommandSpec {
    const char* code;
    const char* name;
    std::vector<OperandSpec> operands;
};

// The commands the driver sends, three-digit codes first so that no
// two-digit code takes their place.
const std::vector<CommandSpec>& Commands() {
    static const std::vector<CommandSpec> commands = {
        {"000", "open fiscal receipt", {}},
        {"021", "Z reduction", {}},
        {"432", "list payment forms", {}},
        {"481", "read counters and data", {}},
        {"111", "comment line, style 1", {{"text", 0}}},
        {"112", "comment line, style 2", {{"text", 0}}},
        {"113", "comment line, style 3", {{"text", 0}}},
        {"114", "comment line, style 4", {{"text", 0}}},
        {"115", "comment line, style 5", {{"text", 0}}},
        {"116", "comment line, style 6", {{"text", 0}}},
        {"01", "X reading", {}},
        {"12", "open boleta at the cash register", {}},
        {"13",
         "register item",
         {{"sub-code", 3},
          {"product", 13},
          {"quantity", 9},
          {"unit price", 9},
          {"line total", 9},
          {"description", 0}}},
        {"18", "repeat after a printing error", {}},
        {"20", "total receipt", {{"amount", 10}}},
        {"26", "register payment", {{"prefix", 2}, {"payment code", 2}, {"amount", 10}}},
        {"27", "end payments", {{"operand", 10}}},
        {"30", "line feed", {}},
        {"32", "open sales period", {}},
        {"34", "open cash drawer", {{"pulse", 6}}},
        {"35", "printer state", {}},
        {"60", "begin comment", {}},
        {"61", "end comment", {}},
        {"98", "cut paper", {}},
        {"99", "end receipt (type 30)", {}},
    };
    return commands;
}

bool AllDigits(const std::string& s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

}  // namespace

DecodedCommand DecodeCommand(const std::string& command) {
    for (const CommandSpec& spec : Commands()) {
        if (!command.starts_with(spec.code)) continue;
        DecodedCommand out{spec.code, spec.name, {}};
        std::size_t at = out.code.size();
        for (const OperandSpec& o : spec.operands) {
            if (at >= command.size()) break;
            const std::size_t n = o.width ? static_cast<std::size_t>(o.width) : std::string::npos;
            out.operands.push_back({o.name, command.substr(at, n)});
            at = n == std::string::npos ? command.size() : at + n;
        }
        if (at < command.size()) out.operands.push_back({"rest", command.substr(at)});
        return out;
    }
    return {};
}

std::string ErrorName(int number) {
    switch (number) {
        case 13:
            return "the printer does not answer";
        case 18:
            return "command refused";
        case 19:
            return "command out of sequence";
        case 43:
            return "paper out or cover open";
        case 59:
            return "not allowed during the sales period";
        case 60:
            return "the sales period is closed";
        case 64:
            return "not allowed in training mode";
        case 67:
            return "a Z reduction must be printed first";
        case 68:
            return "a Z reduction will soon be due";
        case 80:
        case 82:
            return "printing error: the printer repeats";
        default:
            return {};
    }
}

std::string DescribeErrorReply(const std::string& reply) {
    if (reply.size() != 5 || reply[0] != '0' || !AllDigits(reply)) return {};
    const int number = std::stoi(reply.substr(1, 2));
    const std::string code = reply.substr(3, 2);
    std::string out = "error " + std::to_string(number);
    if (const std::string name = ErrorName(number); !name.empty()) out += " (" + name + ")";
    out += " on command " + code;
    // The reply names the command by its code's first two characters.
    for (const char* full : {"000", "021", "01", "12", "13", "18", "20", "26", "27", "30", "32",
                             "34", "35", "60", "61", "98", "99"}) {
        if (std::string(full).substr(0, 2) != code) continue;
        out += " (" + DecodeCommand(full).name + ")";
        break;
    }
    return out;
}

}  // namespace dru::cli
