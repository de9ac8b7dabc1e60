#include "host/messages.h"

#include "host/text.h"

namespace dru {

std::string TMessages::Msg(std::string_view key) const {
    for (const auto& [k, t] : lines_)
        if (text::equals_ignore_case(k, key)) return t;
    return {};
}

void TMessages::set(std::string_view key, std::string text) {
    for (auto& [k, t] : lines_) {
        if (text::equals_ignore_case(k, key)) {
            t = std::move(text);
            return;
        }
    }
    lines_.emplace_back(std::string(key), std::move(text));
}

}  // namespace dru
