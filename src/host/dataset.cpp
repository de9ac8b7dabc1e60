// The table's facade: the field objects, the table's state and the edit in
// progress. The rows live in the row store (dataset_store), what is shown of
// them in the view (dataset_view), and conversions go through the field codec
// (dataset_codec).
#include "host/dataset.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <unordered_map>

#include "host/dataset_codec.h"
#include "host/dataset_filter.h"
#include "host/dataset_packet.h"
#include "host/dataset_store.h"
#include "host/dataset_value.h"
#include "host/dataset_view.h"
#include "host/file_system.h"
#include "host/text.h"

namespace dru {

using detail::Row;
using detail::Value;

namespace {

const std::string kNotEditing = "Dataset not in edit or insert mode";
const std::string kClosed = "Cannot perform this operation on a closed dataset";

std::string Upper(std::string_view s) { return text::upper_ascii(s); }

}  // namespace

struct TClientDataSet::Impl {
    detail::RowStore store;
    detail::TableView view{store};
    detail::FieldCodec codec;
    std::unordered_map<std::string, std::unique_ptr<TField>> fields;  // upper-case name; kept for the table's life
    std::map<std::string, std::string> display_formats;
    std::string name;  // what the table's errors are prefixed with; empty: nothing

    bool active = false;
    DataSetState state = DataSetState::Inactive;

    // The edit in progress.
    std::vector<Value> buffer;     // the row being edited or inserted
    Row* editing = nullptr;        // the stored row being edited
    Row* insert_before = nullptr;  // nullptr: at the end
    bool modified = false;

    void RequireActive() const {
        if (!active) throw EDatabaseError(kClosed);
    }

    // Field objects handed out stay valid: after a change of definitions they
    // point at their field's new position, or at none.
    void RebindFields(TClientDataSet* owner) {
        for (auto& [name, field] : fields) field->index_ = -1;
        const std::vector<FieldDef>& defs = store.defs();
        for (std::size_t i = 0; i < defs.size(); ++i) {
            auto& obj = fields[Upper(defs[i].name)];
            if (!obj) obj.reset(new TField(owner, static_cast<int>(i), defs[i].name));
            obj->index_ = static_cast<int>(i);
            obj->name_ = defs[i].name;
        }
    }

    // ---- Current row --------------------------------------------------------------
    bool Editing() const { return state == DataSetState::Edit || state == DataSetState::Insert; }

    const Value& Get(int field) const {
        static const Value kNull;
        if (Editing()) return buffer[field];
        if (!active || view.Empty()) return kNull;
        return view.Current()->values[field];
    }

    Value& Writable(int field) {
        if (!Editing())
            throw EDatabaseError("Cannot modify field '" + store.defs()[field].name + "': " + kNotEditing);
        modified = true;
        return buffer[field];
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
        const Row probe{buffer, editing->ord};
        view.CheckUnique(probe, editing);
        editing->values = std::move(buffer);
        DropEdit();
        view.RowChanged();
    }

    void PostInsert() {
        auto row = std::make_unique<Row>();
        row->values = buffer;
        const std::size_t at = store.Place(*row, insert_before);
        view.CheckUnique(*row, nullptr);
        Row* stored = store.InsertAt(at, std::move(row));
        DropEdit();
        view.RowAdded(stored);
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
        buffer.assign(store.defs().size(), Value{});
        insert_before = at_end ? nullptr : view.Current();
        editing = nullptr;
        modified = false;
        state = DataSetState::Insert;
    }

    // ---- Whole content ------------------------------------------------------------
    // New fields and rows; this table's filter and index are applied to them
    // first, so a content they do not fit is refused with the table unchanged.
    void Replace(TClientDataSet* owner, std::vector<FieldDef> defs, std::vector<detail::PacketFieldType> types,
                 detail::RowList rows) {
        filter::Program program;
        if (view.Filtered()) program = filter::Program::Compile(view.FilterText(), defs, codec);
        detail::Order order = view.ResolveIndex(view.IndexName(), defs);
        std::vector<Row*> shown = detail::TableView::Build(rows, program, order);
        DropEdit();
        store.Assign(std::move(defs), std::move(types), std::move(rows));
        RebindFields(owner);
        view.Show(std::move(program), std::move(order), std::move(shown));
        active = true;
        state = DataSetState::Browse;
    }
};

// ---- TField ---------------------------------------------------------------------

const std::string& TField::FieldName() const { return name_; }

#define DRU_FIELD_IMPL()                                                                  \
    auto& impl = *ds_->impl_;                                                             \
    if (index_ < 0) throw EDatabaseError("Field '" + name_ + "' not found");             \
    const FieldDef& def = impl.store.defs()[index_];                                      \
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
    return impl.codec.ToText(def, impl.Get(index_));
}

double TField::AsFloat() const {
    DRU_FIELD_IMPL();
    return impl.codec.ToFloat(def, impl.Get(index_));
}

long long TField::AsInteger() const {
    DRU_FIELD_IMPL();
    return impl.codec.ToInteger(def, impl.Get(index_));
}

TDateTime TField::AsDateTime() const {
    DRU_FIELD_IMPL();
    return impl.codec.ToDateTime(def, impl.Get(index_));
}

bool TField::AsBoolean() const {
    DRU_FIELD_IMPL();
    return impl.codec.ToBoolean(def, impl.Get(index_));
}

// Each setter converts first: a value that does not convert is refused
// before the state is checked.
void TField::SetAsString(std::string_view v) {
    DRU_FIELD_IMPL();
    Value converted = impl.codec.FromText(def, v);
    impl.Writable(index_) = std::move(converted);
}

void TField::SetAsFloat(double v) {
    DRU_FIELD_IMPL();
    Value converted = impl.codec.FromFloat(def, v);
    impl.Writable(index_) = std::move(converted);
}

void TField::SetAsInteger(long long v) {
    DRU_FIELD_IMPL();
    Value converted = impl.codec.FromInteger(def, v);
    impl.Writable(index_) = std::move(converted);
}

void TField::SetAsDateTime(TDateTime v) {
    DRU_FIELD_IMPL();
    Value converted = impl.codec.FromDateTime(def, v);
    impl.Writable(index_) = std::move(converted);
}

void TField::SetAsBoolean(bool v) {
    DRU_FIELD_IMPL();
    Value converted = impl.codec.FromBoolean(def, v);
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
    if (impl_->store.Find(name) >= 0) throw EDatabaseError("Duplicate field name '" + name + "'");
    impl_->store.AddDef({std::move(name), type, size});
    impl_->RebindFields(this);
}

const std::vector<FieldDef>& TClientDataSet::FieldDefs() const { return impl_->store.defs(); }

void TClientDataSet::CreateDataSet() {
    const detail::RowStore& store = impl_->store;
    if (store.defs().empty()) throw EDatabaseError("Cannot create a table without fields");
    impl_->Replace(this, store.defs(), store.packet_types(), {});
}

bool TClientDataSet::Active() const { return impl_->active; }

void TClientDataSet::Close() {
    impl_->DropEdit();
    impl_->active = false;
    impl_->state = DataSetState::Inactive;
    impl_->view.Clear();
    impl_->store.Clear();
}

void TClientDataSet::EmptyDataSet() {
    impl_->RequireActive();
    impl_->DropEdit();
    impl_->view.Clear();
    impl_->store.Clear();
}

bool TClientDataSet::HasField(std::string_view name) const { return impl_->store.Find(name) >= 0; }

void TClientDataSet::SetName(std::string name) { impl_->name = std::move(name); }

const std::string& TClientDataSet::Name() const { return impl_->name; }

TField& TClientDataSet::FieldByName(std::string_view name) {
    if (!impl_->name.empty() && !HasField(name))
        throw EDatabaseError(impl_->name + ": Field '" + std::string(name) + "' not found");
    const int i = impl_->store.Require(name);
    return *impl_->fields.at(Upper(impl_->store.defs()[i].name));
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

// ---- Regional settings and clock ----------------------------------------------------

void TClientDataSet::Bind(const FormatSettings& fs, const Clock& clock) { impl_->codec.Bind(fs, clock); }
void TClientDataSet::SetFormatSettings(const FormatSettings& fs) { impl_->codec.UseCopy(fs); }
const FormatSettings& TClientDataSet::GetFormatSettings() const { return impl_->codec.settings(); }
void TClientDataSet::SetClock(const Clock* clock) { impl_->codec.SetClock(clock); }

// ---- Indexes --------------------------------------------------------------------------

void TClientDataSet::AddIndex(IndexDef def) { impl_->view.AddIndex(std::move(def)); }

void TClientDataSet::SetIndexName(std::string_view name) {
    Impl& m = *impl_;
    if (!m.active) {  // the fields may come later with the data; looked up then
        if (!name.empty() && !m.view.HasIndex(name)) throw EDatabaseError("Index '" + std::string(name) + "' not found");
        m.view.KeepIndexName(std::string(name));
        return;
    }
    detail::Order order = m.view.ResolveIndex(name, m.store.defs());
    m.CheckBrowse();
    m.view.ChangeIndex(std::move(order));
}

const std::string& TClientDataSet::IndexName() const { return impl_->view.IndexName(); }

// ---- Cursor ---------------------------------------------------------------------------

void TClientDataSet::First() {
    impl_->RequireActive();
    impl_->CheckBrowse();
    impl_->view.GoFirst();
}

void TClientDataSet::Next() {
    impl_->RequireActive();
    impl_->CheckBrowse();
    impl_->view.GoNext();
}

void TClientDataSet::Prior() {
    impl_->RequireActive();
    impl_->CheckBrowse();
    impl_->view.GoPrior();
}

void TClientDataSet::Last() {
    impl_->RequireActive();
    impl_->CheckBrowse();
    impl_->view.GoLast();
}

bool TClientDataSet::Eof() const { return !impl_->active || (!impl_->Editing() && impl_->view.AtEof()); }
bool TClientDataSet::Bof() const { return !impl_->active || (!impl_->Editing() && impl_->view.AtBof()); }

bool TClientDataSet::IsEmpty() const {
    return !impl_->active || (impl_->view.Empty() && impl_->state != DataSetState::Insert);
}

int TClientDataSet::RecNo() const {
    const Impl& m = *impl_;
    if (!m.active) return 0;
    if (m.state == DataSetState::Insert)
        return static_cast<int>(m.insert_before ? m.view.Pos() + 1 : m.view.Count() + 1);
    return m.view.Empty() ? 0 : static_cast<int>(m.view.Pos() + 1);
}

int TClientDataSet::RecordCount() const { return impl_->active ? static_cast<int>(impl_->view.Count()) : 0; }

DataSetState TClientDataSet::State() const { return impl_->state; }

// ---- Editing --------------------------------------------------------------------------

void TClientDataSet::Insert() { impl_->StartInsert(false); }
void TClientDataSet::Append() { impl_->StartInsert(true); }

void TClientDataSet::Edit() {
    Impl& m = *impl_;
    m.RequireActive();
    if (m.Editing()) return;
    if (m.view.Empty()) {
        m.StartInsert(false);
        return;
    }
    m.editing = m.view.Current();
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
    if (m.view.Empty()) throw EDatabaseError("Cannot perform this operation on an empty dataset");
    m.store.Erase(m.view.TakeCurrent());
}

// ---- Filter ---------------------------------------------------------------------------

void TClientDataSet::SetFilter(std::string_view expression) {
    Impl& m = *impl_;
    if (!m.view.Filtered()) {
        m.view.KeepFilterText(std::string(expression));
        return;
    }
    filter::Program compiled = filter::Program::Compile(expression, m.store.defs(), m.codec);
    m.CheckBrowse();
    m.view.ChangeFilter(std::string(expression), true, std::move(compiled));
}

void TClientDataSet::CheckFilter(std::string_view expression) const {
    filter::Program::Compile(expression, impl_->store.defs(), impl_->codec);
}

const std::string& TClientDataSet::Filter() const { return impl_->view.FilterText(); }

void TClientDataSet::SetFiltered(bool on) {
    Impl& m = *impl_;
    if (on == m.view.Filtered()) return;
    filter::Program compiled;
    if (on) compiled = filter::Program::Compile(m.view.FilterText(), m.store.defs(), m.codec);
    m.CheckBrowse();
    m.view.ChangeFilter(m.view.FilterText(), on, std::move(compiled));
}

bool TClientDataSet::Filtered() const { return impl_->view.Filtered(); }

// ---- Search ---------------------------------------------------------------------------

bool TClientDataSet::Locate(std::string_view keyFields, const std::vector<std::string>& values, bool caseInsensitive) {
    Impl& m = *impl_;
    m.RequireActive();
    const std::vector<std::string> names = detail::SplitFieldNames(keyFields);
    if (names.empty()) throw EDatabaseError("Locate needs at least one field");
    if (names.size() != values.size())
        throw EDatabaseError("Locate on " + std::to_string(names.size()) + " field(s) with " +
                             std::to_string(values.size()) + " value(s)");
    std::vector<detail::SearchField> keys;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const int f = m.store.Require(names[i]);
        const FieldDef& def = m.store.defs()[f];
        const bool fold = caseInsensitive && def.type == FieldType::String;
        keys.push_back({f, m.codec.SearchKey(def, values[i]), fold});
    }
    m.CheckBrowse();
    return m.view.Locate(keys);
}

// ---- Whole content --------------------------------------------------------------------

void TClientDataSet::CopyFrom(const TClientDataSet& other) {
    if (&other == this) return;
    const Impl& src = *other.impl_;
    if (!src.active) throw EDatabaseError(kClosed);
    impl_->Replace(this, src.store.defs(), src.store.packet_types(), src.store.Copy());
}

std::string TClientDataSet::GetDataPacket() const {
    impl_->RequireActive();
    return packet::Write(impl_->store.defs(), impl_->store.packet_types(), impl_->store.rows());
}

void TClientDataSet::SetDataPacket(std::string_view data) {
    detail::TableContent content = packet::Read(data);
    impl_->Replace(this, std::move(content.defs), std::move(content.packet_types),
                   detail::RowStore::Numbered(std::move(content.rows)));
}

void TClientDataSet::LoadFromFile(const std::string& path) {
    if (!LoadFromFileIfPresent(path))
        throw EInOutError("Cannot open file \"" + path + "\": No such file or directory");
}

bool TClientDataSet::LoadFromFileIfPresent(const std::string& path) {
    const std::optional<std::string> data = ReadRegularFile(path, kMaxTableFileBytes);
    if (!data) return false;
    try {
        SetDataPacket(*data);
    } catch (const EDatabaseError& e) {
        throw EDatabaseError("File \"" + path + "\": " + e.what());
    }
    return true;
}

void TClientDataSet::SaveToFile(const std::string& path) const {
    const std::string data = GetDataPacket();
    // Written beside the target and renamed over it, so a failed write never
    // leaves half a table where the old file was.
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(PathFromUtf8(temp), std::ios::binary | std::ios::trunc);
        if (!out) throw EInOutError("Cannot create file \"" + path + "\": " + std::strerror(errno));
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        out.flush();
        if (!out) {
            const int err = errno;
            std::error_code ignored;
            std::filesystem::remove(PathFromUtf8(temp), ignored);
            throw EInOutError("Cannot write file \"" + path + "\": " + std::strerror(err));
        }
    }
    if (std::string reason; !MoveOverFile(temp, path, reason)) {
        std::error_code ignored;
        std::filesystem::remove(PathFromUtf8(temp), ignored);
        throw EInOutError("Cannot create file \"" + path + "\": " + reason);
    }
}

void RequireFields(const TClientDataSet& ds, std::string_view call, std::string_view table,
                   std::initializer_list<std::string_view> fields) {
    for (std::string_view field : fields)
        if (!ds.HasField(field))
            throw EDatabaseError(std::string(call) + ": " + std::string(table) + " has no field " +
                                 std::string(field));
}

}  // namespace dru
