// `dru contract [NAME] [--template] [--markdown]`: an entry point's input
// contract - its arguments, named parameters, tables (each field's type,
// size, whether it is needed and what its codes mean) and outputs - with a
// complete template of dru's input file. The contracts are the ones dru's
// input files are checked against (documents.cpp, day.cpp, layouts.cpp);
// docs/input-contract.md is `dru contract --markdown`, so the page and the
// checks cannot drift apart.
#include "contract.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <ostream>
#include <sstream>

namespace dru::cli {

namespace {

std::string KindText(FieldKind kind, int size) {
    switch (kind) {
        case FieldKind::Integer:
            return "whole number";
        case FieldKind::Float:
            return "number";
        case FieldKind::DateTime:
            return "date";
        default:
            return size > 0 ? "text(" + std::to_string(size) + ")" : "text";
    }
}

std::string MemberKind(const Member& m) {
    switch (m.type) {
        case Member::Type::Number:
            return "number";
        case Member::Type::Flag:
            return "flag";
        case Member::Type::Table:
            return "table";
        case Member::Type::Params:
            return "named parameters";
        default:
            return "text";
    }
}

bool Reads(const Member& m, const Field& f) {
    return std::find(m.reads.begin(), m.reads.end(), f.name) != m.reads.end();
}

// A table's fields in the contract: those the call reads, else (a table
// copied whole) every field of the layout.
std::vector<Field> ContractFields(const Member& m) {
    std::vector<Field> fields;
    for (const Field& f : m.layout)
        if (m.reads.empty() || Reads(m, f) || f.required) fields.push_back(f);
    return fields;
}

Json TemplateValue(FieldKind kind) {
    switch (kind) {
        case FieldKind::Integer:
        case FieldKind::Float:
            return 0;
        case FieldKind::DateTime:
            return "2026-01-01";
        default:
            return "";
    }
}

// What a row's need is called: needed in every row, or null allowed.
const char* Need(const Field& f) {
    return f.required ? "required" : "may be null";
}

std::string Capitalised(std::string s) {
    if (!s.empty()) s[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
    return s;
}

// The summary without the entry point's name, which the contract shows first.
std::string Summary(const InputFile& c) {
    const std::string tail = " (" + c.entry + ")";
    return c.summary.ends_with(tail) ? c.summary.substr(0, c.summary.size() - tail.size())
                                     : c.summary;
}

}  // namespace

std::vector<InputFile> Contracts() {
    std::vector<InputFile> all = DayContracts();
    for (InputFile& c : DocumentContracts()) all.push_back(std::move(c));
    return all;
}

const InputFile* FindContract(const std::vector<InputFile>& contracts, const std::string& name) {
    for (const InputFile& c : contracts)
        if (c.subcommand == name || Upper(c.entry) == Upper(name)) return &c;
    return nullptr;
}

Json Template(const InputFile& contract) {
    Json t = Json::object();
    for (const Member& m : contract.schema) {
        switch (m.type) {
            case Member::Type::Params: {
                Json params = Json::object();
                for (const Field& f : m.layout)
                    if (std::find(m.set_by_dru.begin(), m.set_by_dru.end(), f.name) ==
                        m.set_by_dru.end())
                        params[f.name] = TemplateValue(f.kind);
                t[m.name] = params;
                break;
            }
            case Member::Type::Table: {
                Json row = Json::object();
                for (const Field& f : ContractFields(m)) row[f.name] = TemplateValue(f.kind);
                t[m.name] = Json::array({row});
                break;
            }
            case Member::Type::Number:
                t[m.name] = 0;
                break;
            case Member::Type::Flag:
                t[m.name] = false;
                break;
            default:
                t[m.name] = "";
        }
    }
    return t;
}

std::string ContractText(const InputFile& c) {
    std::ostringstream out;
    out << c.entry << " (dru " << c.subcommand << (c.takes_file ? " FILE" : "") << "): " << Summary(c)
        << "\n";
    auto row = [&out](const std::string& indent, const std::string& name, const std::string& kind,
                      const std::string& need, const std::string& meaning) {
        char head[96];
        std::snprintf(head, sizeof head, "%s%-16s %-16s %-12s ", indent.c_str(), name.c_str(),
                      kind.c_str(), need.c_str());
        out << head << meaning << "\n";
    };
    out << "\nArguments:\n";
    for (const Member& m : c.schema)
        row("  ", m.name, MemberKind(m), m.required ? "required" : "optional", m.meaning);
    for (const Member& m : c.schema) {
        if (m.type == Member::Type::Params) {
            out << "\nNamed parameters of " << m.name << " (names in any letter case; a missing "
                << "name reads \"\"):\n";
            for (const Field& f : m.layout)
                row("  ", f.name, KindText(f.kind, 0),
                    f.meaning.starts_with("written") ? "written" : "read", f.meaning);
        } else if (m.type == Member::Type::Table) {
            out << "\nTable " << m.name << " (" << (m.required ? "required" : "optional") << "): "
                << m.meaning << "\n";
            if (m.reads.empty())
                out << "  copied whole; the fields dru's file takes:\n";
            else
                out << "  a host's table must have every field below; the call reads them:\n";
            for (const Field& f : ContractFields(m))
                row("  ", f.name, KindText(f.kind, f.size), Need(f), f.meaning);
        }
    }
    out << "\nOutputs:\n";
    for (const Field& f : c.outputs) row("  ", f.name, "", "", f.meaning);
    if (c.takes_file)
        out << "\nTemplate of dru's input file (dru contract " << c.subcommand
            << " --template > FILE):\n"
            << Template(c).dump(2) << "\n";
    else
        out << "\ndru takes these arguments from its options and the command line.\n";
    return out.str();
}

std::string ReferencePage() {
    std::ostringstream out;
    out << "# Input contract of the entry points\n\n"
        << "Generated by `dru contract --markdown` from the layouts dru checks its input files "
           "against; do not edit by hand (`tests/tools` fails when this page and the layouts "
           "differ; `DRU_UPDATE_DOCS=1` rewrites it). `dru contract NAME` prints one entry "
           "point's contract with a template of its input file.\n\n"
        << "A table is a `TClientDataSet` made with `dru_dataset_*`: it must have every field "
           "listed for it (a missing field is the table error naming it), a field marked "
           "\"required\" must hold a value in every row, and a null number reads 0. Named "
           "parameters are pairs added with `dru_params_add_text`/`_number`.\n\n";
    const std::vector<InputFile> contracts = Contracts();
    for (const InputFile& c : contracts)
        out << "- [`" << c.entry << "`](#" << Upper(c.entry) << ") (`dru " << c.subcommand
            << "`)\n";
    for (const InputFile& c : contracts) {
        out << "\n<a id=\"" << Upper(c.entry) << "\"></a>\n## " << c.entry << "\n\n"
            << Capitalised(Summary(c)) << ". `dru " << c.subcommand << (c.takes_file ? " FILE" : "")
            << "`.\n\n| Argument | Kind | Need | Meaning |\n|---|---|---|---|\n";
        for (const Member& m : c.schema)
            out << "| `" << m.name << "` | " << MemberKind(m) << " | "
                << (m.required ? "required" : "optional") << " | " << m.meaning << " |\n";
        for (const Member& m : c.schema) {
            if (m.type == Member::Type::Params) {
                out << "\nNamed parameters of `" << m.name
                    << "`:\n\n| Name | Kind | Read or written | Meaning |\n|---|---|---|---|\n";
                for (const Field& f : m.layout)
                    out << "| `" << f.name << "` | " << KindText(f.kind, 0) << " | "
                        << (f.meaning.starts_with("written") ? "written" : "read") << " | "
                        << f.meaning << " |\n";
            } else if (m.type == Member::Type::Table) {
                out << "\nTable `" << m.name << "` (" << (m.required ? "required" : "optional")
                    << "): " << m.meaning
                    << (m.reads.empty() ? " (copied whole)" : "")
                    << ".\n\n| Field | Type | Need | Meaning |\n|---|---|---|---|\n";
                for (const Field& f : ContractFields(m))
                    out << "| `" << f.name << "` | " << KindText(f.kind, f.size) << " | "
                        << Need(f) << " | " << f.meaning << " |\n";
            }
        }
        out << "\nOutputs:\n\n";
        for (const Field& f : c.outputs) out << "- `" << f.name << "`: " << f.meaning << "\n";
    }
    return out.str();
}

void AddContractCommand(CLI::App& app, Program& program) {
    auto name = std::make_shared<std::string>();
    auto only_template = std::make_shared<bool>(false);
    auto markdown = std::make_shared<bool>(false);
    CLI::App* sub = app.add_subcommand(
        "contract",
        "an entry point's input contract: arguments, named parameters, tables, outputs, and a "
        "template of its input file");
    sub->add_option("NAME", *name, "a subcommand (sale) or an entry point (ImpressaoVenda)");
    sub->add_flag("--template", *only_template, "print only the template input file");
    sub->add_flag("--markdown", *markdown, "print the reference page of every entry point");
    sub->footer(Example("dru contract sale --template > my_sale.json"));
    sub->callback([&program, name, only_template, markdown] {
        program.action = [&program, name, only_template, markdown] {
            std::ostream& out = program.console.out;
            if (*markdown) {
                out << ReferencePage();
                return static_cast<int>(kDone);
            }
            const std::vector<InputFile> contracts = Contracts();
            if (name->empty()) {
                for (const InputFile& c : contracts)
                    out << c.subcommand << "  " << c.entry << ": " << Summary(c) << "\n";
                return static_cast<int>(kDone);
            }
            const InputFile* c = FindContract(contracts, *name);
            if (!c) throw UsageError("no entry point or subcommand \"" + *name + "\"");
            if (!*only_template)
                out << ContractText(*c);
            else if (c->takes_file)
                out << Template(*c).dump(2) << "\n";
            else
                throw UsageError(c->subcommand + " takes no input file");
            return static_cast<int>(kDone);
        };
    });
}

}  // namespace dru::cli
