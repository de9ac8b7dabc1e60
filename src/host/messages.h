// Message tables: ordered key|text lines. Lookup ignores the case of ASCII
// letters and returns the first line with the key; a missing key gives the
// empty text.
#pragma once
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dru {

class TMessages {
public:
    TMessages() = default;
    explicit TMessages(std::vector<std::pair<std::string, std::string>> lines) : lines_(std::move(lines)) {}

    std::string Msg(std::string_view key) const;
    // Replaces the text of the first line with the key, or appends a line.
    void set(std::string_view key, std::string text);
    const std::vector<std::pair<std::string, std::string>>& lines() const { return lines_; }

private:
    std::vector<std::pair<std::string, std::string>> lines_;
};

// Where the link finds the operator texts. The driver's data module implements
// it (creating itself on first use); tests can hand in fixed tables.
class MessageTables {
public:
    virtual ~MessageTables() = default;
    virtual const TMessages& msgPadrao() = 0;
    virtual const TMessages& msgPadrao2() = 0;
};

}  // namespace dru
