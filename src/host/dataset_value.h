// Internal pieces of the in-memory table shared by the table, its filter and
// its data packet: the stored value of one field and one row.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "host/dataset.h"

namespace dru::detail {

// Null, text (String), whole number (Integer), number (Float and DateTime:
// a date-time is days since 1899-12-30) or flag (Boolean).
using Value = std::variant<std::monostate, std::string, long long, double, bool>;

inline bool IsNull(const Value& v) { return std::holds_alternative<std::monostate>(v); }

struct Row {
    std::vector<Value> values;
    // Place in the table's own (insertion) order: rows are kept sorted by it,
    // and an inserted row takes a number between its neighbours'.
    std::uint64_t ord = 0;
};

// A sequence with a movable gap: inserting or erasing costs the distance
// from the previous edit, so a walk that edits rows at its cursor stays
// linear where a plain vector would move the whole tail every time.
template <class T>
class GapVector {
public:
    std::size_t size() const { return buf_.size() - gap_len_; }
    bool empty() const { return size() == 0; }
    T& operator[](std::size_t i) { return buf_[i < gap_ ? i : i + gap_len_]; }
    const T& operator[](std::size_t i) const { return buf_[i < gap_ ? i : i + gap_len_]; }
    T& back() { return (*this)[size() - 1]; }
    const T& back() const { return (*this)[size() - 1]; }

    void clear() {
        buf_.clear();
        gap_ = gap_len_ = 0;
    }
    void assign(std::vector<T> items) {
        buf_ = std::move(items);
        gap_ = buf_.size();
        gap_len_ = 0;
    }
    void insert(std::size_t i, T item) {
        if (gap_len_ == 0) Grow();
        MoveGap(i);
        buf_[gap_++] = std::move(item);
        --gap_len_;
    }
    void push_back(T item) { insert(size(), std::move(item)); }
    void erase(std::size_t i) {
        MoveGap(i);
        buf_[gap_ + gap_len_] = T{};
        ++gap_len_;
    }

private:
    void MoveGap(std::size_t i) {
        if (i < gap_) {
            std::move_backward(buf_.begin() + static_cast<std::ptrdiff_t>(i), buf_.begin() + static_cast<std::ptrdiff_t>(gap_),
                               buf_.begin() + static_cast<std::ptrdiff_t>(gap_ + gap_len_));
        } else if (i > gap_) {
            std::move(buf_.begin() + static_cast<std::ptrdiff_t>(gap_ + gap_len_),
                      buf_.begin() + static_cast<std::ptrdiff_t>(i + gap_len_), buf_.begin() + static_cast<std::ptrdiff_t>(gap_));
        }
        gap_ = i;
    }
    void Grow() {
        const std::size_t n = size();
        MoveGap(n);
        const std::size_t extra = std::max<std::size_t>(16, n / 2);
        buf_.resize(buf_.size() + extra);
        gap_len_ += extra;
    }

    std::vector<T> buf_;
    std::size_t gap_ = 0;
    std::size_t gap_len_ = 0;
};

// The table's rows in its own order.
using RowList = GapVector<std::unique_ptr<Row>>;

// How a data packet typed a field ("i2", "string.uni", "date", SUBTYPE
// "Money", ...), kept so a packet read and written again keeps its types.
struct PacketFieldType {
    std::string fieldtype;  // empty: the default for the field's type
    std::string subtype;
    int width = 0;  // WIDTH as the packet gave it
};

// A whole table content: what a packet holds and what a copy moves.
struct TableContent {
    std::vector<FieldDef> defs;
    std::vector<PacketFieldType> packet_types;  // parallel to defs
    std::vector<std::vector<Value>> rows;
};

}  // namespace dru::detail
