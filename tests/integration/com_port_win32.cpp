// The DLL on a real COM port, as a Windows till drives it: dru01000.dll
// loaded with LoadLibrary, its entry points found by name, COM1 opened as
// \\.\COM1. Under Wine, scripts/wine_com_port.sh maps COM1 to printer_sim's
// pseudo-terminal and sets DRU_WINE_COM1; without it the test is skipped.
// The day operations and one sale, each answer checked.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>
#include <utility>

#include "dru01000.h"
#include "support/library_loader.h"
#include "support/temp_folder.h"

namespace dru::test {
namespace {

constexpr const char* kPort = "COM1";
constexpr const char* kScheme = "Azul";
constexpr std::size_t kReceiptDigits = 10;

// The entry points the till calls, found by name in the loaded DLL.
struct Entries {
    explicit Entries(const LoadedLibrary& lib)
        : text_new(DRU_LOOKUP(lib, dru_text_new)),
          text_get(DRU_LOOKUP(lib, dru_text_get)),
          text_free(DRU_LOOKUP(lib, dru_text_free)),
          params_new(DRU_LOOKUP(lib, dru_params_new)),
          params_add_text(DRU_LOOKUP(lib, dru_params_add_text)),
          params_free(DRU_LOOKUP(lib, dru_params_free)),
          dataset_new(DRU_LOOKUP(lib, dru_dataset_new)),
          dataset_free(DRU_LOOKUP(lib, dru_dataset_free)),
          add_field(DRU_LOOKUP(lib, dru_dataset_add_field)),
          create(DRU_LOOKUP(lib, dru_dataset_create)),
          append(DRU_LOOKUP(lib, dru_dataset_append)),
          post(DRU_LOOKUP(lib, dru_dataset_post)),
          set_text(DRU_LOOKUP(lib, dru_dataset_set_text)),
          set_number(DRU_LOOKUP(lib, dru_dataset_set_number)),
          set_host_folder(DRU_LOOKUP(lib, dru_set_host_folder)),
          last_error(DRU_LOOKUP(lib, dru_last_error)),
          last_error_code(DRU_LOOKUP(lib, dru_last_error_code)),
          set_message_handler(DRU_LOOKUP(lib, dru_set_message_handler)),
          drawer(DRU_LOOKUP(lib, Abre_Gaveta_Imp)),
          x_reading(DRU_LOOKUP(lib, Leitura_X_Imp)),
          z_reduction(DRU_LOOKUP(lib, Reducao_Z_Imp)),
          receipt_number(DRU_LOOKUP(lib, Nr_Cupom)),
          sale(DRU_LOOKUP(lib, ImpressaoVenda)) {}

    decltype(&dru_text_new) text_new;
    decltype(&dru_text_get) text_get;
    decltype(&dru_text_free) text_free;
    decltype(&dru_params_new) params_new;
    decltype(&dru_params_add_text) params_add_text;
    decltype(&dru_params_free) params_free;
    decltype(&dru_dataset_new) dataset_new;
    decltype(&dru_dataset_free) dataset_free;
    decltype(&dru_dataset_add_field) add_field;
    decltype(&dru_dataset_create) create;
    decltype(&dru_dataset_append) append;
    decltype(&dru_dataset_post) post;
    decltype(&dru_dataset_set_text) set_text;
    decltype(&dru_dataset_set_number) set_number;
    decltype(&dru_set_host_folder) set_host_folder;
    decltype(&dru_last_error) last_error;
    decltype(&dru_last_error_code) last_error_code;
    decltype(&dru_set_message_handler) set_message_handler;
    decltype(&Abre_Gaveta_Imp) drawer;
    decltype(&Leitura_X_Imp) x_reading;
    decltype(&Reducao_Z_Imp) z_reduction;
    decltype(&Nr_Cupom) receipt_number;
    decltype(&ImpressaoVenda) sale;
};

// The operator's answers: every notice is counted, every question is "no"
// (the handler has the DLL's calling convention).
bool DRU_CALL CountAndSayNo(void* user, const char*, const char*, const char*, const char*, int32_t,
                            const char*, const char*, int32_t, const DruDataSet*) {
    ++*static_cast<int*>(user);
    return false;
}

std::string Padded(long n) {
    const std::string digits = std::to_string(n);
    return std::string(kReceiptDigits - digits.size(), '0') + digits;
}

class ComPortUnderWine : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* mapped = std::getenv("DRU_WINE_COM1");
        if (!mapped || !*mapped)
            GTEST_SKIP() << "COM1 is not mapped to printer_sim (run scripts/wine_com_port.sh)";
        ASSERT_TRUE(lib.loaded()) << lib.error();
        dll.set_host_folder(folder.path().c_str());
        dll.set_message_handler(CountAndSayNo, &messages);
    }
    void TearDown() override {
        if (!lib.loaded()) return;
        dll.set_message_handler(nullptr, nullptr);
        dll.set_host_folder(nullptr);
    }

    std::string ReceiptNumber() {
        DruText* out = dll.text_new(nullptr);
        dll.receipt_number(kPort, kScheme, out);
        std::string number = dll.text_get(out);
        dll.text_free(out);
        return number;
    }

    // Two coffees and a cake, 6000 in cash, 1000 back.
    std::string Sell() {
        DruDataSet* vendas = dll.dataset_new();
        dll.add_field(vendas, "IDTPIMPOSFIS", DRU_FT_STRING, 1);
        for (const char* f :
             {"QTPRODCOMVEN", "VRPRECCOMVEN", "VRACRCOMANDA", "VRDESCCOMVEN", "VRTXSERVICO"})
            dll.add_field(vendas, f, DRU_FT_FLOAT, 0);
        dll.add_field(vendas, "CDARVPROD", DRU_FT_STRING, 20);
        dll.add_field(vendas, "NMPRODUTO", DRU_FT_STRING, 40);
        dll.add_field(vendas, "NMOPERADOR", DRU_FT_STRING, 30);
        dll.add_field(vendas, "CDLOJA", DRU_FT_STRING, 4);
        dll.create(vendas);
        for (const auto& [qty, price, name] :
             {std::tuple{2.0, 1500.0, "CAFE"}, {1.0, 2000.0, "TORTA"}}) {
            dll.append(vendas);
            dll.set_text(vendas, "IDTPIMPOSFIS", "T");
            dll.set_number(vendas, "QTPRODCOMVEN", qty);
            dll.set_number(vendas, "VRPRECCOMVEN", price);
            for (const char* f : {"VRACRCOMANDA", "VRDESCCOMVEN", "VRTXSERVICO"})
                dll.set_number(vendas, f, 0);
            dll.set_text(vendas, "CDARVPROD", "78");
            dll.set_text(vendas, "NMPRODUTO", name);
            dll.set_text(vendas, "NMOPERADOR", "MARIA");
            dll.set_text(vendas, "CDLOJA", "1");
            dll.post(vendas);
        }
        DruDataSet* movi = dll.dataset_new();
        for (const char* f : {"IDTIPOMOVIVE", "IDTIPORECE"})
            dll.add_field(movi, f, DRU_FT_STRING, 1);
        dll.add_field(movi, "CDTIPORECE", DRU_FT_STRING, 3);
        dll.add_field(movi, "VRMOVIVEND", DRU_FT_FLOAT, 0);
        dll.add_field(movi, "CDFPIMPFIS", DRU_FT_STRING, 10);
        dll.add_field(movi, "DSIMPFISCAL", DRU_FT_STRING, 50);
        dll.create(movi);
        for (const auto& [type, amount] : {std::pair{"E", 6000.0}, {"S", 1000.0}}) {
            dll.append(movi);
            dll.set_text(movi, "IDTIPOMOVIVE", type);
            dll.set_text(movi, "IDTIPORECE", "4");
            dll.set_text(movi, "CDTIPORECE", "001");
            dll.set_number(movi, "VRMOVIVEND", amount);
            dll.set_text(movi, "CDFPIMPFIS", "01");
            dll.set_text(movi, "DSIMPFISCAL", "EFECTIVO");
            dll.post(movi);
        }
        DruDataSet* receb = dll.dataset_new();
        dll.add_field(receb, "CDTIPORECE", DRU_FT_STRING, 3);
        dll.create(receb);
        DruParams* params = dll.params_new();
        for (const auto& [name, value] : {std::pair{"ESQUEMACOR", kScheme},
                                          {"SENHACUPOM", "4821"},
                                          {"TIPOVENDA", "3"},
                                          {"DSOBSCUPFIS", "Gracias por su visita"},
                                          {"CDPORTAIMPFIS", kPort},
                                          {"IDTIPOIMPFIS", "16"}})
            dll.params_add_text(params, name, value);
        DruText* result = dll.text_new(nullptr);
        dll.sale(params, vendas, movi, receb, nullptr, nullptr, nullptr, nullptr, "0", result);
        std::string number = dll.text_get(result);
        dll.text_free(result);
        dll.params_free(params);
        for (DruDataSet* ds : {vendas, movi, receb}) dll.dataset_free(ds);
        return number;
    }

    LoadedLibrary lib;
    Entries dll{lib};
    TempFolder folder;
    int messages = 0;
};

TEST_F(ComPortUnderWine, TheDayAndOneSaleThroughTheDll) {
    EXPECT_TRUE(dll.drawer(kPort, kScheme, false)) << dll.last_error();
    EXPECT_TRUE(dll.x_reading(kPort, kScheme, "")) << dll.last_error();

    const std::string before = ReceiptNumber();
    ASSERT_EQ(before.size(), kReceiptDigits)
        << "no receipt number read on " << kPort << ": " << dll.last_error();
    const std::string sold = Sell();
    EXPECT_EQ(dll.last_error_code(), DRU_ERR_NONE) << dll.last_error();
    EXPECT_EQ(sold, Padded(std::stol(before) + 1));
    EXPECT_EQ(ReceiptNumber(), sold);

    EXPECT_TRUE(dll.z_reduction(kPort, kScheme, "")) << dll.last_error();
    EXPECT_EQ(messages, 0) << "the printer reported an error";
}

}  // namespace
}  // namespace dru::test
