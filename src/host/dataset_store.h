// The row store of the in-memory table: the field definitions and every row
// (filtered out or not) in the table's own, insertion order. Each row carries
// an order number; an inserted row takes a number between its neighbours',
// so finding a row's place is a binary search.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/dataset_value.h"

namespace dru::detail {

// The names of a field list "F1;F2" (blanks around a name ignored, empty
// names dropped).
std::vector<std::string> SplitFieldNames(std::string_view list);

class RowStore {
public:
    // ---- Field definitions --------------------------------------------------------
    const std::vector<FieldDef>& defs() const { return defs_; }
    const std::vector<PacketFieldType>& packet_types() const { return packet_types_; }
    // The field's position, the name ignoring ASCII case; -1 when missing.
    int Find(std::string_view name) const;
    // As Find; raises EDatabaseError naming a missing field.
    int Require(std::string_view name) const;
    // One more field, typed by default in a packet.
    void AddDef(FieldDef def);

    // ---- Rows ------------------------------------------------------------------------
    const RowList& rows() const { return rows_; }
    // Gives `row` the order number of a row placed before `next` (nullptr: at
    // the end) and returns its position; InsertAt stores it there. Nothing
    // may change the rows in between.
    std::size_t Place(Row& row, const Row* next);
    Row* InsertAt(std::size_t at, std::unique_ptr<Row> row);
    void Erase(const Row* row);  // the row is destroyed
    void Clear();

    // ---- Whole content -------------------------------------------------------------
    // Rows numbered in the order given, for a new content.
    static RowList Numbered(std::vector<std::vector<Value>> values);
    // Copies of every row, with their order numbers.
    RowList Copy() const;
    // Replaces definitions and rows at once; `types` is made parallel to `defs`.
    void Assign(std::vector<FieldDef> defs, std::vector<PacketFieldType> types, RowList rows);

private:
    std::size_t IndexOf(const Row* row) const;
    void Renumber();
    void IndexNames();

    std::vector<FieldDef> defs_;
    std::vector<PacketFieldType> packet_types_;  // parallel to defs_
    std::unordered_map<std::string, int> position_of_;  // upper-case name -> field
    RowList rows_;  // sorted by order number
};

}  // namespace dru::detail
