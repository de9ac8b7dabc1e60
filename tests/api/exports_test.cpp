// The library as a host loads it: every exported name is found, loading has
// no side effects, and the fixed-answer operations answer and touch nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <functional>

#include "api/export_names.h"
#include "support/library_loader.h"
#include "support/scoped_env.h"
#include "module/module.h"
#include "dru01000.h"
#include "host/clock.h"

namespace dru::test {
namespace {

class ExportsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(folder.path().empty());
        SetEnvironment("DRU_HOST_FOLDER", folder.path().c_str());
        ASSERT_TRUE(lib.loaded()) << lib.error();
    }
    void TearDown() override { SetEnvironment("DRU_HOST_FOLDER", nullptr); }

    DruText* text(const char* value) {
        texts.emplace_back(DRU_LOOKUP(lib, dru_text_new)(value), DRU_LOOKUP(lib, dru_text_free));
        return texts.back().get();
    }
    std::string value(const DruText* t) { return DRU_LOOKUP(lib, dru_text_get)(t); }

    TempFolder folder;
    LoadedLibrary lib;
    std::vector<std::unique_ptr<DruText, decltype(&dru_text_free)>> texts;
};

TEST_F(ExportsTest, EveryExportedNameIsFound) {
    for (const auto& name : AllExportedNames()) EXPECT_NE(lib.symbol(name), nullptr) << name;
}

// Loads the library and reports what went wrong as a number (0: nothing).
int LoadAndLook() {
    TempFolder folder;
    if (folder.path().empty()) return 10;
    SetEnvironment("DRU_HOST_FOLDER", folder.path().c_str());
    const int before = OpenDescriptorCount();
    {
        LoadedLibrary lib;
        if (!lib.loaded()) return 1;
        if (OpenDescriptorCount() != before) return 2;
        if (!folder.entries().empty()) return 3;
    }
    return folder.entries().empty() ? 0 : 4;
}

// In a fresh process (the test re-runs itself), so the load is a real first load.
TEST(ExportsLoadTest, LoadingOpensNothingAndWritesNothing) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::_Exit(LoadAndLook()), ::testing::ExitedWithCode(0), "");
}

TEST_F(ExportsTest, FixedAnswersGiveTheirAnswerAndLeaveOutputsAlone) {
    DruText* out = text("keep");
    DruDataSet* table = DRU_LOOKUP(lib, dru_dataset_new)();
    DruParams* params = DRU_LOOKUP(lib, dru_params_new)();
    DRU_LOOKUP(lib, dru_params_add_text)(params, "CDPORTAIMPFIS", "COM1");
    const char* values[] = {"COM1", "Azul"};

    struct Case {
        const char* name;
        std::function<bool()> call;
        bool answer;
    };
    const std::vector<Case> cases = {
        {"VendaItem", [&] { return DRU_LOOKUP(lib, VendaItem)(params); }, true},
        {"Atu_TotGeral", [&] { return DRU_LOOKUP(lib, Atu_TotGeral)(params); }, true},
        {"DataHoraGravacao...",
         [&] { return DRU_LOOKUP(lib, DataHoraGravacaoUsuarioSWBasicoMFAdicional)("COM1", out, out, out); }, true},
        {"Versao_Software_Basico", [&] { return DRU_LOOKUP(lib, Versao_Software_Basico)("COM1", out); }, true},
        {"Cancela_Cupom_Imp", [&] { return DRU_LOOKUP(lib, Cancela_Cupom_Imp)("COM1", true, true, out, true); },
         false},
        {"Estado_Imp", [&] { return DRU_LOOKUP(lib, Estado_Imp)("COM1", true, false); }, true},
        {"GeraCatGenerica", [&] { return DRU_LOOKUP(lib, GeraCatGenerica)(values, 2, out); }, true},
        {"DadosUltimaRedZ", [&] { return DRU_LOOKUP(lib, DadosUltimaRedZ)(values, 2, out, table); }, false},
        {"NumeroOperacoesNaoFiscais", [&] { return DRU_LOOKUP(lib, NumeroOperacoesNaoFiscais)("COM1", out); },
         true},
        {"ImprimeMesasAbertas", [&] { return DRU_LOOKUP(lib, ImprimeMesasAbertas)("a", "b", "c", "<x/>"); }, true},
        {"RegistroVenda", [&] { return DRU_LOOKUP(lib, RegistroVenda)("a", "b", "c", table, "m"); }, true},
        {"Estado_HorVerao", [&] { return DRU_LOOKUP(lib, Estado_HorVerao)("COM1"); }, true},
        {"Muda_Horario", [&] { return DRU_LOOKUP(lib, Muda_Horario)("COM1"); }, true},
        {"Modelo_Impressora", [&] { return DRU_LOOKUP(lib, Modelo_Impressora)("COM1", out, out, out); }, true},
        {"BuscaTotGer", [&] { return DRU_LOOKUP(lib, BuscaTotGer)("COM1", out); }, true},
        {"Conferencia_Formatada",
         [&] { return DRU_LOOKUP(lib, Conferencia_Formatada)("a", "b", "c", "S", "I", out, "R"); }, true},
        {"Imp_CompVenCred",
         [&] {
             return DRU_LOOKUP(lib, Imp_CompVenCred)("a", "", "", 10.0, "f", "c", "n", "cl", "nc", "s", 1.0, 2.0,
                                                     3.0, "x");
         },
         true},
        // NULL everywhere is the empty text, no table, no array.
        {"Cancela_Cupom_Imp NULL",
         [&] { return DRU_LOOKUP(lib, Cancela_Cupom_Imp)(nullptr, false, false, nullptr, false); }, false},
        {"Modelo_Impressora NULL",
         [&] { return DRU_LOOKUP(lib, Modelo_Impressora)(nullptr, nullptr, nullptr, nullptr); }, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.call(), c.answer) << c.name;
        EXPECT_EQ(value(out), "keep") << c.name;
        EXPECT_STREQ(DRU_LOOKUP(lib, dru_last_error)(), "") << c.name;
    }

    DRU_LOOKUP(lib, CarregaTotalizador)(out, out, out, out, out, "Azul", 30, table);
    DRU_LOOKUP(lib, CarregaAliquota)("COM1", table);
    DRU_LOOKUP(lib, CarregaRelatorioGer)(out, out, out, out, out, out, "Azul", 16);
    DRU_LOOKUP(lib, GravaDocumentosNaoFiscais)("a", "b", "c", "1", "2");
    EXPECT_EQ(value(out), "keep");
    EXPECT_EQ(DRU_LOOKUP(lib, dru_params_count)(params), 1);
    EXPECT_EQ(DRU_LOOKUP(lib, dru_dataset_record_count)(table), 0);
    // Neither the log nor anything else appeared in the host folder.
    EXPECT_TRUE(folder.entries().empty());

    DRU_LOOKUP(lib, dru_params_free)(params);
    DRU_LOOKUP(lib, dru_dataset_free)(table);
}

TEST_F(ExportsTest, TextAnswersAreFixed) {
    DruText* result = text("");
    for (const int type : {0, 16, 30, -1}) {
        DRU_LOOKUP(lib, Codigo_Nacional_ECF)(type, "Azul", result);
        EXPECT_EQ(value(result), "000000") << type;
    }
    DRU_LOOKUP(lib, Estado_Gaveta_Imp)("COM1", result);
    EXPECT_EQ(value(result), "00");
    // A host that passes no result gets the bad-argument error, no crash.
    DRU_LOOKUP(lib, Codigo_Nacional_ECF)(16, nullptr, nullptr);
    EXPECT_STREQ(DRU_LOOKUP(lib, dru_last_error)(), "Codigo_Nacional_ECF: result is NULL");
    DRU_LOOKUP(lib, Estado_Gaveta_Imp)(nullptr, nullptr);
    EXPECT_EQ(DRU_LOOKUP(lib, dru_last_error_code)(), DRU_ERR_BAD_ARGUMENT);
}

TEST_F(ExportsTest, DadosUltimaRedZLeavesPacketAndTableAlone) {
    DruDataSet* table = DRU_LOOKUP(lib, dru_dataset_new)();
    ASSERT_TRUE(DRU_LOOKUP(lib, dru_dataset_add_field)(table, "NRECFREDZ", DRU_FT_STRING, 4));
    ASSERT_TRUE(DRU_LOOKUP(lib, dru_dataset_create)(table));
    ASSERT_TRUE(DRU_LOOKUP(lib, dru_dataset_append)(table));
    ASSERT_TRUE(DRU_LOOKUP(lib, dru_dataset_set_text)(table, "NRECFREDZ", "0007"));
    ASSERT_TRUE(DRU_LOOKUP(lib, dru_dataset_post)(table));
    DruText* packet = text("<DATAPACKET/>");

    EXPECT_FALSE(DRU_LOOKUP(lib, DadosUltimaRedZ)(nullptr, 0, packet, table));

    EXPECT_EQ(value(packet), "<DATAPACKET/>");
    EXPECT_EQ(DRU_LOOKUP(lib, dru_dataset_record_count)(table), 1);
    DRU_LOOKUP(lib, dru_dataset_first)(table);
    EXPECT_STREQ(DRU_LOOKUP(lib, dru_dataset_get_text)(table, "NRECFREDZ"), "0007");
    DRU_LOOKUP(lib, dru_dataset_free)(table);
}

TEST_F(ExportsTest, DataMoviFiscalIsTodayAtMidnight) {
    const double before = std::floor(RealClock().now());
    const double date = DRU_LOOKUP(lib, DataMoviFiscal)("COM1");
    const double after = std::floor(RealClock().now());
    EXPECT_EQ(date, std::floor(date));
    EXPECT_TRUE(date == before || date == after) << date;
}

// In a fresh process: the fixed answers and the settings (all but a message
// text) leave the data module uncreated; a message text creates it.
TEST(ExportsLoadTest, OnlyWhatNeedsTheDataModuleCreatesIt) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            DruText* out = dru_text_new("x");
            Cancela_Cupom_Imp("COM1", false, false, out, false);
            Codigo_Nacional_ECF(16, "", out);
            DataMoviFiscal("");
            dru_set_host_folder("/tmp");
            dru_set_port_device("COM2", "/dev/null");
            dru_set_format_settings(nullptr);
            dru_set_message_handler(nullptr, nullptr);
            dru_text_free(out);
            auto& slot = ModuleState::get().data_module();
            if (slot.exists()) std::_Exit(1);
            dru_set_message("msgPadrao", "Korvane", "www.example.cl  +56 2 2345 6789");
            if (!slot.exists()) std::_Exit(2);
            std::_Exit(slot.get().msgPadrao.Msg("korvane") == "www.example.cl  +56 2 2345 6789" ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(ExportsTest, SettingsRefuseWhatTheyCannotUse) {
    auto last_error = DRU_LOOKUP(lib, dru_last_error);
    DRU_LOOKUP(lib, dru_set_message)("msgPadrao3", "Datadif", "x");
    EXPECT_NE(std::string(last_error()).find("msgPadrao3"), std::string::npos);
    DRU_LOOKUP(lib, dru_set_port_device)("COM13", "/dev/ttyUSB0");
    EXPECT_NE(std::string(last_error()).find("COM13"), std::string::npos);
    DruFormatSettings fs{',', '.', '-', ':', "dd-MM-yyyy", "h:mm:ss", "$", 7, 9};
    DRU_LOOKUP(lib, dru_set_format_settings)(&fs);
    EXPECT_NE(std::string(last_error()).find("currency_format"), std::string::npos);
    // The next entry point starts with a clean record.
    DRU_LOOKUP(lib, Estado_Imp)(nullptr, false, false);
    EXPECT_STREQ(last_error(), "");
}

}  // namespace
}  // namespace dru::test
