// Table files in a folder whose name is not ASCII, and a table saved over
// the file of an earlier save: what a Windows host does ("C:\Usuários\Caixa
// 1", a table saved every day; the C library's rename refuses that there).
#include "host/file_system.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "host/dataset.h"
#include "host/errors.h"
#include "support/temp_folder.h"

namespace dru {
namespace {

constexpr const char* kPacket =
    "<?xml version=\"1.0\" standalone=\"yes\"?>\n"
    "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
    "<FIELD attrname=\"PORTAFISCAL\" fieldtype=\"string\" WIDTH=\"10\"/>"
    "</FIELDS><PARAMS/></METADATA><ROWDATA><ROW PORTAFISCAL=\"COM1\"/></ROWDATA></DATAPACKET>";

std::string Slurp(const std::string& utf8_path) {
    std::ifstream in(PathFromUtf8(utf8_path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class NonAsciiFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(temp.path().empty());
        ASSERT_TRUE(std::filesystem::create_directory(PathFromUtf8(folder)));
    }
    test::TempFolder temp;
    const std::string folder = temp.file("Usu\u00e1rios \u00d1o\u00f1o \u20ac");
};

TEST_F(NonAsciiFolder, TablesSaveLoadAndReplaceTheirFile) {
    const std::string path = folder + "/Configura\u00e7\u00e3o.cds";
    TClientDataSet ds;
    ds.SetDataPacket(kPacket);
    ds.SaveToFile(path);
    ds.Edit();
    ds.FieldByName("PORTAFISCAL").SetAsString("COM2");
    ds.Post();
    ds.SaveToFile(path);  // over the file of the first save

    TClientDataSet back;
    back.LoadFromFile(path);
    EXPECT_EQ(back.FieldByName("PORTAFISCAL").AsString(), "COM2");
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(PathFromUtf8(folder)))
        names.push_back(test::Utf8Path(e.path().filename()));
    EXPECT_EQ(names,
              std::vector<std::string>{"Configura\u00e7\u00e3o.cds"});  // no temporary file left
}

TEST(MoveOverFile, ReplacesTheTargetOrSaysWhyNot) {
    test::TempFolder temp;
    std::ofstream(PathFromUtf8(temp.file("new"))) << "new";
    std::ofstream(PathFromUtf8(temp.file("old"))) << "old";
    std::string reason;
    ASSERT_TRUE(MoveOverFile(temp.file("new"), temp.file("old"), reason)) << reason;
    EXPECT_EQ(Slurp(temp.file("old")), "new");
    EXPECT_EQ(temp.entries(), std::vector<std::string>{"old"});

    EXPECT_FALSE(MoveOverFile(temp.file("missing"), temp.file("old"), reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(Slurp(temp.file("old")), "new");
}

}  // namespace
}  // namespace dru
