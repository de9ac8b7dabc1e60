// Named-parameter arrays: an ordered list of (name, value) pairs. Values are
// kept as text, the form in which every operation reads them.
#pragma once
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dru {

struct Param {
    std::string name;
    std::string value;
};

class TParams {
public:
    TParams() = default;
    TParams(std::initializer_list<Param> pairs) : pairs_(pairs) {}

    void add(std::string name, std::string value) { pairs_.push_back({std::move(name), std::move(value)}); }
    std::size_t size() const { return pairs_.size(); }
    const Param& operator[](std::size_t i) const { return pairs_[i]; }
    const std::vector<Param>& pairs() const { return pairs_; }
    // Whole replacement, the way results are handed back to the host.
    void replace(TParams other) { pairs_ = std::move(other.pairs_); }

private:
    std::vector<Param> pairs_;
};

// The value paired with `name` (first pair whose name matches, ignoring the
// case of ASCII letters); the empty text when the array lacks the name.
std::string RecebeParams(const TParams& params, std::string_view name);

}  // namespace dru
