// In-memory table with the behaviour of the host's client dataset: typed
// fields with null, a cursor, edit states, a filter expression, named
// indexes, Locate, whole-content copies and the XML data packet format.
// Every refused operation raises EDatabaseError with a message naming the
// field, the state or the position; a refused operation leaves the table as
// it was.
//
// Behaviour callers rely on:
// - Text values are UTF-8; text that is not valid UTF-8 is read as Latin-1.
//   A text longer than its field's size is cut to the size (in characters)
//   without a word, as the host's table does; size 0 means no limit.
// - The empty text stored in a field makes it null, for every field type.
// - Moving the cursor (First, Next, Prior, Last, Locate), changing the
//   filter or the index, Insert and Append while editing post a changed row
//   and drop an untouched one. Edit of an empty view starts an insert.
// - After Post the cursor stays on the posted row, in its place in the
//   current order; a posted row that no longer passes the filter leaves the
//   view and the cursor stands on the row that followed it (Eof when it was
//   the last). Delete leaves the cursor the same way. A walk that takes rows
//   out of its own filter must therefore not call Next after such a Post.
// - Cost: a filtered or indexed view is built once when the filter or index
//   changes; Post, Insert and Delete update it for the one row only.
#pragma once
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <string_view>
#include <vector>

#include "host/clock.h"
#include "host/errors.h"
#include "host/format.h"

namespace dru {

enum class FieldType { String = 1, Integer = 2, Float = 3, DateTime = 4, Boolean = 5 };

// The largest table file LoadFromFile reads (64 MiB): far above what a till's
// tables take as packets (a 100,000-row table is about 10 MB), and a bound on
// what a wrong path can make the module hold in memory.
inline constexpr std::size_t kMaxTableFileBytes = 64u * 1024 * 1024;

struct FieldDef {
    std::string name;
    FieldType type = FieldType::String;
    int size = 0;  // characters, for String
};

enum class DataSetState { Inactive, Browse, Edit, Insert };

struct IndexDef {
    std::string name;
    std::string fields;            // "F1;F2"
    bool descending = false;       // every field descending
    bool case_insensitive = false;
    bool unique = false;
    std::string desc_fields;       // "F2": only these fields descending
};

class TClientDataSet;

// A field of the current record. Obtained from FieldByName; valid while the
// table lives. Reading on an empty view gives null; writing needs Edit or Insert.
class TField {
public:
    const std::string& FieldName() const;
    FieldType DataType() const;
    int Size() const;

    bool IsNull() const;
    std::string AsString() const;      // null: ""; float: general format
    double AsFloat() const;            // null: 0; text converts or raises
    long long AsInteger() const;
    TDateTime AsDateTime() const;
    bool AsBoolean() const;

    void SetAsString(std::string_view v);  // converted to the field's type
    void SetAsFloat(double v);
    void SetAsInteger(long long v);
    void SetAsDateTime(TDateTime v);
    void SetAsBoolean(bool v);
    void Clear();  // null

private:
    friend class TClientDataSet;
    TField(TClientDataSet* ds, int index) : ds_(ds), index_(index) {}
    TField(TClientDataSet* ds, int index, std::string name) : ds_(ds), index_(index), name_(std::move(name)) {}
    TClientDataSet* ds_;
    int index_;         // -1 once the table no longer has the field
    std::string name_;  // as the table's definition spells it
};

class TClientDataSet {
public:
    TClientDataSet();
    ~TClientDataSet();
    TClientDataSet(const TClientDataSet&) = delete;
    TClientDataSet& operator=(const TClientDataSet&) = delete;

    // The name a missing field's error begins with (the call and the argument
    // the host handed the table in as: "ImpressaoVenda: cdsVendas"); empty
    // by default. Not part of the table's content: CopyFrom leaves it.
    void SetName(std::string name);
    const std::string& Name() const;

    // ---- Structure -----------------------------------------------------------
    void AddFieldDef(std::string name, FieldType type, int size = 0);
    const std::vector<FieldDef>& FieldDefs() const;
    void CreateDataSet();   // active and empty, with the field definitions
    bool Active() const;
    void Close();           // Active off: rows dropped, definitions kept
    void EmptyDataSet();    // rows dropped, stays active
    bool HasField(std::string_view name) const;
    TField& FieldByName(std::string_view name);  // raises naming the field (and the table, when named)
    const TField& FieldByName(std::string_view name) const;

    // Display format of a float field ("#,##0.00"); kept for the host, not applied.
    void SetDisplayFormat(std::string_view field, std::string format);
    std::string DisplayFormat(std::string_view field) const;

    // ---- Regional settings and clock ------------------------------------------------
    // Text converts to and from numbers and dates with the regional settings
    // and the clock the table is bound to. Both stay the caller's: the table
    // keeps references, never copies, and reads them at each conversion, so a
    // later change of the caller's settings applies at once; the caller keeps
    // them alive as long as the table is used. A filter's literals convert
    // when the filter is compiled. CopyFrom leaves each table's binding as it is.
    //
    // A table bound to nothing converts with FixedFormatSettings() (whatever
    // the process locale) and has no clock: a date text that takes its year
    // from today (a two-digit year, or day and month alone) is then refused
    // with EConvertError naming the field and the text; a full date or a time
    // alone converts.
    void Bind(const FormatSettings& fs, const Clock& clock);
    // For tests: a copy of `fs`, kept by the table until the next Bind or
    // SetFormatSettings; the clock stays as it is.
    void SetFormatSettings(const FormatSettings& fs);
    const FormatSettings& GetFormatSettings() const;  // the record in use
    // The clock alone (non-owning); nullptr leaves the table without one.
    void SetClock(const Clock* clock);

    // ---- Indexes ---------------------------------------------------------------
    // The index's fields are looked up when it is chosen, so an index may be
    // declared before the data that brings its fields. Equal keys keep the
    // table's own order. A unique index refuses (on choosing it, or on Post
    // while it is the current one) a key that is already there.
    void AddIndex(IndexDef def);
    void SetIndexName(std::string_view name);  // "" = insertion order
    const std::string& IndexName() const;

    // ---- Cursor ----------------------------------------------------------------
    void First();
    void Next();
    void Prior();
    void Last();
    bool Eof() const;
    bool Bof() const;
    bool IsEmpty() const;
    int RecNo() const;        // 1-based in the view; 0 when empty
    int RecordCount() const;  // rows in the view
    DataSetState State() const;

    // ---- Editing ---------------------------------------------------------------
    void Insert();
    void Append();
    void Edit();
    void Post();
    void Cancel();
    void Delete();

    // ---- Filter ----------------------------------------------------------------
    // The text is parsed when filtering is on (or when set while on); a bad
    // expression raises with the position, a missing field with its name.
    void SetFilter(std::string_view expression);
    // Raises the error SetFilter would raise for `expression` with filtering
    // on, changing nothing.
    void CheckFilter(std::string_view expression) const;
    const std::string& Filter() const;
    void SetFiltered(bool on);
    bool Filtered() const;

    // ---- Search ----------------------------------------------------------------
    // keyFields "F1;F2", one value per field (as text, converted to each
    // field's type). On success the cursor moves to the first match in the
    // current order; on failure it stays.
    bool Locate(std::string_view keyFields, const std::vector<std::string>& values,
                bool caseInsensitive = false);

    // ---- Whole content -----------------------------------------------------------
    // Data := other.Data: fields and every row (filtered out or not) replace
    // this table's; other's filter and index do not come along, this table
    // keeps its own (re-applied to the new rows). A pending edit of `other`
    // is not part of its data.
    void CopyFrom(const TClientDataSet& other);
    std::string GetDataPacket() const;            // XML data packet
    void SetDataPacket(std::string_view packet);  // raises with the position; table unchanged then
    // Reads a regular file of at most kMaxTableFileBytes; anything else (a
    // device, a pipe, a folder, a larger file) raises EInOutError naming the
    // file before it is read (ReadRegularFile: opened first, then checked). A packet that does not read raises EDatabaseError.
    void LoadFromFile(const std::string& path);
    // The same, but false (the table unchanged) when no file has that name.
    bool LoadFromFileIfPresent(const std::string& path);
    void SaveToFile(const std::string& path) const;

    struct Impl;

private:
    friend class TField;
    std::unique_ptr<Impl> impl_;
};

// The one check of the fields a document reads, made before its first frame
// so a missing one never leaves it half printed: raises EDatabaseError
// "<call>: <table> has no field <field>" for the first of `fields` missing.
void RequireFields(const TClientDataSet& ds, std::string_view call, std::string_view table,
                   std::initializer_list<std::string_view> fields);

}  // namespace dru
