// The JSON input files of dru: one file per call, an object whose members
// are the call's arguments by their host names (texts, numbers, flags,
// parameter arrays and tables, each table an array of rows keyed by field
// name). Every file is read and checked whole before anything is sent; the
// first fault found is the error, with the file, the JSON path and, for a
// syntax error, the line and column. Unknown keys are refused.
#pragma once
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "cli.h"
#include "dru01000.h"

namespace dru::cli {

using Json = nlohmann::ordered_json;

enum class FieldKind { Text, Integer, Float, DateTime };

// One field of a table: its name, type and (texts) size in characters.
struct Field {
    std::string name;
    FieldKind kind = FieldKind::Text;
    int size = 0;           // texts: at most this many characters
    bool required = false;  // every row must give it
    std::string meaning = {};  // what it holds, with the meaning of its codes
};
using Layout = std::vector<Field>;

// One member of an input object.
struct Member {
    enum class Type { Text, Number, Flag, Table, Params };
    std::string name;
    Type type = Type::Text;
    bool required = false;
    Layout layout = {};  // Table: its fields; Params: the names allowed (Text or Float)
    std::vector<std::string> set_by_dru = {};  // Params: names dru fills in from its options
    std::string meaning = {};                  // what the call does with it
    // Table: the fields the call reads, which a host's table must have
    // (empty: the table is copied whole, or only written).
    std::vector<std::string> reads = {};
};
using Schema = std::vector<Member>;

// A bad input file: exit code 2. `path()` is the JSON path of the fault
// ("$.cdsVendas[0].NMPRODUTO"; empty for a file that is no JSON at all).
class InputError : public UsageError {
  public:
    using UsageError::UsageError;
    InputError(const std::string& what, std::string path) : UsageError(what), path_(std::move(path)) {}
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// Table and parameter handles that free themselves.
struct TableDeleter {
    void operator()(DruDataSet* ds) const { dru_dataset_free(ds); }
};
struct ParamsDeleter {
    void operator()(DruParams* p) const { dru_params_free(p); }
};
using TableHandle = std::unique_ptr<DruDataSet, TableDeleter>;
using ParamsHandle = std::unique_ptr<DruParams, ParamsDeleter>;

// An empty table with `layout`, created; raises std::runtime_error with the
// driver's error when a helper refuses.
TableHandle MakeTable(const Layout& layout);
// Appends one row of a checked JSON object to a table made with `layout`.
void AppendRow(DruDataSet* ds, const Layout& layout, const Json& row);

// A checked input file.
class Input {
  public:
    // Reads and checks the file; raises InputError.
    static Input Load(const std::string& path, const Schema& schema);
    // Checks text already read (`name` is what errors call it).
    static Input Parse(const std::string& text, const std::string& name, const Schema& schema);
    // Checks a document already parsed.
    static Input Check(Json doc, const std::string& name, const Schema& schema);

    bool has(const std::string& member) const { return doc_.contains(member); }
    std::string text(const std::string& member, const std::string& fallback = "") const;
    double number(const std::string& member, double fallback = 0) const;
    bool flag(const std::string& member, bool fallback = false) const;
    // A table built from the rows; an absent optional table is null.
    TableHandle table(const std::string& member) const;
    // The table as a data packet (the form of a packet argument).
    std::string packet(const std::string& member) const;
    // The parameter array, with `added` pairs after the file's own.
    ParamsHandle params(const std::string& member,
                        const std::vector<std::pair<std::string, std::string>>& added = {}) const;
    const Json& json() const { return doc_; }

  private:
    Input(Json doc, const Schema* schema) : doc_(std::move(doc)), schema_(schema) {}
    const Member& member(const std::string& name) const;

    Json doc_;
    const Schema* schema_;
};

// An entry point's input contract, and the input file dru reads for it: the
// subcommand, its members (arguments by their host names) and what the call
// hands back. docs/input-contract.md and `dru contract` are made from these.
struct InputFile {
    std::string subcommand;
    Schema schema;
    std::string entry = {};    // the entry point
    std::string summary = {};  // one line
    Layout outputs = {};       // the result and the output arguments, with their meaning
    bool takes_file = true;    // false: dru takes the arguments from its options
};
// The input files of the documents (documents.cpp) and of the day (day.cpp).
std::vector<InputFile> DocumentInputFiles();
std::vector<InputFile> DayInputFiles();
// Every entry point dru calls, with its contract (also those that take no file).
std::vector<InputFile> DocumentContracts();
std::vector<InputFile> DayContracts();

// A number from the command line ("1500", "1500.5"); raises UsageError naming `what`.
// `s` in capitals (ASCII): keys and list headers are matched without case.
std::string Upper(std::string s);

double NumberArgument(const std::string& text, const std::string& what);

// An amount from the command line in its one form: digits, optionally "."
// and one or two decimals ("20000", "1500.50"). "20.000" (twenty, or twenty
// thousand?) is refused, as is any other form; a negative one only when
// `negative_allowed`. Raises UsageError naming `what`.
double AmountArgument(const std::string& text, const std::string& what, bool negative_allowed);

// JSON text parsed; raises InputError naming `name` with the line and column of a fault,
// or for a text nested deeper than 64 levels.
Json ParseJsonText(const std::string& text, const std::string& name);

// The whole of an input file; raises InputError with the system's reason.
std::string ReadInputFile(const std::string& path);

// Days since 1899-12-30 for "YYYY-MM-DD" with an optional " HH:MM[:SS]"; false when it is not one.
bool ParseDateTime(const std::string& text, double& days);

}  // namespace dru::cli
