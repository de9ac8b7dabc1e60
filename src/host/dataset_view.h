// The view of the in-memory table over its row store: the rows that pass the
// filter, in the order of the current index, and the cursor over them. The
// view holds pointers to the store's rows; whoever changes the rows tells the
// view (RowChanged, RowAdded, TakeCurrent) or shows a new view.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "host/dataset_filter.h"
#include "host/dataset_store.h"
#include "host/dataset_value.h"

namespace dru::detail {

// A chosen index, resolved against the table's fields. No key: the table's
// own order.
struct Order {
    struct Part {
        int field;
        bool descending;
        bool case_insensitive;
    };
    std::string name;  // "" = insertion order
    std::vector<Part> key;
    bool unique = false;

    // Equal keys keep the table's own order.
    bool Less(const Row* a, const Row* b) const;
    bool SameKey(const Row* a, const Row* b) const;
};

// One field of a Locate: the value looked for, and whether case is ignored.
struct SearchField {
    int field;
    Value value;
    bool fold;
};

class TableView {
public:
    explicit TableView(const RowStore& store) : store_(store) {}

    // ---- Filter ----------------------------------------------------------------------
    const std::string& FilterText() const { return filter_text_; }
    bool Filtered() const { return filtered_; }
    // While filtering is off the text is only kept.
    void KeepFilterText(std::string text) { filter_text_ = std::move(text); }
    // The filter turned on (with `program` compiled from `text`) or off, and
    // the view rebuilt; a key violation raises with the view as it was.
    void ChangeFilter(std::string text, bool on, filter::Program program);
    bool Passes(const Row& row) const { return program_.Matches(row.values); }

    // ---- Indexes ---------------------------------------------------------------------
    void AddIndex(IndexDef def);  // raises on an empty or duplicate name
    bool HasIndex(std::string_view name) const;
    const std::string& IndexName() const { return order_.name; }
    // The index chosen while the table is closed; its fields are looked up
    // with the data.
    void KeepIndexName(std::string name) { order_.name = std::move(name); }
    // Raises naming a missing index or field.
    Order ResolveIndex(std::string_view name, const std::vector<FieldDef>& fields) const;
    // The view in the new order, the cursor staying on its row; a key
    // violation raises with the view as it was.
    void ChangeIndex(Order order);

    // ---- Whole view --------------------------------------------------------------------
    // The visible rows of `rows` in `order`; raises on a unique key found twice.
    static std::vector<Row*> Build(const RowList& rows, const filter::Program& program, const Order& order);
    // A content's view, built with Build; the cursor goes to the first row.
    void Show(filter::Program program, Order order, std::vector<Row*> rows);
    void Clear();

    // ---- Cursor --------------------------------------------------------------------------
    bool Empty() const { return shown_.empty(); }
    std::size_t Count() const { return shown_.size(); }
    std::size_t Pos() const { return pos_; }
    bool AtEof() const { return eof_; }
    bool AtBof() const { return bof_; }
    Row* Current() const { return shown_.empty() ? nullptr : shown_[pos_]; }
    void GoFirst();
    void GoNext();
    void GoPrior();
    void GoLast();
    // Moves to the first row in the view holding every value; stays otherwise.
    bool Locate(const std::vector<SearchField>& fields);

    // ---- Row changes -------------------------------------------------------------------
    // Raises when `candidate` would repeat a key of the current unique index
    // (`self`: the stored row it replaces, nullptr for a new row).
    void CheckUnique(const Row& candidate, const Row* self) const;
    // The row at the cursor has new values: it moves to its place, or leaves
    // a view it no longer passes (the cursor then on the row that followed).
    void RowChanged();
    // A new stored row: shown in its place with the cursor on it, or left out
    // if it does not pass the filter.
    void RowAdded(Row* row);
    // Takes the row at the cursor out of the view, the cursor on the next.
    Row* TakeCurrent();

private:
    std::size_t PlaceOf(const Row* row) const;
    void Settle(std::size_t p);

    const RowStore& store_;

    std::string filter_text_;
    bool filtered_ = false;
    filter::Program program_;  // empty while not filtered: every row passes

    std::vector<IndexDef> indexes_;
    Order order_;

    GapVector<Row*> shown_;  // the visible rows in the current order
    std::size_t pos_ = 0;
    bool eof_ = true, bof_ = true;
};

}  // namespace dru::detail
