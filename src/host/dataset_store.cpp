#include "host/dataset_store.h"

#include "host/errors.h"
#include "host/text.h"

namespace dru::detail {
namespace {

// Room left between the order numbers of appended rows, so that rows inserted
// between two others rarely force a renumbering of the whole table.
constexpr std::uint64_t kOrdGap = std::uint64_t{1} << 20;

}  // namespace

std::vector<std::string> SplitFieldNames(std::string_view list) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(';', start);
        if (end == std::string_view::npos) end = list.size();
        std::string_view part = list.substr(start, end - start);
        while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
        while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
        if (!part.empty()) out.emplace_back(part);
        start = end + 1;
    }
    return out;
}

// ---- Field definitions ------------------------------------------------------------

int RowStore::Find(std::string_view name) const {
    const auto it = position_of_.find(text::upper_ascii(name));
    return it == position_of_.end() ? -1 : it->second;
}

int RowStore::Require(std::string_view name) const {
    const int i = Find(name);
    if (i < 0) throw EDatabaseError("Field '" + std::string(name) + "' not found");
    return i;
}

void RowStore::AddDef(FieldDef def) {
    defs_.push_back(std::move(def));
    packet_types_.emplace_back();
    IndexNames();
}

void RowStore::IndexNames() {
    position_of_.clear();
    for (std::size_t i = 0; i < defs_.size(); ++i) position_of_[text::upper_ascii(defs_[i].name)] = static_cast<int>(i);
}

// ---- Rows ---------------------------------------------------------------------------

std::size_t RowStore::IndexOf(const Row* row) const {
    std::size_t lo = 0, hi = rows_.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (rows_[mid]->ord < row->ord) lo = mid + 1; else hi = mid;
    }
    return lo;
}

void RowStore::Renumber() {
    std::uint64_t ord = 0;
    for (std::size_t i = 0; i < rows_.size(); ++i) rows_[i]->ord = ord += kOrdGap;
}

std::size_t RowStore::Place(Row& row, const Row* next) {
    if (!next) {
        row.ord = rows_.empty() ? kOrdGap : rows_.back()->ord + kOrdGap;
        return rows_.size();
    }
    std::size_t at = IndexOf(next);
    std::uint64_t prev = at > 0 ? rows_[at - 1]->ord : 0;
    if (next->ord - prev < 2) {  // no number left between the neighbours
        Renumber();
        at = IndexOf(next);
        prev = at > 0 ? rows_[at - 1]->ord : 0;
    }
    row.ord = prev + (next->ord - prev) / 2;
    return at;
}

Row* RowStore::InsertAt(std::size_t at, std::unique_ptr<Row> row) {
    Row* raw = row.get();
    rows_.insert(at, std::move(row));
    return raw;
}

void RowStore::Erase(const Row* row) { rows_.erase(IndexOf(row)); }

void RowStore::Clear() { rows_.clear(); }

// ---- Whole content ----------------------------------------------------------------

RowList RowStore::Numbered(std::vector<std::vector<Value>> values) {
    std::vector<std::unique_ptr<Row>> rows;
    rows.reserve(values.size());
    std::uint64_t ord = 0;
    for (auto& v : values) {
        auto row = std::make_unique<Row>();
        row->values = std::move(v);
        row->ord = ord += kOrdGap;
        rows.push_back(std::move(row));
    }
    RowList list;
    list.assign(std::move(rows));
    return list;
}

RowList RowStore::Copy() const {
    std::vector<std::unique_ptr<Row>> rows;
    rows.reserve(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i) rows.push_back(std::make_unique<Row>(*rows_[i]));
    RowList list;
    list.assign(std::move(rows));
    return list;
}

void RowStore::Assign(std::vector<FieldDef> defs, std::vector<PacketFieldType> types, RowList rows) {
    defs_ = std::move(defs);
    packet_types_ = std::move(types);
    packet_types_.resize(defs_.size());
    IndexNames();
    rows_ = std::move(rows);
}

}  // namespace dru::detail
