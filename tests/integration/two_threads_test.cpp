// Two host threads calling at once, through the C contract against the
// printer simulator on a pseudo-terminal: the module serialises the calls, so
// both reach the printer (unserialised, the second would find the port held
// and send nothing), the debug log keeps each exchange's lines together, and
// a call from inside the dialog handler goes straight in.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "dru01000.h"
#include "printer_model.h"
#include "support/pty_host.h"

namespace dru::test {
namespace {

constexpr const char* kPort = "COM9";

class TwoThreads : public PtyHost {
  protected:
    TwoThreads() : PtyHost(kPort) {}

    // The messages of the debug log, without the date and time in front.
    std::vector<std::string> LogMessages() const {
        std::vector<std::string> messages;
        std::ifstream in(folder.file("ANALISA_ERRO.txt"), std::ios::binary);
        for (std::string line; std::getline(in, line);) {
            const auto sep = line.find(" - ");
            messages.push_back(line.substr(sep == std::string::npos ? 0 : sep + 3));
            if (!messages.back().empty() && messages.back().back() == '\r')
                messages.back().pop_back();
        }
        return messages;
    }
};

// Both threads wait here until the other is ready, then call at once.
class StartLine {
  public:
    void arrive() {
        ++arrived_;
        while (arrived_ < 2) std::this_thread::yield();
    }

  private:
    std::atomic<int> arrived_{0};
};

TEST_F(TwoThreads, TwoCallsAtOnceRunOneAfterTheOther) {
    DruText* number = dru_text_new("");
    bool drawer = false;
    StartLine start;
    std::thread counters([&] {
        start.arrive();
        Nr_Cupom(kPort, "Azul", number);
    });
    std::thread open_drawer([&] {
        start.arrive();
        drawer = Abre_Gaveta_Imp(kPort, "Azul", false);
    });
    counters.join();
    open_drawer.join();

    EXPECT_EQ(std::string(dru_text_get(number)), "0000001000");
    EXPECT_TRUE(drawer);
    const auto frames = inspect([](sim::PrinterModel& m) { return m.frames(); });
    EXPECT_EQ(std::count(frames.begin(), frames.end(), "481"), 1)
        << "the counters were never asked";
    EXPECT_EQ(std::count(frames.begin(), frames.end(), "34255255"), 1)
        << "the drawer command never arrived";
    // Each exchange logs what it sent and what came back, one after the
    // other: the two calls did not overlap.
    const auto log = LogMessages();
    ASSERT_EQ(log.size(), 4u) << ::testing::PrintToString(log);
    for (std::size_t i = 0; i < log.size(); i += 2) {
        EXPECT_EQ(log[i].rfind("Comando Enviado Generico", 0), 0u) << log[i];
        EXPECT_EQ(log[i + 1].rfind("Retorno : ", 0), 0u) << log[i + 1];
        const bool counters_first = log[i].find("481") != std::string::npos;
        EXPECT_EQ(log[i + 1] == "Retorno : 1", !counters_first)
            << log[i] << " answered by " << log[i + 1];
    }
    dru_text_free(number);
}

// The operator dialog runs inside the call that asks; a handler that calls
// the library from there does not wait for itself.
TEST_F(TwoThreads, TheDialogHandlerMayCallBackIn) {
    struct Seen {
        int questions = 0;
        bool fixed_answer = false;
        int rows = -1;
        DruDataSet* table = nullptr;
    } seen;
    seen.table = dru_dataset_new();
    dru_dataset_add_field(seen.table, "CDPRODUTO", DRU_FT_STRING, 20);
    dru_dataset_add_field(seen.table, "NMPRODUTO", DRU_FT_STRING, 40);
    dru_dataset_add_field(seen.table, "QTPRODVEND", DRU_FT_FLOAT, 0);
    dru_dataset_add_field(seen.table, "VRTOTAL", DRU_FT_FLOAT, 0);
    dru_dataset_create(seen.table);
    dru_dataset_append(seen.table);
    dru_dataset_set_text(seen.table, "CDPRODUTO", "1");
    dru_dataset_post(seen.table);
    dru_set_message_handler(
        [](void* user, const char*, const char*, const char*, const char* question, int32_t,
           const char*, const char*, int32_t, const DruDataSet*) {
            auto& s = *static_cast<Seen*>(user);
            if (std::string(question) != "S") return false;
            ++s.questions;
            s.fixed_answer = Estado_Imp(nullptr, false, false);  // an entry point, from inside one
            s.rows = dru_dataset_record_count(s.table);
            return false;  // no report
        },
        &seen);

    bool control = false;
    Relatorio_Produto(kPort, "", "", "", "", nullptr, seen.table, "S", "", "Azul", &control);
    dru_set_message_handler(nullptr, nullptr);

    EXPECT_EQ(seen.questions, 1);
    EXPECT_TRUE(seen.fixed_answer);
    EXPECT_EQ(seen.rows, 1);
    EXPECT_TRUE(inspect([](sim::PrinterModel& m) { return m.frames(); }).empty());
    dru_dataset_free(seen.table);
}

}  // namespace
}  // namespace dru::test
