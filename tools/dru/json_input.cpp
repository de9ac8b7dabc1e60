#include "json_input.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

namespace dru::cli {

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

namespace {

// Far deeper than any input (a table of rows of fields is three levels).
constexpr int kMaxJsonDepth = 64;

// The characters of a UTF-8 text (continuation bytes do not count).
std::size_t CharacterCount(const std::string& s) {
    return static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

const char* KindName(const Json& v) {
    switch (v.type()) {
        case Json::value_t::null:
            return "null";
        case Json::value_t::boolean:
            return "true or false";
        case Json::value_t::string:
            return "a text";
        case Json::value_t::array:
            return "an array";
        case Json::value_t::object:
            return "an object";
        default:
            return "a number";
    }
}

// Checks one document against its schema; each fault names the file and path.
class Checker {
  public:
    explicit Checker(const std::string& file) : file_(file) {}

    [[noreturn]] void fail(const std::string& path, const std::string& what) const {
        throw InputError(file_ + ": " + path + ": " + what, path);
    }

    void document(const Json& doc, const Schema& schema) {
        if (!doc.is_object()) fail("$", "expected an object, got " + std::string(KindName(doc)));
        for (const auto& [key, value] : doc.items()) {
            // The key by an init-capture: clang 14 cannot capture a structured binding.
            const auto it = std::find_if(schema.begin(), schema.end(),
                                         [&k = key](const Member& m) { return m.name == k; });
            if (it == schema.end()) unknown("$." + key, key, MemberNames(schema));
            member("$." + key, *it, value);
        }
        for (const Member& m : schema)
            if (m.required && !doc.contains(m.name)) fail("$." + m.name, "missing (required)");
    }

  private:
    static std::vector<std::string> MemberNames(const Schema& schema) {
        std::vector<std::string> names;
        for (const Member& m : schema) names.push_back(m.name);
        return names;
    }
    static std::vector<std::string> FieldNames(const Layout& layout) {
        std::vector<std::string> names;
        for (const Field& f : layout) names.push_back(f.name);
        return names;
    }

    [[noreturn]] void unknown(const std::string& path, const std::string& key,
                              const std::vector<std::string>& known) const {
        for (const std::string& k : known)
            if (Upper(k) == Upper(key)) fail(path, "unknown key (did you mean \"" + k + "\"?)");
        std::string list;
        for (const std::string& k : known) list += (list.empty() ? "" : ", ") + k;
        fail(path, "unknown key (the keys are: " + list + ")");
    }

    void member(const std::string& path, const Member& m, const Json& v) {
        switch (m.type) {
            case Member::Type::Text:
                if (!v.is_string()) fail(path, std::string("expected a text, got ") + KindName(v));
                break;
            case Member::Type::Number:
                if (!v.is_number())
                    fail(path, std::string("expected a number, got ") + KindName(v));
                if (!std::isfinite(v.get<double>())) fail(path, "not a finite number");
                break;
            case Member::Type::Flag:
                if (!v.is_boolean())
                    fail(path, std::string("expected true or false, got ") + KindName(v));
                break;
            case Member::Type::Table:
                table(path, m.layout, v);
                break;
            case Member::Type::Params:
                params(path, m, v);
                break;
        }
    }

    void table(const std::string& path, const Layout& layout, const Json& v) {
        if (!v.is_array()) fail(path, std::string("expected an array of rows, got ") + KindName(v));
        for (std::size_t i = 0; i < v.size(); ++i)
            row(path + "[" + std::to_string(i) + "]", layout, v[i]);
    }

    void row(const std::string& path, const Layout& layout, const Json& r) {
        if (!r.is_object())
            fail(path, std::string("expected a row (an object), got ") + KindName(r));
        for (const auto& [key, value] : r.items()) {
            const auto it = std::find_if(layout.begin(), layout.end(),
                                         [&k = key](const Field& f) { return f.name == k; });
            if (it == layout.end()) unknown(path + "." + key, key, FieldNames(layout));
            field(path + "." + key, *it, value);
        }
        for (const Field& f : layout)
            if (f.required && (!r.contains(f.name) || r[f.name].is_null()))
                fail(path + "." + f.name, "missing (required)");
    }

    void field(const std::string& path, const Field& f, const Json& v) {
        if (v.is_null()) return;  // a null field
        switch (f.kind) {
            case FieldKind::Text: {
                if (!v.is_string()) fail(path, std::string("expected a text, got ") + KindName(v));
                const std::size_t n = CharacterCount(v.get<std::string>());
                if (f.size > 0 && n > static_cast<std::size_t>(f.size))
                    fail(path, std::to_string(n) + " characters, more than the field's " +
                                   std::to_string(f.size));
                break;
            }
            case FieldKind::Integer:
                if (!v.is_number_integer())
                    fail(path, std::string("expected a whole number, got ") + KindName(v));
                break;
            case FieldKind::Float:
                if (!v.is_number())
                    fail(path, std::string("expected a number, got ") + KindName(v));
                break;
            case FieldKind::DateTime: {
                double days = 0;
                if (!v.is_string() || !ParseDateTime(v.get<std::string>(), days))
                    fail(path, "expected a date \"YYYY-MM-DD\" or \"YYYY-MM-DD HH:MM[:SS]\"");
                break;
            }
        }
    }

    void params(const std::string& path, const Member& m, const Json& v) {
        if (!v.is_object())
            fail(path, std::string("expected an object of named values, got ") + KindName(v));
        for (const auto& [key, value] : v.items()) {
            const std::string at = path + "." + key;
            if (std::find(m.set_by_dru.begin(), m.set_by_dru.end(), Upper(key)) !=
                m.set_by_dru.end())
                fail(at, "set by dru from its options (--port, --type, --scheme), not by the file");
            const auto it = std::find_if(m.layout.begin(), m.layout.end(), [&k = key](const Field& f) {
                return Upper(f.name) == Upper(k);
            });
            if (it == m.layout.end()) unknown(at, key, FieldNames(m.layout));
            if (it->kind == FieldKind::Float ? !value.is_number() && !value.is_string()
                                             : !value.is_string())
                fail(at, std::string(it->kind == FieldKind::Float ? "expected a number"
                                                                  : "expected a text") +
                             ", got " + KindName(value));
        }
    }

    std::string file_;
};

// Line and column (from 1) of the byte at `offset` (from 0).
std::pair<std::size_t, std::size_t> LineAndColumn(const std::string& text, std::size_t offset) {
    std::size_t line = 1, column = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else if ((text[i] & 0xC0) != 0x80) {
            ++column;
        }
    }
    return {line, column};
}

// What nlohmann says after its own prefix ("[json.exception...] parse error at ...: ").
std::string SyntaxDetail(const std::string& what) {
    const auto colon = what.find(": ");
    return colon == std::string::npos ? what : what.substr(colon + 2);
}

// The parser's message without its "[json.exception.out_of_range.406] " tag.
std::string ExceptionDetail(const std::string& what) {
    const auto tag = what.find("] ");
    return tag == std::string::npos ? what : what.substr(tag + 2);
}

// ": line L, column C" of the literal an overflow message quotes, if found.
std::string OverflowPlace(const std::string& text, const std::string& what) {
    const auto open = what.find('\'');
    const auto close = what.rfind('\'');
    if (open == std::string::npos || close <= open + 1) return "";
    const auto at = text.find(what.substr(open + 1, close - open - 1));
    if (at == std::string::npos) return "";
    const auto [line, column] = LineAndColumn(text, at);
    return ": line " + std::to_string(line) + ", column " + std::to_string(column);
}

void Require(bool ok, const char* step) {
    if (!ok) throw std::runtime_error(std::string(step) + ": " + dru_last_error());
}

int DataSetType(FieldKind kind) {
    switch (kind) {
        case FieldKind::Integer:
            return DRU_FT_INTEGER;
        case FieldKind::Float:
            return DRU_FT_FLOAT;
        case FieldKind::DateTime:
            return DRU_FT_DATETIME;
        default:
            return DRU_FT_STRING;
    }
}

}  // namespace

bool ParseDateTime(const std::string& text, double& days) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    char tail = 0;
    const int n =
        std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail);
    if (!(n == 3 || n == 5 || n == 6) || (n == 3 && text.size() != 10)) return false;
    using namespace std::chrono;
    const year_month_day date{year{y}, month{static_cast<unsigned>(mo)},
                              day{static_cast<unsigned>(d)}};
    if (!date.ok() || h > 23 || mi > 59 || s > 59 || h < 0 || mi < 0 || s < 0) return false;
    const auto epoch = sys_days{1899y / December / 30};
    days =
        static_cast<double>((sys_days{date} - epoch).count()) + (h * 3600 + mi * 60 + s) / 86400.0;
    return true;
}

double NumberArgument(const std::string& text, const std::string& what) {
    std::size_t used = 0;
    double v = 0;
    try {
        v = std::stod(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size() || !std::isfinite(v))
        throw UsageError(what + ": \"" + text + "\" is not a number (write it as 1500 or 1500.50)");
    return v;
}

double AmountArgument(const std::string& text, const std::string& what, bool negative_allowed) {
    std::size_t digits = text.starts_with("-") ? 1 : 0;
    const std::size_t first = digits;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits])))
        ++digits;
    const std::size_t decimals = digits < text.size() && text[digits] == '.'
                                     ? text.size() - digits - 1
                                     : std::string::npos;
    const bool plain = digits > first && (digits == text.size() ||
                                          (decimals != std::string::npos && decimals >= 1 &&
                                           text.find_first_not_of("0123456789", digits + 1) ==
                                               std::string::npos));
    if (plain && decimals == 3)
        throw UsageError(what + ": \"" + text +
                         "\" is ambiguous: write whole amounts without a thousands separator "
                         "(20000) and at most two decimals after \".\" (20.00)");
    if (!plain || (decimals != std::string::npos && decimals > 2))
        throw UsageError(what + ": \"" + text +
                         "\" is not an amount: write it as 1500 or 1500.50 (\".\" before at most "
                         "two decimals, no thousands separator)");
    const double v = std::stod(text);
    if (v < 0 && !negative_allowed)
        throw UsageError(what + ": " + text + " is negative: pass --negative to print it so");
    return v;
}

TableHandle MakeTable(const Layout& layout) {
    TableHandle t(dru_dataset_new());
    for (const Field& f : layout)
        Require(dru_dataset_add_field(t.get(), f.name.c_str(), DataSetType(f.kind), f.size),
                "adding a field");
    Require(dru_dataset_create(t.get()), "creating a table");
    return t;
}

void AppendRow(DruDataSet* ds, const Layout& layout, const Json& row) {
    Require(dru_dataset_append(ds), "appending a row");
    for (const Field& f : layout) {
        const char* name = f.name.c_str();
        if (!row.contains(f.name) || row[f.name].is_null()) {
            Require(dru_dataset_set_null(ds, name), "setting a field");
            continue;
        }
        const Json& v = row[f.name];
        double days = 0;
        if (f.kind == FieldKind::Text)
            Require(dru_dataset_set_text(ds, name, v.get<std::string>().c_str()),
                    "setting a field");
        else if (f.kind == FieldKind::DateTime && ParseDateTime(v.get<std::string>(), days))
            Require(dru_dataset_set_number(ds, name, days), "setting a field");
        else
            Require(dru_dataset_set_number(ds, name, v.get<double>()), "setting a field");
    }
    Require(dru_dataset_post(ds), "posting a row");
}

std::string ReadInputFile(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw InputError(path + ": cannot be read: a folder, not a file");
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const int reason = errno ? errno : ENOENT;
        throw InputError(path + ": cannot be read: " + std::generic_category().message(reason));
    }
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) throw InputError(path + ": cannot be read to its end");
    return text;
}

Input Input::Load(const std::string& path, const Schema& schema) {
    return Parse(ReadInputFile(path), path, schema);
}

Input Input::Parse(const std::string& text, const std::string& name, const Schema& schema) {
    return Check(ParseJsonText(text, name), name, schema);
}

Json ParseJsonText(const std::string& text, const std::string& name) {
    // Refused while it is read: copying or printing a value recurses once
    // per level, and a hostile text of brackets would end the program.
    const auto shallow = [&name](int depth, Json::parse_event_t event, Json&) {
        const bool opens = event == Json::parse_event_t::object_start ||
                           event == Json::parse_event_t::array_start;
        if (opens && depth >= kMaxJsonDepth)
            throw InputError(name + ": nested deeper than " + std::to_string(kMaxJsonDepth) +
                             " levels (an input holds tables of rows of fields)");
        return true;
    };
    Json doc;
    try {
        doc = Json::parse(text, shallow);
    } catch (const Json::parse_error& e) {
        const auto [line, column] = LineAndColumn(text, e.byte > 0 ? e.byte - 1 : 0);
        throw InputError(name + ": line " + std::to_string(line) + ", column " +
                         std::to_string(column) + ": " + SyntaxDetail(e.what()));
    } catch (const Json::out_of_range& e) {
        // A number beyond a double ("1E400"): the parser names the literal but
        // not its place, so the error points at its first occurrence.
        throw InputError(name + OverflowPlace(text, e.what()) + ": a number out of range: " +
                         ExceptionDetail(e.what()));
    }
    return doc;
}

Input Input::Check(Json doc, const std::string& name, const Schema& schema) {
    Checker(name).document(doc, schema);
    return Input(std::move(doc), &schema);
}

const Member& Input::member(const std::string& name) const {
    for (const Member& m : *schema_)
        if (m.name == name) return m;
    throw std::logic_error("no input member " + name);
}

std::string Input::text(const std::string& m, const std::string& fallback) const {
    return has(m) ? doc_[m].get<std::string>() : fallback;
}

double Input::number(const std::string& m, double fallback) const {
    return has(m) ? doc_[m].get<double>() : fallback;
}

bool Input::flag(const std::string& m, bool fallback) const {
    return has(m) ? doc_[m].get<bool>() : fallback;
}

TableHandle Input::table(const std::string& name) const {
    const Member& m = member(name);
    if (!has(name)) return m.required ? MakeTable(m.layout) : nullptr;
    TableHandle t = MakeTable(m.layout);
    for (const Json& row : doc_[name]) AppendRow(t.get(), m.layout, row);
    return t;
}

std::string Input::packet(const std::string& name) const {
    TableHandle t = table(name);
    if (!t) return {};
    DruText* text = dru_text_new(nullptr);
    const bool ok = dru_dataset_get_data(t.get(), text);
    std::string packet = dru_text_get(text);
    dru_text_free(text);
    Require(ok, "writing a packet");
    return packet;
}

ParamsHandle Input::params(const std::string& name,
                           const std::vector<std::pair<std::string, std::string>>& added) const {
    ParamsHandle p(dru_params_new());
    if (has(name)) {
        const Member& m = member(name);
        for (const auto& [key, value] : doc_[name].items()) {
            const auto it = std::find_if(m.layout.begin(), m.layout.end(), [&k = key](const Field& f) {
                return Upper(f.name) == Upper(k);
            });
            if (value.is_number())
                dru_params_add_number(p.get(), it->name.c_str(), value.get<double>());
            else
                dru_params_add_text(p.get(), it->name.c_str(), value.get<std::string>().c_str());
        }
    }
    for (const auto& [key, value] : added) dru_params_add_text(p.get(), key.c_str(), value.c_str());
    return p;
}

}  // namespace dru::cli
