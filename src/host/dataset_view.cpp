#include "host/dataset_view.h"

#include <algorithm>

#include "host/errors.h"
#include "host/text.h"

namespace dru::detail {
namespace {

// One step of case folding for comparisons that ignore case: ASCII letters and
// the Latin-1 small letters (U+00E0..U+00FE but U+00F7) fold to capitals.
class Folder {
public:
    explicit Folder(std::string_view s) : s_(s) {}
    bool done() const { return i_ >= s_.size(); }
    unsigned char next() {
        auto c = static_cast<unsigned char>(s_[i_++]);
        if (after_c3_) {
            after_c3_ = false;
            if (c >= 0xA0 && c <= 0xBE && c != 0xB7) c = static_cast<unsigned char>(c - 0x20);
            return c;
        }
        if (c == 0xC3) after_c3_ = true;
        if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
        return c;
    }

private:
    std::string_view s_;
    std::size_t i_ = 0;
    bool after_c3_ = false;
};

int CompareFolded(std::string_view a, std::string_view b) {
    Folder fa(a), fb(b);
    while (!fa.done() && !fb.done()) {
        const unsigned char x = fa.next(), y = fb.next();
        if (x != y) return x < y ? -1 : 1;
    }
    return fa.done() ? (fb.done() ? 0 : -1) : 1;
}

// Null first, then by value.
int CompareValues(const Value& a, const Value& b, bool case_insensitive) {
    const bool na = IsNull(a), nb = IsNull(b);
    if (na || nb) return na == nb ? 0 : (na ? -1 : 1);
    if (const auto* sa = std::get_if<std::string>(&a)) {
        const auto& sb = std::get<std::string>(b);
        if (case_insensitive) return CompareFolded(*sa, sb);
        const int c = sa->compare(sb);
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    if (const auto* ia = std::get_if<long long>(&a)) {
        const long long ib = std::get<long long>(b);
        return *ia < ib ? -1 : *ia > ib ? 1 : 0;
    }
    if (const auto* fa = std::get_if<double>(&a)) {
        const double fb = std::get<double>(b);
        return *fa < fb ? -1 : *fa > fb ? 1 : 0;
    }
    const bool ba = std::get<bool>(a), bb = std::get<bool>(b);
    return ba == bb ? 0 : (ba ? 1 : -1);
}

EDatabaseError KeyViolation(const std::string& index) {
    return EDatabaseError("Key violation (index '" + index + "')");
}

}  // namespace

// ---- Order ----------------------------------------------------------------------------

bool Order::Less(const Row* a, const Row* b) const {
    for (const Part& k : key) {
        const int c = CompareValues(a->values[k.field], b->values[k.field], k.case_insensitive);
        if (c != 0) return k.descending ? c > 0 : c < 0;
    }
    return a->ord < b->ord;
}

bool Order::SameKey(const Row* a, const Row* b) const {
    for (const Part& k : key)
        if (CompareValues(a->values[k.field], b->values[k.field], k.case_insensitive) != 0) return false;
    return !key.empty();
}

// ---- Filter ---------------------------------------------------------------------------

void TableView::ChangeFilter(std::string text, bool on, filter::Program program) {
    std::vector<Row*> rows = Build(store_.rows(), program, order_);
    filter_text_ = std::move(text);
    filtered_ = on;
    program_ = std::move(program);
    shown_.assign(std::move(rows));
    GoFirst();
}

// ---- Indexes --------------------------------------------------------------------------

void TableView::AddIndex(IndexDef def) {
    if (def.name.empty()) throw EDatabaseError("An index needs a name");
    if (HasIndex(def.name)) throw EDatabaseError("Duplicate index name '" + def.name + "'");
    indexes_.push_back(std::move(def));
}

bool TableView::HasIndex(std::string_view name) const {
    return std::any_of(indexes_.begin(), indexes_.end(),
                       [&](const IndexDef& d) { return text::equals_ignore_case(d.name, name); });
}

Order TableView::ResolveIndex(std::string_view name, const std::vector<FieldDef>& fields) const {
    Order order;
    order.name = std::string(name);
    if (name.empty()) return order;
    const auto def = std::find_if(indexes_.begin(), indexes_.end(),
                                  [&](const IndexDef& d) { return text::equals_ignore_case(d.name, name); });
    if (def == indexes_.end()) throw EDatabaseError("Index '" + std::string(name) + "' not found");
    const std::vector<std::string> desc = SplitFieldNames(def->desc_fields);
    for (const std::string& f : SplitFieldNames(def->fields)) {
        const auto found = std::find_if(fields.begin(), fields.end(),
                                        [&](const FieldDef& d) { return text::equals_ignore_case(d.name, f); });
        if (found == fields.end()) throw EDatabaseError("Field '" + f + "' not found (index '" + def->name + "')");
        const bool d = def->descending || std::any_of(desc.begin(), desc.end(), [&](const std::string& x) {
                           return text::equals_ignore_case(x, f);
                       });
        order.key.push_back({static_cast<int>(found - fields.begin()), d, def->case_insensitive});
    }
    order.unique = def->unique;
    return order;
}

void TableView::ChangeIndex(Order order) {
    std::vector<Row*> rows = Build(store_.rows(), program_, order);
    const Row* current = Current();
    order_ = std::move(order);
    shown_.assign(std::move(rows));
    GoFirst();
    if (!current) return;
    for (std::size_t i = 0; i < shown_.size(); ++i)
        if (shown_[i] == current) return Settle(i);
}

// ---- Whole view -------------------------------------------------------------------------

std::vector<Row*> TableView::Build(const RowList& rows, const filter::Program& program, const Order& order) {
    std::vector<Row*> v;
    v.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (program.Matches(rows[i]->values)) v.push_back(rows[i].get());
    if (!order.key.empty()) {
        std::sort(v.begin(), v.end(), [&order](const Row* a, const Row* b) { return order.Less(a, b); });
        if (order.unique)
            for (std::size_t i = 1; i < v.size(); ++i)
                if (order.SameKey(v[i - 1], v[i])) throw KeyViolation(order.name);
    }
    return v;
}

void TableView::Show(filter::Program program, Order order, std::vector<Row*> rows) {
    program_ = std::move(program);
    order_ = std::move(order);
    shown_.assign(std::move(rows));
    GoFirst();
}

void TableView::Clear() {
    shown_.clear();
    GoFirst();
}

// ---- Cursor ---------------------------------------------------------------------------

void TableView::GoFirst() {
    pos_ = 0;
    bof_ = true;
    eof_ = shown_.empty();
}

void TableView::GoNext() {
    if (shown_.empty()) {
        eof_ = bof_ = true;
    } else if (pos_ + 1 < shown_.size()) {
        ++pos_;
        eof_ = bof_ = false;
    } else {
        eof_ = true;
        bof_ = false;
    }
}

void TableView::GoPrior() {
    if (shown_.empty()) {
        eof_ = bof_ = true;
    } else if (pos_ > 0) {
        --pos_;
        eof_ = bof_ = false;
    } else {
        bof_ = true;
        eof_ = false;
    }
}

void TableView::GoLast() {
    pos_ = shown_.empty() ? 0 : shown_.size() - 1;
    eof_ = true;
    bof_ = shown_.empty();
}

bool TableView::Locate(const std::vector<SearchField>& fields) {
    for (std::size_t p = 0; p < shown_.size(); ++p) {
        const auto& row = shown_[p]->values;
        const bool all = std::all_of(fields.begin(), fields.end(), [&](const SearchField& k) {
            const Value& v = row[k.field];
            if (IsNull(k.value) || IsNull(v)) return IsNull(k.value) && IsNull(v);
            if (k.value.index() != v.index()) return false;
            return CompareValues(v, k.value, k.fold) == 0;
        });
        if (all) {
            pos_ = p;
            eof_ = bof_ = false;
            return true;
        }
    }
    return false;
}

// Cursor at `p` after the row there went away or moved off.
void TableView::Settle(std::size_t p) {
    if (shown_.empty()) {
        pos_ = 0;
        eof_ = bof_ = true;
    } else if (p >= shown_.size()) {
        pos_ = shown_.size() - 1;
        eof_ = true;
        bof_ = false;
    } else {
        pos_ = p;
        eof_ = bof_ = false;
    }
}

// ---- Row changes ------------------------------------------------------------------------

std::size_t TableView::PlaceOf(const Row* row) const {
    std::size_t lo = 0, hi = shown_.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (order_.Less(shown_[mid], row)) lo = mid + 1; else hi = mid;
    }
    return lo;
}

void TableView::CheckUnique(const Row& candidate, const Row* self) const {
    if (!order_.unique || order_.key.empty()) return;
    const std::size_t at = PlaceOf(&candidate);
    for (std::size_t i : {at, at - 1, at + 1}) {  // an equal key sorts next to the candidate
        if (i >= shown_.size() || shown_[i] == self) continue;
        if (order_.SameKey(shown_[i], &candidate)) throw KeyViolation(order_.name);
    }
}

void TableView::RowChanged() {
    const std::size_t here = pos_;
    Row* row = shown_[here];
    if (!Passes(*row)) {
        shown_.erase(here);
        Settle(here);
        return;
    }
    const bool in_place = (here == 0 || order_.Less(shown_[here - 1], row)) &&
                          (here + 1 >= shown_.size() || order_.Less(row, shown_[here + 1]));
    if (!in_place) {
        shown_.erase(here);
        const std::size_t to = PlaceOf(row);
        shown_.insert(to, row);
        Settle(to);
    } else {
        Settle(here);
    }
}

void TableView::RowAdded(Row* row) {
    if (!Passes(*row)) {
        if (!shown_.empty()) Settle(pos_);
        return;
    }
    const std::size_t to = PlaceOf(row);
    shown_.insert(to, row);
    Settle(to);
}

Row* TableView::TakeCurrent() {
    Row* row = shown_[pos_];
    shown_.erase(pos_);
    Settle(pos_);
    return row;
}

}  // namespace dru::detail
