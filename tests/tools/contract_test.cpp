// The input contracts: the reference page is what `dru contract --markdown`
// makes of the layouts, each template passes dru's own check, and every
// file of examples/ holds every field its call reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "contract.h"
#include "dru_rig.h"

namespace dru::test {
namespace {

using cli::Json;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(Contract, TheReferencePageIsWhatTheLayoutsMakeOfIt) {
    const std::string path = std::string(DRU_DOCS_DIR) + "/input-contract.md";
    const std::string made = cli::ReferencePage();
    if (std::getenv("DRU_UPDATE_DOCS")) std::ofstream(path, std::ios::binary) << made;
    EXPECT_EQ(ReadFile(path), made)
        << "regenerate with DRU_UPDATE_DOCS=1 ctest --test-dir build -R Contract, then review it";
}

TEST(Contract, EveryTemplatePassesTheCheckOfItsInputFile) {
    for (const cli::InputFile& c : cli::Contracts()) {
        if (!c.takes_file) continue;
        const std::string text = cli::Template(c).dump();
        EXPECT_NO_THROW(cli::Input::Parse(text, c.subcommand, c.schema)) << c.subcommand;
        // The page names every field the template holds.
        const std::string shown = cli::ContractText(c);
        const Json made = cli::Template(c);
        for (const auto& [member, value] : made.items()) {
            EXPECT_NE(shown.find(member), std::string::npos) << c.subcommand << " " << member;
            if (value.is_array()) {
                for (const auto& [field, unused] : value[0].items()) {
                    EXPECT_NE(shown.find("  " + field + " "), std::string::npos) << field;
                }
            }
        }
    }
}

// A member of an example file is complete when it holds what the call reads.
void ExpectComplete(const cli::Member& m, const Json& value, const std::string& where) {
    if (m.type == cli::Member::Type::Params) {
        for (const cli::Field& f : m.layout) {
            if (std::find(m.set_by_dru.begin(), m.set_by_dru.end(), f.name) == m.set_by_dru.end()) {
                EXPECT_TRUE(value.contains(f.name)) << where << " lacks " << f.name;
            }
        }
    } else if (m.type == cli::Member::Type::Table) {
        for (const Json& row : value) {
            for (const std::string& f : m.reads) {
                EXPECT_TRUE(row.contains(f)) << where << " has a row without " << f;
            }
        }
    }
}

TEST(Contract, EveryExampleHoldsEveryFieldItsCallReads) {
    std::vector<cli::InputFile> files = cli::DocumentInputFiles();
    for (cli::InputFile& f : cli::DayInputFiles()) files.push_back(std::move(f));
    int checked = 0;
    for (const cli::InputFile& file : files) {
        std::string name = file.subcommand;
        std::replace(name.begin(), name.end(), '-', '_');
        const std::string path = std::string(DRU_EXAMPLES_DIR) + "/" + name + ".json";
        if (!std::filesystem::exists(path)) continue;  // day-totals reads payment_types.json
        ++checked;
        const Json doc = Json::parse(ReadFile(path));
        for (const cli::Member& m : file.schema) {
            const bool table = m.type == cli::Member::Type::Table;
            if (!doc.contains(m.name)) {
                // Optional tables the example's sale never reaches may be left out.
                EXPECT_TRUE(table && !m.required) << path << " lacks " << m.name;
                continue;
            }
            ExpectComplete(m, doc[m.name], path + ": " + m.name);
        }
    }
    EXPECT_EQ(checked, 6);
}

// dru's table of entry points is the library's list of those that drive the printer.
TEST(Contract, DruHasAContractForEveryEntryPointThatDrivesThePrinter) {
    std::vector<std::string> listed, contracts;
#define DRU_ENTRY_POINT(name, group) \
    if (std::string(group) == "driver") listed.push_back(#name);
#include "api/entry_points.def"
#undef DRU_ENTRY_POINT
    for (const cli::InputFile& c : cli::Contracts()) contracts.push_back(c.entry);
    std::sort(listed.begin(), listed.end());
    std::sort(contracts.begin(), contracts.end());
    EXPECT_EQ(contracts, listed);
}

class ContractCommand : public DruRig {};

TEST_F(ContractCommand, PrintsAnEntryPointsFieldsWithTheirNeedAndATemplate) {
    const DruRun sale = Dru({"contract", "sale"});
    ASSERT_EQ(sale.code, 0) << sale.err;
    for (const char* shown :
         {"ImpressaoVenda (dru sale FILE)", "Named parameters of Params", "TIPOVENDA",
          "VRACRCOMANDA     number           may be null", "\"S\" change given back",
          "\"5\" and \"7\" vouchers", "Template of dru's input file"})
        EXPECT_NE(sale.out.find(shown), std::string::npos) << shown << "\n" << sale.out;
    // By the entry point's name, in any letter case, the same template.
    EXPECT_EQ(Dru({"contract", "impressaovenda", "--template"}).out,
              Dru({"contract", "sale", "--template"}).out);
    EXPECT_EQ(Dru({"contract", "frobnicate"}).code, 2);
    EXPECT_EQ(Dru({"contract", "drawer", "--template"}).code, 2) << "no input file";
}

TEST_F(ContractCommand, ATemplateFilledInPrintsASale) {
    Json sale = Json::parse(Dru({"contract", "sale", "--template"}).out);
    for (const char* table : {"cdsRecebimento", "cdsSaldCred", "cdsFamiliaSaldo", "cdsEmprestimo"})
        sale.erase(table);
    sale["cdsVendas"][0].update(
        {{"IDTPIMPOSFIS", "T"}, {"QTPRODCOMVEN", 1}, {"VRPRECCOMVEN", 1500}, {"CDARVPROD", "78"},
         {"NMPRODUTO", "CAFE"}});
    sale["cdsMovi"][0].update({{"IDTIPOMOVIVE", "E"}, {"VRMOVIVEND", 1500}, {"CDFPIMPFIS", "01"}});
    const Json j = Preview({"sale", File("sale.json", sale.dump())});
    EXPECT_EQ(j["receipt_number"], "0000001002") << j.dump(2);
}

}  // namespace
}  // namespace dru::test
