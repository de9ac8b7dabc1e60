#include "payment_names.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace dru::cli {

namespace {

constexpr const char* kListHeader = "TOTALES POR FORMA DE PAGO";
constexpr const char* kDashLine = "-----";
// The printer spends three lines on each form: its name first.
constexpr std::size_t kLinesPerForm = 3;
// Only payment types shown as this kind of button are looked up in the list.
constexpr const char* kPaymentButton = "5";

std::string Trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// The Latin-1 letter of a two-byte UTF-8 sequence, without its accent.
char Unaccented(unsigned char lead, unsigned char next) {
    const unsigned code = ((lead & 0x1Fu) << 6) | (next & 0x3Fu);
    static const char* kBase =  // U+00C0 ... U+00FF
        "AAAAAAACEEEEIIII"
        "DNOOOOOxOUUUUYTs"
        "aaaaaaaceeeeiiii"
        "dnooooo/ouuuuyty";
    return code >= 0xC0 && code <= 0xFF ? kBase[code - 0xC0] : '?';
}

// Columns of the table a person reads.
constexpr std::size_t kCodeWidth = 4;
constexpr std::size_t kNameWidth = 22;

// Blanks up to `width` characters (UTF-8 continuation bytes do not count).
std::string Padded(std::string s, std::size_t width) {
    const auto chars = static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
    if (chars < width) s.append(width - chars, ' ');
    return s;
}

std::string FieldText(const Json& row, const char* name) {
    return row.contains(name) ? row[name].get<std::string>() : "";
}

}  // namespace

std::string Folded(const std::string& utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size())
            out += Unaccented(c, static_cast<unsigned char>(utf8[++i]));
        else
            out += static_cast<char>(c);
    }
    return Upper(out);
}

std::vector<std::string> PaymentFormNames(const std::string& reply) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= reply.size()) {
        const std::size_t end = reply.find_first_of("\r\n", start);
        lines.push_back(
            reply.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    const auto header = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
        return Upper(Trimmed(l)) == kListHeader;
    });
    std::vector<std::string> names;
    if (header == lines.end()) return names;
    std::size_t in_group = 0;
    for (auto it = header + 1; it != lines.end(); ++it) {
        if (Trimmed(*it).starts_with(kDashLine)) break;
        if (in_group++ % kLinesPerForm != 0) continue;
        std::string name = Trimmed(*it);
        // "01 EFECTIVO": the form's number, then its name.
        const auto blank = name.find(' ');
        if (blank != std::string::npos &&
            std::all_of(name.begin(), name.begin() + static_cast<long>(blank), ::isdigit))
            name = Trimmed(name.substr(blank + 1));
        names.push_back(name);
    }
    return names;
}

namespace {

std::string Why(const Json& row, const std::vector<std::string>& forms) {
    const std::string name = FieldText(row, "NMTIPORECE"), klass = FieldText(row, "IDTIPORECE");
    const std::string class_text =
        klass.empty() ? "it has no class (IDTIPORECE)" : "class " + klass;
    if (forms.empty())
        return "the printer gave no list of payment forms, and the fixed codes by class give none "
               "to " +
               class_text;
    if (FieldText(row, "IDTPBUTTON") != kPaymentButton)
        return std::string("only payment buttons (IDTPBUTTON \"") + kPaymentButton +
               "\") are looked up in the printer's list, and no coded type shares " + class_text;
    if (name.empty()) return "it has no name (NMTIPORECE) to look up in the printer's list";
    for (const std::string& form : forms)
        if (Folded(form) == Folded(name) || Folded(form).find(Folded(name)) != std::string::npos)
            return "the printer's list spells it \"" + form + "\"";
    std::string list;
    for (const std::string& form : forms) list += (list.empty() ? "" : ", ") + form;
    return "no line of the printer's list holds \"" + name + "\" (its forms: " + list + ")";
}

}  // namespace

PaymentCodeReport ExplainPaymentCodes(const Json& rows, const std::string& reply) {
    PaymentCodeReport out;
    const std::vector<std::string> forms = PaymentFormNames(reply);
    for (const Json& row : rows) {
        const std::string code = FieldText(row, "CDFPIMPFIS");
        const std::string head = "  " + Padded(FieldText(row, "CDTIPORECE"), kCodeWidth) + " " +
                                 Padded(FieldText(row, "NMTIPORECE"), kNameWidth) + " -> ";
        if (!code.empty()) {
            out.lines.push_back(head + code);
            continue;
        }
        const std::string why = Why(row, forms);
        out.lines.push_back(head + "no code: " + why);
        out.uncoded.push_back({{"CDTIPORECE", FieldText(row, "CDTIPORECE")},
                               {"NMTIPORECE", FieldText(row, "NMTIPORECE")},
                               {"why", why}});
    }
    return out;
}

}  // namespace dru::cli
