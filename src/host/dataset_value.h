// Internal pieces of the in-memory table shared by the table, its filter and
// its data packet: the stored value of one field and one row.
#pragma once
#include <cstdint>
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
