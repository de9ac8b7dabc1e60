#include "host/dataset_packet.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <set>
#include <utility>

#include "host/errors.h"
#include "host/format.h"
#include "host/text.h"

namespace dru::packet {
namespace {

using detail::PacketFieldType;
using detail::Value;

constexpr std::string_view kHeader = "<?xml version=\"1.0\" standalone=\"yes\"?>\n";
// RowState bits of a ROW: the original of a modified row, deleted, inserted, modified.
constexpr int kRowOriginal = 1;
constexpr int kRowDeleted = 2;
constexpr int kRowModified = 8;

// ---- Writing ------------------------------------------------------------------------

void AppendEscaped(std::string& out, std::string_view s) {
    for (char c : s) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "&#%03d;", static_cast<unsigned char>(c));
                    out += buf;
                } else {
                    out += c;
                }
        }
    }
}


std::string DatePart(TDateTime t) {
    int y = 0, m = 0, d = 0;
    DecodeDate(t, y, m, d);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
    return buf;
}

std::string TimePart(TDateTime t) {
    int h = 0, n = 0, s = 0, ms = 0;
    DecodeTime(t, h, n, s, ms);
    char buf[24];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d%03d", h, n, s, ms);
    return buf;
}

std::string NumberText(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

bool FitsInt32(const detail::RowList& rows, std::size_t field) {
    for (std::size_t k = 0; k < rows.size(); ++k)
        if (const auto* i = std::get_if<long long>(&rows[k]->values[field]))
            if (*i < std::numeric_limits<int>::min() || *i > std::numeric_limits<int>::max()) return false;
    return true;
}

// Widest value of a text field without a size, so the packet's WIDTH holds it.
int WidestText(const detail::RowList& rows, std::size_t field) {
    std::size_t widest = 1;
    for (std::size_t k = 0; k < rows.size(); ++k)
        if (const auto* s = std::get_if<std::string>(&rows[k]->values[field])) widest = std::max(widest, text::length(*s));
    return static_cast<int>(widest);
}

FieldType TypeOfPacketType(const std::string& t, const std::string& subtype, bool& known);

// The packet type a field is written as: the one it was read with, when that
// still fits the field's type, else the default for its type.
PacketFieldType TypeToWrite(const FieldDef& d, const PacketFieldType& kept,
                            const detail::RowList& rows, std::size_t field) {
    bool known = false;
    if (!kept.fieldtype.empty() && TypeOfPacketType(kept.fieldtype, kept.subtype, known) == d.type && known) {
        PacketFieldType t = kept;
        if (d.type == FieldType::String && t.width == 0 && t.fieldtype != "bin.hex")
            t.width = d.size > 0 ? d.size : WidestText(rows, field);
        return t;
    }
    switch (d.type) {
        case FieldType::String: return {"string", "", d.size > 0 ? d.size : WidestText(rows, field)};
        case FieldType::Integer: return {FitsInt32(rows, field) ? "i4" : "i8", "", 0};
        case FieldType::Float: return {"r8", "", 0};
        case FieldType::DateTime: return {"dateTime", "", 0};
        case FieldType::Boolean: return {"boolean", "", 0};
    }
    return {};
}

std::string ValueText(const Value& v, const PacketFieldType& t) {
    if (const auto* s = std::get_if<std::string>(&v)) return *s;
    if (const auto* i = std::get_if<long long>(&v)) return std::to_string(*i);
    if (const auto* b = std::get_if<bool>(&v)) return *b ? "TRUE" : "FALSE";
    const double d = std::get<double>(v);
    if (t.fieldtype == "date") return DatePart(d);
    if (t.fieldtype == "time") return TimePart(d);
    if (t.fieldtype == "dateTime" || t.fieldtype == "datetime" || t.fieldtype == "SQLdateTime")
        return DatePart(d) + "T" + TimePart(d);
    return NumberText(d);
}

// ---- Reading: a small XML reader over the raw bytes ------------------------------------

struct Element {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attrs;
    std::vector<std::size_t> attr_pos;  // byte offset of each attribute value
    std::vector<Element> children;
    std::size_t pos = 0;

    const std::string* Attr(std::string_view key) const {
        for (const auto& [k, v] : attrs)
            if (k == key) return &v;
        return nullptr;
    }
};

[[noreturn]] void Fail(std::size_t at, const std::string& what) {
    throw EDatabaseError("Invalid data packet at byte " + std::to_string(at) + ": " + what);
}

class XmlReader {
public:
    // Called with each element as soon as it is read whole, and its parent
    // (still being read); true when it took the element, which is then not
    // kept in the tree. The rows of a large packet go through it one by
    // one, so the packet never stands in memory as a tree of elements.
    using ChildHook = std::function<bool(const Element& parent, Element& child, int depth)>;

    XmlReader(std::string_view s, bool latin1, ChildHook hook = {}) : s_(s), latin1_(latin1), hook_(std::move(hook)) {}

    Element ReadDocument() {
        if (s_.substr(0, 3) == "\xEF\xBB\xBF") i_ = 3;  // byte-order mark
        SkipMisc();
        if (i_ >= s_.size()) Fail(i_, "no DATAPACKET element");
        Element root = ReadElement(0);
        SkipMisc();
        if (i_ < s_.size()) Fail(i_, "text after the end of the packet");
        return root;
    }

private:
    bool At(std::string_view lit) const { return s_.substr(i_, lit.size()) == lit; }

    void SkipSpace() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\r' || s_[i_] == '\n')) ++i_;
    }

    void SkipPast(std::string_view end, const char* what) {
        const std::size_t at = s_.find(end, i_);
        if (at == std::string_view::npos) Fail(s_.size(), std::string("unexpected end inside ") + what);
        i_ = at + end.size();
    }

    // Blanks, the XML declaration, comments and a document type.
    void SkipMisc() {
        for (;;) {
            SkipSpace();
            if (At("<?")) {
                SkipPast("?>", "a declaration");
            } else if (At("<!--")) {
                SkipPast("-->", "a comment");
            } else if (At("<!")) {
                SkipPast(">", "a declaration");
            } else {
                return;
            }
        }
    }

    static bool NameChar(char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
               c == '.' || c == ':' || static_cast<unsigned char>(c) >= 0x80;
    }

    std::string ReadName() {
        const std::size_t start = i_;
        while (i_ < s_.size() && NameChar(s_[i_])) ++i_;
        if (i_ == start) {
            if (i_ >= s_.size()) Fail(i_, "unexpected end of the packet");
            Fail(i_, std::string("expected a name, found '") + s_[i_] + "'");
        }
        return std::string(s_.substr(start, i_ - start));
    }

    void Expect(char c) {
        if (i_ >= s_.size()) Fail(i_, std::string("unexpected end of the packet, expected '") + c + "'");
        if (s_[i_] != c) Fail(i_, std::string("expected '") + c + "', found '" + s_[i_] + "'");
        ++i_;
    }

    void AppendByte(std::string& out, char c) const {
        if (latin1_) {
            out += text::from_latin1(std::string_view(&c, 1));
        } else {
            out += c;
        }
    }

    void AppendEntity(std::string& out) {
        const std::size_t start = i_;
        const std::size_t semi = s_.find(';', i_);
        if (semi == std::string_view::npos || semi - i_ > 12) Fail(start, "malformed character reference");
        const std::string_view ent = s_.substr(i_ + 1, semi - i_ - 1);
        i_ = semi + 1;
        if (ent == "amp") return void(out += '&');
        if (ent == "lt") return void(out += '<');
        if (ent == "gt") return void(out += '>');
        if (ent == "quot") return void(out += '"');
        if (ent == "apos") return void(out += '\'');
        if (ent.size() < 2 || ent[0] != '#') Fail(start, "unknown entity '&" + std::string(ent) + ";'");
        const bool hex = ent[1] == 'x' || ent[1] == 'X';
        const std::string_view digits = ent.substr(hex ? 2 : 1);
        unsigned cp = 0;
        const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), cp, hex ? 16 : 10);
        if (digits.empty() || r.ec != std::errc() || r.ptr != digits.data() + digits.size() || cp == 0 ||
            cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            Fail(start, "malformed character reference '&" + std::string(ent) + ";'");
        text::append_code_point(out, cp);
    }


    std::string ReadValue() {
        if (i_ >= s_.size()) Fail(i_, "unexpected end of the packet, expected a quoted value");
        const char quote = s_[i_];
        if (quote != '"' && quote != '\'') Fail(i_, "expected a quoted value");
        ++i_;
        std::string out;
        for (;;) {
            if (i_ >= s_.size()) Fail(i_, "unexpected end inside a value");
            const char c = s_[i_];
            if (c == quote) break;
            if (c == '<') Fail(i_, "'<' inside a value");
            // No character of XML is zero, raw or as "&#0;": a value holding
            // one could not be written out and read back.
            if (c == '\0') Fail(i_, "a zero byte inside a value");
            if (c == '&') {
                AppendEntity(out);
            } else {
                AppendByte(out, c);
                ++i_;
            }
        }
        ++i_;
        return out;
    }

    Element ReadElement(int depth) {
        // The packet's deepest element is DATAPACKET/METADATA/FIELDS/FIELD/PARAM;
        // the bound keeps a hostile input from exhausting the stack.
        constexpr int kMaxDepth = 16;
        if (depth > kMaxDepth) Fail(i_, "elements nested too deep");
        Element e;
        e.pos = i_;
        Expect('<');
        e.name = ReadName();
        for (;;) {
            SkipSpace();
            if (At("/>")) {
                i_ += 2;
                return e;
            }
            if (At(">")) {
                ++i_;
                break;
            }
            const std::size_t attr_at = i_;
            std::string key = ReadName();
            if (e.Attr(key)) Fail(attr_at, "attribute '" + key + "' given twice");
            SkipSpace();
            Expect('=');
            SkipSpace();
            e.attr_pos.push_back(i_);
            e.attrs.emplace_back(std::move(key), ReadValue());
        }
        for (;;) {
            const std::size_t text_at = i_;
            SkipSpace();
            if (i_ >= s_.size()) Fail(i_, "unexpected end of the packet inside <" + e.name + ">");
            if (At("<!--")) {
                SkipPast("-->", "a comment");
            } else if (At("</")) {
                i_ += 2;
                const std::size_t name_at = i_;
                const std::string closing = ReadName();
                if (i_ >= s_.size()) Fail(i_, "unexpected end of the packet inside </" + closing + ">");
                if (closing != e.name) Fail(name_at, "</" + closing + "> closes <" + e.name + ">");
                SkipSpace();
                Expect('>');
                return e;
            } else if (At("<")) {
                Element child = ReadElement(depth + 1);
                if (!hook_ || !hook_(e, child, depth + 1)) e.children.push_back(std::move(child));
            } else {
                Fail(text_at, "unexpected text inside <" + e.name + ">");
            }
        }
    }

    std::string_view s_;
    bool latin1_;
    ChildHook hook_;
    std::size_t i_ = 0;
};

// ---- Reading: from elements to the table -------------------------------------------------

FieldType TypeOfPacketType(const std::string& t, const std::string& subtype, bool& known) {
    known = true;
    if (t == "string" || t == "string.uni") return FieldType::String;
    if (t == "i1" || t == "i2" || t == "i4" || t == "i8" || t == "ui1" || t == "ui2" || t == "ui4" || t == "ui8")
        return FieldType::Integer;
    if (t == "boolean") return FieldType::Boolean;
    if (t == "r4" || t == "r8" || t == "fixed" || t == "fixedFMT") return FieldType::Float;
    if (t == "date" || t == "time" || t == "dateTime" || t == "datetime" || t == "SQLdateTime") return FieldType::DateTime;
    if (t == "bin.hex" && (subtype == "Text" || subtype == "WideText")) return FieldType::String;  // memo
    known = false;
    return FieldType::String;
}

int ToInt(const std::string& s, std::size_t at, const char* what) {
    int v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size()) Fail(at, std::string("bad ") + what + " '" + s + "'");
    return v;
}

bool Digits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

int Num(std::string_view s) {
    int v = 0;
    std::from_chars(s.data(), s.data() + s.size(), v);
    return v;
}

// "hh:nn", "hh:nn:ss" or "hh:nn:ss" and three digits of milliseconds.
bool ParseTime(std::string_view s, double& out) {
    if (s.size() < 5 || s[2] != ':' || !Digits(s.substr(0, 2)) || !Digits(s.substr(3, 2))) return false;
    int sec = 0, ms = 0;
    if (s.size() > 5) {
        if (s[5] != ':' || (s.size() != 8 && s.size() != 11) || !Digits(s.substr(6))) return false;
        sec = Num(s.substr(6, 2));
        if (s.size() == 11) ms = Num(s.substr(8, 3));
    }
    try {
        out = EncodeTime(Num(s.substr(0, 2)), Num(s.substr(3, 2)), sec, ms);
    } catch (const EConvertError&) {
        return false;
    }
    return true;
}

bool ParseDate(std::string_view s, double& out) {
    if (s.size() != 8 || !Digits(s)) return false;
    try {
        out = EncodeDate(Num(s.substr(0, 4)), Num(s.substr(4, 2)), Num(s.substr(6, 2)));
    } catch (const EConvertError&) {
        return false;
    }
    return true;
}

Value ParseValue(const std::string& s, FieldType type, const PacketFieldType& pt, std::size_t at) {
    switch (type) {
        case FieldType::String: return s;
        case FieldType::Integer: {
            long long v = 0;
            const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
            if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size())
                Fail(at, "'" + s + "' is not a whole number");
            return v;
        }
        case FieldType::Float: {
            double v = 0;
            const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
            if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size()) Fail(at, "'" + s + "' is not a number");
            return v;
        }
        case FieldType::Boolean: {
            const std::string up = text::upper_ascii(s);
            if (up == "TRUE") return true;
            if (up == "FALSE") return false;
            Fail(at, "'" + s + "' is not TRUE or FALSE");
        }
        case FieldType::DateTime: {
            double date = 0, time = 0;
            bool ok = false;
            if (pt.fieldtype == "time") {
                ok = ParseTime(s, time);
            } else {
                const std::size_t t = s.find('T');
                ok = ParseDate(std::string_view(s).substr(0, t), date) &&
                     (t == std::string::npos || ParseTime(std::string_view(s).substr(t + 1), time));
            }
            if (!ok) Fail(at, "'" + s + "' is not a date or time");
            return date < 0 ? date - time : date + time;
        }
    }
    return {};
}

void ReadFields(const Element& fields, detail::TableContent& out) {
    std::set<std::string> names;
    for (const Element& f : fields.children) {
        if (f.name != "FIELD") Fail(f.pos, "expected <FIELD>, found <" + f.name + ">");
        const std::string* name = f.Attr("attrname");
        const std::string* type = f.Attr("fieldtype");
        if (!name || name->empty()) Fail(f.pos, "field without attrname");
        if (!type) Fail(f.pos, "field '" + *name + "' without fieldtype");
        if (!names.insert(text::upper_ascii(*name)).second) Fail(f.pos, "field '" + *name + "' given twice");
        PacketFieldType pt;
        pt.fieldtype = *type;
        if (const std::string* sub = f.Attr("SUBTYPE")) pt.subtype = *sub;
        if (const std::string* width = f.Attr("WIDTH")) pt.width = ToInt(*width, f.pos, "WIDTH");
        if (pt.width < 0) Fail(f.pos, "bad WIDTH of field '" + *name + "'");
        bool known = false;
        const FieldType ft = TypeOfPacketType(pt.fieldtype, pt.subtype, known);
        if (!known) Fail(f.pos, "field type '" + pt.fieldtype + "' of field '" + *name + "' is not supported");
        for (const Element& c : f.children)
            if (c.name != "PARAM") Fail(c.pos, "nested <" + c.name + "> in field '" + *name + "' is not supported");
        int size = 0;
        if (ft == FieldType::String && pt.fieldtype != "bin.hex")
            size = pt.fieldtype == "string.uni" ? (pt.width + 1) / 2 : pt.width;  // string.uni counts bytes
        out.defs.push_back({*name, ft, size});
        out.packet_types.push_back(pt);
    }
}

std::vector<long long> ChangeLog(const Element& metadata) {
    std::vector<long long> numbers;
    for (const Element& e : metadata.children) {
        if (e.name != "PARAMS") continue;
        const std::string* log = e.Attr("CHANGE_LOG");
        if (!log) continue;
        std::size_t at = 0;
        while (at < log->size()) {
            while (at < log->size() && (*log)[at] == ' ') ++at;
            if (at >= log->size()) break;
            long long v = 0;
            const auto r = std::from_chars(log->data() + at, log->data() + log->size(), v);
            if (r.ec != std::errc()) Fail(e.pos, "malformed CHANGE_LOG");
            numbers.push_back(v);
            at = static_cast<std::size_t>(r.ptr - log->data());
            if (at < log->size() && (*log)[at] != ' ') Fail(e.pos, "malformed CHANGE_LOG");
        }
        if (numbers.size() % 3 != 0) Fail(e.pos, "CHANGE_LOG does not hold whole entries");
    }
    return numbers;
}

struct ReadRow {
    std::vector<Value> values;
    int state = 0;
    std::size_t pos = 0;
};

ReadRow ReadOneRow(const Element& r, const detail::TableContent& content) {
    if (r.name != "ROW") Fail(r.pos, "expected <ROW>, found <" + r.name + ">");
    if (!r.children.empty()) Fail(r.children.front().pos, "nested data in a row is not supported");
    ReadRow row;
    row.pos = r.pos;
    row.values.assign(content.defs.size(), Value{});
    for (std::size_t a = 0; a < r.attrs.size(); ++a) {
        const auto& [key, value] = r.attrs[a];
        if (key == "RowState") {
            row.state = ToInt(value, r.attr_pos[a], "RowState");
            continue;
        }
        std::size_t f = 0;
        while (f < content.defs.size() && content.defs[f].name != key) ++f;
        if (f == content.defs.size()) {  // names are matched exactly first, then ignoring case
            f = 0;
            while (f < content.defs.size() && !text::equals_ignore_case(content.defs[f].name, key)) ++f;
        }
        if (f == content.defs.size()) Fail(r.attr_pos[a], "row value for unknown field '" + key + "'");
        if (!value.empty() || content.defs[f].type != FieldType::String)
            row.values[f] = ParseValue(value, content.defs[f].type, content.packet_types[f], r.attr_pos[a]);
    }
    return row;
}

void ReadRows(const Element& rowdata, const detail::TableContent& content, std::vector<ReadRow>& rows) {
    rows.reserve(rows.size() + rowdata.children.size());
    for (const Element& r : rowdata.children) rows.push_back(ReadOneRow(r, content));
}

// The rows as they stand after their changes: deleted rows and the originals
// of modified rows go; a modified row takes its original's place. CHANGE_LOG
// entries are (row, original row, state) with rows counted from 1 in ROWDATA
// order and 0 for "no original".
std::vector<std::vector<Value>> ApplyChanges(std::vector<ReadRow> rows, const std::vector<long long>& log,
                                             std::size_t log_pos) {
    const std::size_t n = rows.size();
    std::vector<bool> dropped(n, false);
    std::vector<long long> replaced_by(n, -1);  // original -> its modified row
    std::vector<bool> moved(n, false);
    for (std::size_t i = 0; i < n; ++i)
        if (rows[i].state & (kRowOriginal | kRowDeleted)) dropped[i] = true;
    for (std::size_t k = 0; k + 2 < log.size(); k += 3) {
        const long long row = log[k], orig = log[k + 1], state = log[k + 2];
        if (row < 1 || static_cast<std::size_t>(row) > n || orig < 0 || static_cast<std::size_t>(orig) > n)
            Fail(log_pos, "CHANGE_LOG names a row that is not there");
        if (state & kRowDeleted) dropped[row - 1] = true;
        if ((state & kRowModified) && orig > 0 && orig != row) {
            dropped[orig - 1] = true;
            replaced_by[orig - 1] = row - 1;
            moved[row - 1] = true;
        }
    }
    std::vector<std::vector<Value>> out;
    out.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (replaced_by[i] >= 0 && !dropped[replaced_by[i]]) out.push_back(std::move(rows[replaced_by[i]].values));
        if (!dropped[i] && !moved[i]) out.push_back(std::move(rows[i].values));
    }
    return out;
}

const Element* Child(const Element& e, std::string_view name) {
    for (const Element& c : e.children)
        if (c.name == name) return &c;
    return nullptr;
}

bool IsValidUtf8(std::string_view s) { return text::is_valid_utf8(s); }

// What the reading keeps as it goes: the fields, once METADATA has been read
// (it comes first in every packet the module or the host's platform
// writes), and from then on each row, read into values the moment its
// element ends.
struct StreamedContent {
    detail::TableContent content;
    bool have_fields = false;
    std::vector<ReadRow> rows;

    bool take(const Element& parent, Element& child, int depth) {
        if (depth == 1 && parent.name == "DATAPACKET" && child.name == "METADATA" && !have_fields) {
            if (const Element* fields = Child(child, "FIELDS")) {
                ReadFields(*fields, content);
                have_fields = true;
            }
            return false;  // kept: its change log is read at the end
        }
        if (depth == 2 && parent.name == "ROWDATA" && have_fields) {
            rows.push_back(ReadOneRow(child, content));
            return true;
        }
        return false;
    }
};

}  // namespace

std::string Write(const std::vector<FieldDef>& defs, const std::vector<PacketFieldType>& types,
                  const detail::RowList& rows) {
    std::vector<PacketFieldType> written;
    std::string out(kHeader);
    out += "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>\n";
    for (std::size_t f = 0; f < defs.size(); ++f) {
        written.push_back(TypeToWrite(defs[f], f < types.size() ? types[f] : PacketFieldType{}, rows, f));
        const PacketFieldType& t = written.back();
        out += "<FIELD attrname=\"";
        AppendEscaped(out, defs[f].name);
        out += "\" fieldtype=\"" + t.fieldtype + "\"";
        if (!t.subtype.empty()) {
            out += " SUBTYPE=\"";
            AppendEscaped(out, t.subtype);
            out += "\"";
        }
        if (t.width > 0) out += " WIDTH=\"" + std::to_string(t.width) + "\"";
        out += "/>\n";
    }
    out += "</FIELDS><PARAMS/></METADATA>\n<ROWDATA>";
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const auto& row = rows[k];
        out += "<ROW";
        for (std::size_t f = 0; f < defs.size(); ++f) {
            const Value& v = row->values[f];
            if (detail::IsNull(v)) continue;
            out += ' ';
            AppendEscaped(out, defs[f].name);
            out += "=\"";
            AppendEscaped(out, ValueText(v, written[f]));
            out += '"';
        }
        out += "/>";
    }
    out += "</ROWDATA></DATAPACKET>";
    return out;
}

detail::TableContent Read(std::string_view packet) {
    if (packet.substr(0, kBinarySignature.size()) == kBinarySignature)
        throw EDatabaseError("The data packet is in the binary form, which is not supported; save it as XML");
    if (packet.find_first_not_of(" \t\r\n") == std::string_view::npos) Fail(0, "empty data packet");
    StreamedContent streamed;
    XmlReader reader(packet, !IsValidUtf8(packet), [&streamed](const Element& parent, Element& child, int depth) {
        return streamed.take(parent, child, depth);
    });
    const Element root = reader.ReadDocument();
    if (root.name != "DATAPACKET") Fail(root.pos, "expected <DATAPACKET>, found <" + root.name + ">");
    const Element* metadata = Child(root, "METADATA");
    if (!metadata) Fail(root.pos, "no METADATA");
    const Element* fields = Child(*metadata, "FIELDS");
    if (!fields) Fail(metadata->pos, "no FIELDS");
    detail::TableContent content = std::move(streamed.content);
    if (!streamed.have_fields) ReadFields(*fields, content);
    const Element* rowdata = Child(root, "ROWDATA");
    if (!rowdata) return content;
    const std::vector<long long> log = ChangeLog(*metadata);
    ReadRows(*rowdata, content, streamed.rows);  // rows read before their fields were known
    content.rows = ApplyChanges(std::move(streamed.rows), log, metadata->pos);
    return content;
}

}  // namespace dru::packet
