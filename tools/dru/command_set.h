// The printer's command set as `dru log` shows it: each command's name and
// its operands at their fixed positions, and the names of the printer's
// error numbers.
#pragma once
#include <string>
#include <vector>

namespace dru::cli {

struct Operand {
    std::string name;
    std::string text;
};

struct DecodedCommand {
    std::string code;  // empty: not a command of the set
    std::string name;
    std::vector<Operand> operands;
};

// A command text (the frame without its frame bytes) split into code and
// operands; the last operand of free text runs to the end.
DecodedCommand DecodeCommand(const std::string& command);

// What the printer's error number means ("command out of sequence"); empty
// when the number is not one the driver knows.
std::string ErrorName(int number);

// The printer's error reply ("0", error number, failed command's code, no
// ":"), named: "error 19 (command out of sequence) on command 98 (cut
// paper)"; empty when `reply` is not one.
std::string DescribeErrorReply(const std::string& reply);

}  // namespace dru::cli
