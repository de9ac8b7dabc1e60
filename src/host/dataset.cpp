#include "host/dataset.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <unordered_map>

#include "host/dataset_filter.h"
#include "host/dataset_packet.h"
#include "host/dataset_value.h"
#include "host/text.h"

namespace dru {

using detail::Row;
using detail::Value;

namespace {

// Room left between the order numbers of appended rows, so that rows inserted
// between two others rarely force a renumbering of the whole table.
constexpr std::uint64_t kOrdGap = std::uint64_t{1} << 20;

const std::string kNotEditing = "Dataset not in edit or insert mode";
const std::string kClosed = "Cannot perform this operation on a closed dataset";

std::string Upper(std::string_view s) { return text::upper_ascii(s); }

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

struct KeyPart {
    int field;
    bool descending;
    bool case_insensitive;
};

std::vector<std::string> SplitNames(std::string_view list) {
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

// Null first, then by value.
int CompareValues(const Value& a, const Value& b, bool case_insensitive) {
    const bool na = detail::IsNull(a), nb = detail::IsNull(b);
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

bool ParseBoolean(std::string_view s, bool& out) {
    const std::string up = Upper(s);
    if (up.empty()) return false;
    if (std::string_view("TRUE").starts_with(up)) return out = true, true;
    if (std::string_view("FALSE").starts_with(up)) return out = false, true;
    return false;
}

long long RoundToInteger(double v, const std::string& field) {
    const double r = std::nearbyint(v);  // the host rounds half to even
    if (!std::isfinite(r) || r < -9.2e18 || r > 9.2e18)
        throw EConvertError("Field '" + field + "': value out of range for an integer");
    return static_cast<long long>(r);
}

}  // namespace

struct TClientDataSet::Impl {
    std::vector<FieldDef> defs;
    std::vector<detail::PacketFieldType> packet_types;
    std::unordered_map<std::string, int> index_of;                     // upper-case name -> field
    std::unordered_map<std::string, std::unique_ptr<TField>> fields;  // kept for the table's life
    std::map<std::string, std::string> display_formats;

    bool active = false;
    DataSetState state = DataSetState::Inactive;
    detail::RowList rows;              // the table's own order (sorted by ord)
    detail::GapVector<Row*> view;      // visible rows in the current order
    std::size_t pos = 0;
    bool eof = true, bof = true;

    std::vector<Value> buffer;  // the row being edited or inserted
    Row* editing = nullptr;
    Row* insert_before = nullptr;  // nullptr: at the end
    bool modified = false;

    std::string filter_text;
    bool filtered = false;
    filter::Program program;

    std::vector<IndexDef> indexes;
    std::string index_name;
    std::vector<KeyPart> key;
    bool unique = false;

    FormatSettings fs = DefaultFormatSettings();
    const Clock* clock = nullptr;

    TDateTime Now() const { return clock ? clock->now() : RealClock().now(); }

    void RequireActive() const {
        if (!active) throw EDatabaseError(kClosed);
    }

    // ---- Fields -----------------------------------------------------------------
    void RebindFields(TClientDataSet* owner) {
        index_of.clear();
        for (auto& [name, field] : fields) field->index_ = -1;
        for (std::size_t i = 0; i < defs.size(); ++i) {
            const std::string up = Upper(defs[i].name);
            index_of[up] = static_cast<int>(i);
            auto& obj = fields[up];
            if (!obj) obj.reset(new TField(owner, static_cast<int>(i), defs[i].name));
            obj->index_ = static_cast<int>(i);
            obj->name_ = defs[i].name;
        }
    }

    int FindField(std::string_view name) const {
        const auto it = index_of.find(Upper(name));
        return it == index_of.end() ? -1 : it->second;
    }

    int RequireField(std::string_view name) const {
        const int i = FindField(name);
        if (i < 0) throw EDatabaseError("Field '" + std::string(name) + "' not found");
        return i;
    }

    // ---- Current row --------------------------------------------------------------
    bool Editing() const { return state == DataSetState::Edit || state == DataSetState::Insert; }

    const Value& Get(int field) const {
        static const Value kNull;
        if (Editing()) return buffer[field];
        if (!active || view.empty()) return kNull;
        return view[pos]->values[field];
    }

    Value& Writable(int field) {
        if (!Editing())
            throw EDatabaseError("Cannot modify field '" + defs[field].name + "': " + kNotEditing);
        modified = true;
        return buffer[field];
    }

    // ---- Order --------------------------------------------------------------------
    bool Less(const Row* a, const Row* b) const {
        for (const KeyPart& k : key) {
            const int c = CompareValues(a->values[k.field], b->values[k.field], k.case_insensitive);
            if (c != 0) return k.descending ? c > 0 : c < 0;
        }
        return a->ord < b->ord;
    }

    bool SameKey(const Row* a, const Row* b) const {
        for (const KeyPart& k : key)
            if (CompareValues(a->values[k.field], b->values[k.field], k.case_insensitive) != 0) return false;
        return !key.empty();
    }

    std::vector<KeyPart> ResolveIndex(std::string_view name, const std::vector<FieldDef>& with, bool& is_unique) const {
        is_unique = false;
        if (name.empty()) return {};
        const auto def = std::find_if(indexes.begin(), indexes.end(),
                                      [&](const IndexDef& d) { return text::equals_ignore_case(d.name, name); });
        if (def == indexes.end()) throw EDatabaseError("Index '" + std::string(name) + "' not found");
        const std::vector<std::string> desc = SplitNames(def->desc_fields);
        std::vector<KeyPart> parts;
        for (const std::string& f : SplitNames(def->fields)) {
            const auto found = std::find_if(with.begin(), with.end(),
                                            [&](const FieldDef& d) { return text::equals_ignore_case(d.name, f); });
            if (found == with.end()) throw EDatabaseError("Field '" + f + "' not found (index '" + def->name + "')");
            const bool d = def->descending || std::any_of(desc.begin(), desc.end(), [&](const std::string& x) {
                               return text::equals_ignore_case(x, f);
                           });
            parts.push_back({static_cast<int>(found - with.begin()), d, def->case_insensitive});
        }
        is_unique = def->unique;
        return parts;
    }

    bool Passes(const Row& r) const { return !filtered || program.Matches(r.values); }

    // The visible rows in order; raises on a unique key found twice.
    std::vector<Row*> BuildView() const {
        std::vector<Row*> v;
        v.reserve(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (Passes(*rows[i])) v.push_back(rows[i].get());
        if (!key.empty()) {
            std::sort(v.begin(), v.end(), [this](const Row* a, const Row* b) { return Less(a, b); });
            if (unique)
                for (std::size_t i = 1; i < v.size(); ++i)
                    if (SameKey(v[i - 1], v[i])) throw EDatabaseError("Key violation (index '" + index_name + "')");
        }
        return v;
    }

    void GoFirst() {
        pos = 0;
        bof = true;
        eof = view.empty();
    }

    // Cursor at `p` after the row there went away or moved off.
    void Settle(std::size_t p) {
        if (view.empty()) {
            pos = 0;
            eof = bof = true;
        } else if (p >= view.size()) {
            pos = view.size() - 1;
            eof = true;
            bof = false;
        } else {
            pos = p;
            eof = bof = false;
        }
    }

    std::size_t RowIndex(const Row* r) const {
        std::size_t lo = 0, hi = rows.size();
        while (lo < hi) {
            const std::size_t mid = lo + (hi - lo) / 2;
            if (rows[mid]->ord < r->ord) lo = mid + 1; else hi = mid;
        }
        return lo;
    }

    void Renumber() {
        std::uint64_t ord = 0;
        for (std::size_t i = 0; i < rows.size(); ++i) rows[i]->ord = ord += kOrdGap;
    }

    // Order number and table position for a new row placed before `next`
    // (nullptr: at the end).
    std::size_t PlaceNewRow(Row& row, const Row* next) {
        if (!next) {
            row.ord = rows.empty() ? kOrdGap : rows.back()->ord + kOrdGap;
            return rows.size();
        }
        std::size_t at = RowIndex(next);
        std::uint64_t prev = at > 0 ? rows[at - 1]->ord : 0;
        if (next->ord - prev < 2) {
            Renumber();
            at = RowIndex(next);
            prev = at > 0 ? rows[at - 1]->ord : 0;
        }
        row.ord = prev + (next->ord - prev) / 2;
        return at;
    }

    std::size_t ViewPlace(const Row* r) const {
        std::size_t lo = 0, hi = view.size();
        while (lo < hi) {
            const std::size_t mid = lo + (hi - lo) / 2;
            if (Less(view[mid], r)) lo = mid + 1; else hi = mid;
        }
        return lo;
    }

    void CheckUnique(const Row& candidate, const Row* self) const {
        if (!unique || key.empty()) return;
        const std::size_t at = ViewPlace(&candidate);
        for (std::size_t i : {at, at - 1, at + 1}) {  // an equal key sorts next to the candidate
            if (i >= view.size() || view[i] == self) continue;
            if (SameKey(view[i], &candidate)) throw EDatabaseError("Key violation (index '" + index_name + "')");
        }
    }

    // ---- Editing ------------------------------------------------------------------
    void DropEdit() {
        if (!Editing()) return;
        state = DataSetState::Browse;
        buffer.clear();
        editing = nullptr;
        insert_before = nullptr;
        modified = false;
    }

    void PostEdit() {
        Row probe{buffer, editing->ord};
        CheckUnique(probe, editing);
        editing->values = std::move(buffer);
        Row* row = editing;
        DropEdit();
        const std::size_t here = pos;
        if (!Passes(*row)) {
            view.erase(here);
            Settle(here);
            return;
        }
        const bool in_place = (here == 0 || Less(view[here - 1], row)) &&
                              (here + 1 >= view.size() || Less(row, view[here + 1]));
        if (!in_place) {
            view.erase(here);
            const std::size_t to = ViewPlace(row);
            view.insert(to, row);
            Settle(to);
        } else {
            Settle(here);
        }
    }

    void PostInsert() {
        auto row = std::make_unique<Row>();
        row->values = buffer;
        const std::size_t at = PlaceNewRow(*row, insert_before);
        CheckUnique(*row, nullptr);
        Row* raw = row.get();
        rows.insert(at, std::move(row));
        DropEdit();
        if (!Passes(*raw)) {
            if (!view.empty()) Settle(pos);
            return;
        }
        const std::size_t to = ViewPlace(raw);
        view.insert(to, raw);
        Settle(to);
    }

    void Post() {
        if (state == DataSetState::Edit) {
            PostEdit();
        } else if (state == DataSetState::Insert) {
            PostInsert();
        } else {
            throw EDatabaseError(kNotEditing);
        }
    }

    // Leaving the row: a changed row is posted, an untouched one dropped.
    void CheckBrowse() {
        if (!Editing()) return;
        if (modified) {
            Post();
        } else {
            DropEdit();
        }
    }

    void StartInsert(bool at_end) {
        RequireActive();
        CheckBrowse();
        buffer.assign(defs.size(), Value{});
        insert_before = at_end || view.empty() ? nullptr : view[pos];
        editing = nullptr;
        modified = false;
        state = DataSetState::Insert;
    }

    // ---- Whole content ------------------------------------------------------------
    // New fields and rows; this table's filter and index are applied to them
    // first, so a content they do not fit is refused with the table unchanged.
    void Replace(TClientDataSet* owner, std::vector<FieldDef> new_defs, std::vector<detail::PacketFieldType> types,
                 std::vector<std::unique_ptr<Row>> new_rows) {
        filter::Program new_program;
        if (filtered) new_program = filter::Program::Compile(filter_text, new_defs, fs, Now());
        bool new_unique = false;
        std::vector<KeyPart> new_key = ResolveIndex(index_name, new_defs, new_unique);

        detail::RowList new_list;
        new_list.assign(std::move(new_rows));
        std::swap(program, new_program);
        std::swap(key, new_key);
        std::swap(unique, new_unique);
        std::swap(rows, new_list);
        std::vector<Row*> new_view;
        try {
            new_view = BuildView();
        } catch (...) {
            std::swap(program, new_program);
            std::swap(key, new_key);
            std::swap(unique, new_unique);
            std::swap(rows, new_list);
            throw;
        }
        DropEdit();
        defs = std::move(new_defs);
        packet_types = std::move(types);
        packet_types.resize(defs.size());
        RebindFields(owner);
        view.assign(std::move(new_view));
        active = true;
        state = DataSetState::Browse;
        GoFirst();
    }

    void Rebuild(bool keep_current) {
        if (!active) return;
        const Row* current = view.empty() ? nullptr : view[pos];
        view.assign(BuildView());
        GoFirst();
        if (!keep_current || !current) return;
        for (std::size_t i = 0; i < view.size(); ++i)
            if (view[i] == current) return Settle(i);
    }

    // ---- Conversions --------------------------------------------------------------
    Value FromText(int field, std::string_view raw) const {
        const FieldDef& d = defs[field];
        std::string s = text::from_host(raw);
        if (s.empty()) return {};
        try {
            switch (d.type) {
                case FieldType::String:
                    if (d.size > 0 && text::length(s) > static_cast<std::size_t>(d.size))
                        s = text::substr(s, 0, static_cast<std::size_t>(d.size));
                    return s;
                case FieldType::Integer: return StrToInt(s);
                case FieldType::Float: return StrToFloat(s, fs);
                case FieldType::DateTime: return StrToDateTime(s, fs, Now());
                case FieldType::Boolean: {
                    bool b = false;
                    if (!ParseBoolean(s, b)) throw EConvertError("'" + s + "' is not a valid boolean value");
                    return b;
                }
            }
        } catch (const EConvertError& e) {
            throw EConvertError("Field '" + d.name + "': " + e.what());
        }
        return {};
    }

    std::string ToText(int field, const Value& v) const {
        if (detail::IsNull(v)) return {};
        switch (defs[field].type) {
            case FieldType::String: return std::get<std::string>(v);
            case FieldType::Integer: return std::to_string(std::get<long long>(v));
            case FieldType::Float: return FloatToStr(std::get<double>(v), fs);
            case FieldType::DateTime: return DateTimeToStr(std::get<double>(v), fs);
            case FieldType::Boolean: return std::get<bool>(v) ? "True" : "False";
        }
        return {};
    }

    double ToNumber(int field, const Value& v) const {
        if (detail::IsNull(v)) return 0;
        if (const auto* s = std::get_if<std::string>(&v)) {
            try {
                return StrToFloat(*s, fs);
            } catch (const EConvertError& e) {
                throw EConvertError("Field '" + defs[field].name + "': " + e.what());
            }
        }
        if (const auto* i = std::get_if<long long>(&v)) return static_cast<double>(*i);
        if (const auto* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
        return std::get<double>(v);
    }

    // Locate's key value for one field; the empty text looks for null.
    Value LocateKey(int field, const std::string& raw) const {
        if (defs[field].type != FieldType::String) return FromText(field, raw);
        std::string s = text::from_host(raw);  // not cut to the size: a longer key matches nothing
        if (s.empty()) return {};
        return s;
    }
};

// ---- TField ---------------------------------------------------------------------

const std::string& TField::FieldName() const { return name_; }

#define DRU_FIELD_IMPL()                                                                  \
    auto& impl = *ds_->impl_;                                                             \
    if (index_ < 0) throw EDatabaseError("Field '" + name_ + "' not found");             \
    const FieldDef& def = impl.defs[index_];                                              \
    (void)def

FieldType TField::DataType() const {
    DRU_FIELD_IMPL();
    return def.type;
}

int TField::Size() const {
    DRU_FIELD_IMPL();
    return def.size;
}

bool TField::IsNull() const {
    DRU_FIELD_IMPL();
    return detail::IsNull(impl.Get(index_));
}

std::string TField::AsString() const {
    DRU_FIELD_IMPL();
    return impl.ToText(index_, impl.Get(index_));
}

double TField::AsFloat() const {
    DRU_FIELD_IMPL();
    return impl.ToNumber(index_, impl.Get(index_));
}

long long TField::AsInteger() const {
    DRU_FIELD_IMPL();
    const Value& v = impl.Get(index_);
    if (const auto* i = std::get_if<long long>(&v)) return *i;
    if (const auto* s = std::get_if<std::string>(&v)) {
        try {
            return StrToInt(*s);
        } catch (const EConvertError& e) {
            throw EConvertError("Field '" + def.name + "': " + e.what());
        }
    }
    return RoundToInteger(impl.ToNumber(index_, v), def.name);
}

TDateTime TField::AsDateTime() const {
    DRU_FIELD_IMPL();
    const Value& v = impl.Get(index_);
    if (const auto* s = std::get_if<std::string>(&v)) {
        try {
            return StrToDateTime(*s, impl.fs, impl.Now());
        } catch (const EConvertError& e) {
            throw EConvertError("Field '" + def.name + "': " + e.what());
        }
    }
    if (std::holds_alternative<bool>(v)) throw EConvertError("Field '" + def.name + "' cannot be read as a date-time");
    return impl.ToNumber(index_, v);
}

bool TField::AsBoolean() const {
    DRU_FIELD_IMPL();
    const Value& v = impl.Get(index_);
    if (const auto* s = std::get_if<std::string>(&v)) {
        bool b = false;
        if (!ParseBoolean(*s, b)) throw EConvertError("Field '" + def.name + "': '" + *s + "' is not a valid boolean value");
        return b;
    }
    return impl.ToNumber(index_, v) != 0;
}

void TField::SetAsString(std::string_view v) {
    DRU_FIELD_IMPL();
    Value converted = impl.FromText(index_, v);
    impl.Writable(index_) = std::move(converted);
}

void TField::SetAsFloat(double v) {
    DRU_FIELD_IMPL();
    Value converted;
    switch (def.type) {
        case FieldType::String: converted = impl.FromText(index_, FloatToStr(v, impl.fs)); break;
        case FieldType::Integer: converted = RoundToInteger(v, def.name); break;
        case FieldType::Float:
        case FieldType::DateTime: converted = v; break;
        case FieldType::Boolean: converted = v != 0; break;
    }
    impl.Writable(index_) = std::move(converted);
}

void TField::SetAsInteger(long long v) {
    DRU_FIELD_IMPL();
    Value converted;
    switch (def.type) {
        case FieldType::String: converted = impl.FromText(index_, std::to_string(v)); break;
        case FieldType::Integer: converted = v; break;
        case FieldType::Float:
        case FieldType::DateTime: converted = static_cast<double>(v); break;
        case FieldType::Boolean: converted = v != 0; break;
    }
    impl.Writable(index_) = std::move(converted);
}

void TField::SetAsDateTime(TDateTime v) {
    DRU_FIELD_IMPL();
    Value converted;
    switch (def.type) {
        case FieldType::String: converted = impl.FromText(index_, DateTimeToStr(v, impl.fs)); break;
        case FieldType::Integer: converted = RoundToInteger(std::floor(v), def.name); break;
        case FieldType::Float:
        case FieldType::DateTime: converted = v; break;
        case FieldType::Boolean: throw EConvertError("Field '" + def.name + "' cannot hold a date-time");
    }
    impl.Writable(index_) = std::move(converted);
}

void TField::SetAsBoolean(bool v) {
    DRU_FIELD_IMPL();
    Value converted;
    switch (def.type) {
        case FieldType::String: converted = impl.FromText(index_, v ? "True" : "False"); break;
        case FieldType::Integer: converted = static_cast<long long>(v ? 1 : 0); break;
        case FieldType::Float: converted = v ? 1.0 : 0.0; break;
        case FieldType::DateTime: throw EConvertError("Field '" + def.name + "' cannot hold a boolean");
        case FieldType::Boolean: converted = v; break;
    }
    impl.Writable(index_) = std::move(converted);
}

void TField::Clear() {
    DRU_FIELD_IMPL();
    impl.Writable(index_) = Value{};
}

#undef DRU_FIELD_IMPL

// ---- TClientDataSet: structure ----------------------------------------------------

TClientDataSet::TClientDataSet() : impl_(std::make_unique<Impl>()) {}
TClientDataSet::~TClientDataSet() = default;

void TClientDataSet::AddFieldDef(std::string name, FieldType type, int size) {
    if (impl_->active) throw EDatabaseError("Cannot add field '" + name + "' to an open table");
    if (name.empty()) throw EDatabaseError("A field needs a name");
    if (size < 0) throw EDatabaseError("Field '" + name + "': invalid size " + std::to_string(size));
    if (type < FieldType::String || type > FieldType::Boolean)
        throw EDatabaseError("Field '" + name + "': unknown field type " + std::to_string(static_cast<int>(type)));
    if (impl_->FindField(name) >= 0) throw EDatabaseError("Duplicate field name '" + name + "'");
    impl_->defs.push_back({std::move(name), type, size});
    impl_->packet_types.emplace_back();
    impl_->RebindFields(this);
}

const std::vector<FieldDef>& TClientDataSet::FieldDefs() const { return impl_->defs; }

void TClientDataSet::CreateDataSet() {
    if (impl_->defs.empty()) throw EDatabaseError("Cannot create a table without fields");
    impl_->Replace(this, impl_->defs, impl_->packet_types, {});
}

bool TClientDataSet::Active() const { return impl_->active; }

void TClientDataSet::Close() {
    impl_->DropEdit();
    impl_->active = false;
    impl_->state = DataSetState::Inactive;
    impl_->rows.clear();
    impl_->view.clear();
    impl_->GoFirst();
}

void TClientDataSet::EmptyDataSet() {
    impl_->RequireActive();
    impl_->DropEdit();
    impl_->rows.clear();
    impl_->view.clear();
    impl_->GoFirst();
}

bool TClientDataSet::HasField(std::string_view name) const { return impl_->FindField(name) >= 0; }

TField& TClientDataSet::FieldByName(std::string_view name) {
    const int i = impl_->RequireField(name);
    return *impl_->fields.at(Upper(impl_->defs[i].name));
}

const TField& TClientDataSet::FieldByName(std::string_view name) const {
    return const_cast<TClientDataSet*>(this)->FieldByName(name);
}

void TClientDataSet::SetDisplayFormat(std::string_view field, std::string format) {
    impl_->display_formats[Upper(field)] = std::move(format);
}

std::string TClientDataSet::DisplayFormat(std::string_view field) const {
    const auto it = impl_->display_formats.find(Upper(field));
    return it == impl_->display_formats.end() ? std::string() : it->second;
}

void TClientDataSet::SetFormatSettings(const FormatSettings& fs) { impl_->fs = fs; }
const FormatSettings& TClientDataSet::GetFormatSettings() const { return impl_->fs; }
void TClientDataSet::SetClock(const Clock* clock) { impl_->clock = clock; }

// ---- Indexes --------------------------------------------------------------------------

void TClientDataSet::AddIndex(IndexDef def) {
    if (def.name.empty()) throw EDatabaseError("An index needs a name");
    for (const IndexDef& d : impl_->indexes)
        if (text::equals_ignore_case(d.name, def.name)) throw EDatabaseError("Duplicate index name '" + def.name + "'");
    impl_->indexes.push_back(std::move(def));
}

void TClientDataSet::SetIndexName(std::string_view name) {
    Impl& m = *impl_;
    if (!m.active) {  // the fields may come later with the data; looked up then
        const bool known = name.empty() || std::any_of(m.indexes.begin(), m.indexes.end(), [&](const IndexDef& d) {
                               return text::equals_ignore_case(d.name, name);
                           });
        if (!known) throw EDatabaseError("Index '" + std::string(name) + "' not found");
        m.index_name = std::string(name);
        return;
    }
    bool new_unique = false;
    std::vector<KeyPart> new_key = m.ResolveIndex(name, m.defs, new_unique);
    m.CheckBrowse();
    std::string new_name(name);
    std::swap(m.key, new_key);
    std::swap(m.unique, new_unique);
    std::swap(m.index_name, new_name);
    try {
        m.Rebuild(true);
    } catch (...) {
        std::swap(m.key, new_key);
        std::swap(m.unique, new_unique);
        std::swap(m.index_name, new_name);
        throw;
    }
}

const std::string& TClientDataSet::IndexName() const { return impl_->index_name; }

// ---- Cursor ---------------------------------------------------------------------------

void TClientDataSet::First() {
    impl_->RequireActive();
    impl_->CheckBrowse();
    impl_->GoFirst();
}

void TClientDataSet::Next() {
    Impl& m = *impl_;
    m.RequireActive();
    m.CheckBrowse();
    if (m.view.empty()) {
        m.eof = m.bof = true;
    } else if (m.pos + 1 < m.view.size()) {
        ++m.pos;
        m.eof = m.bof = false;
    } else {
        m.eof = true;
        m.bof = false;
    }
}

void TClientDataSet::Prior() {
    Impl& m = *impl_;
    m.RequireActive();
    m.CheckBrowse();
    if (m.view.empty()) {
        m.eof = m.bof = true;
    } else if (m.pos > 0) {
        --m.pos;
        m.eof = m.bof = false;
    } else {
        m.bof = true;
        m.eof = false;
    }
}

void TClientDataSet::Last() {
    Impl& m = *impl_;
    m.RequireActive();
    m.CheckBrowse();
    m.pos = m.view.empty() ? 0 : m.view.size() - 1;
    m.eof = true;
    m.bof = m.view.empty();
}

bool TClientDataSet::Eof() const { return !impl_->active || (!impl_->Editing() && impl_->eof); }
bool TClientDataSet::Bof() const { return !impl_->active || (!impl_->Editing() && impl_->bof); }

bool TClientDataSet::IsEmpty() const {
    return !impl_->active || (impl_->view.empty() && impl_->state != DataSetState::Insert);
}

int TClientDataSet::RecNo() const {
    const Impl& m = *impl_;
    if (!m.active) return 0;
    if (m.state == DataSetState::Insert)
        return static_cast<int>(m.insert_before ? m.pos + 1 : m.view.size() + 1);
    return m.view.empty() ? 0 : static_cast<int>(m.pos + 1);
}

int TClientDataSet::RecordCount() const { return impl_->active ? static_cast<int>(impl_->view.size()) : 0; }

DataSetState TClientDataSet::State() const { return impl_->state; }

// ---- Editing --------------------------------------------------------------------------

void TClientDataSet::Insert() { impl_->StartInsert(false); }
void TClientDataSet::Append() { impl_->StartInsert(true); }

void TClientDataSet::Edit() {
    Impl& m = *impl_;
    m.RequireActive();
    if (m.Editing()) return;
    if (m.view.empty()) {
        m.StartInsert(false);
        return;
    }
    m.editing = m.view[m.pos];
    m.buffer = m.editing->values;
    m.modified = false;
    m.state = DataSetState::Edit;
}

void TClientDataSet::Post() { impl_->Post(); }
void TClientDataSet::Cancel() { impl_->DropEdit(); }

void TClientDataSet::Delete() {
    Impl& m = *impl_;
    m.RequireActive();
    if (m.state == DataSetState::Insert) {  // the new row was never stored
        m.DropEdit();
        return;
    }
    m.DropEdit();
    if (m.view.empty()) throw EDatabaseError("Cannot perform this operation on an empty dataset");
    Row* row = m.view[m.pos];
    m.view.erase(m.pos);
    m.rows.erase(m.RowIndex(row));
    m.Settle(m.pos);
}

// ---- Filter ---------------------------------------------------------------------------

void TClientDataSet::SetFilter(std::string_view expression) {
    Impl& m = *impl_;
    if (!m.filtered) {
        m.filter_text = std::string(expression);
        return;
    }
    filter::Program compiled = filter::Program::Compile(expression, m.defs, m.fs, m.Now());
    m.CheckBrowse();
    m.filter_text = std::string(expression);
    m.program = std::move(compiled);
    m.Rebuild(false);
}

const std::string& TClientDataSet::Filter() const { return impl_->filter_text; }

void TClientDataSet::SetFiltered(bool on) {
    Impl& m = *impl_;
    if (on == m.filtered) return;
    filter::Program compiled;
    if (on) compiled = filter::Program::Compile(m.filter_text, m.defs, m.fs, m.Now());
    m.CheckBrowse();
    m.filtered = on;
    m.program = std::move(compiled);
    m.Rebuild(false);
}

bool TClientDataSet::Filtered() const { return impl_->filtered; }

// ---- Search ---------------------------------------------------------------------------

bool TClientDataSet::Locate(std::string_view keyFields, const std::vector<std::string>& values, bool caseInsensitive) {
    Impl& m = *impl_;
    m.RequireActive();
    const std::vector<std::string> names = SplitNames(keyFields);
    if (names.empty()) throw EDatabaseError("Locate needs at least one field");
    if (names.size() != values.size())
        throw EDatabaseError("Locate on " + std::to_string(names.size()) + " field(s) with " +
                             std::to_string(values.size()) + " value(s)");
    struct Key {
        int field;
        Value value;
        bool fold;
    };
    std::vector<Key> keys;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const int f = m.RequireField(names[i]);
        const bool fold = caseInsensitive && m.defs[f].type == FieldType::String;
        keys.push_back({f, m.LocateKey(f, values[i]), fold});
    }
    m.CheckBrowse();
    for (std::size_t p = 0; p < m.view.size(); ++p) {
        const auto& row = m.view[p]->values;
        const bool all = std::all_of(keys.begin(), keys.end(), [&](const Key& k) {
            const Value& v = row[k.field];
            if (detail::IsNull(k.value) || detail::IsNull(v)) return detail::IsNull(k.value) && detail::IsNull(v);
            if (k.value.index() != v.index()) return false;
            return CompareValues(v, k.value, k.fold) == 0;
        });
        if (all) {
            m.pos = p;
            m.eof = m.bof = false;
            return true;
        }
    }
    return false;
}

// ---- Whole content --------------------------------------------------------------------

void TClientDataSet::CopyFrom(const TClientDataSet& other) {
    if (&other == this) return;
    const Impl& src = *other.impl_;
    if (!src.active) throw EDatabaseError(kClosed);
    std::vector<std::unique_ptr<Row>> rows;
    rows.reserve(src.rows.size());
    for (std::size_t i = 0; i < src.rows.size(); ++i) rows.push_back(std::make_unique<Row>(*src.rows[i]));
    impl_->Replace(this, src.defs, src.packet_types, std::move(rows));
}

std::string TClientDataSet::GetDataPacket() const {
    impl_->RequireActive();
    return packet::Write(impl_->defs, impl_->packet_types, impl_->rows);
}

void TClientDataSet::SetDataPacket(std::string_view data) {
    detail::TableContent content = packet::Read(data);
    std::vector<std::unique_ptr<Row>> rows;
    rows.reserve(content.rows.size());
    std::uint64_t ord = 0;
    for (auto& values : content.rows) {
        auto row = std::make_unique<Row>();
        row->values = std::move(values);
        row->ord = ord += kOrdGap;
        rows.push_back(std::move(row));
    }
    impl_->Replace(this, std::move(content.defs), std::move(content.packet_types), std::move(rows));
}

void TClientDataSet::LoadFromFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EInOutError("Cannot open file \"" + path + "\": " + std::strerror(errno));
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw EInOutError("Cannot read file \"" + path + "\": " + std::strerror(errno));
    try {
        SetDataPacket(data);
    } catch (const EDatabaseError& e) {
        throw EDatabaseError("File \"" + path + "\": " + e.what());
    }
}

void TClientDataSet::SaveToFile(const std::string& path) const {
    const std::string data = GetDataPacket();
    // Written beside the target and renamed over it, so a failed write never
    // leaves half a table where the old file was.
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) throw EInOutError("Cannot create file \"" + path + "\": " + std::strerror(errno));
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        out.flush();
        if (!out) {
            const int err = errno;
            std::remove(temp.c_str());
            throw EInOutError("Cannot write file \"" + path + "\": " + std::strerror(err));
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        std::remove(temp.c_str());
        throw EInOutError("Cannot create file \"" + path + "\": " + std::strerror(err));
    }
}

}  // namespace dru
