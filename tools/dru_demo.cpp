// Demonstration of the driver's C interface, as a host program would use it.
// Each part is one function, so further demonstrations (day operations
// against the printer simulator) can be added beside the table one.
//
//   dru_demo            runs every part
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "dru01000.h"

namespace {

// ---- Helpers -------------------------------------------------------------------------

bool Check(bool ok, const char* what) {
    if (!ok) std::printf("  %s failed: %s\n", what, dru_last_error());
    return ok;
}

struct PaymentType {
    const char* code;
    const char* name;
    const char* payment_class;  // IDTIPORECE
    const char* button;         // IDTPBUTTON
};

const PaymentType kPaymentTypes[] = {
    {"001", "EFECTIVO", "4", "5"},       {"002", "CHEQUE", "3", "5"},        {"003", "TARJETA CRÉDITO", "1", "5"},
    {"004", "TARJETA DÉBITO", "2", "5"}, {"005", "VALE ALIMENTACION", "5", "1"}, {"006", "CUENTA CONSUMIDOR", "9", "3"},
};

// Blanks up to `width` characters (UTF-8 continuation bytes do not count).
std::string Pad(std::string s, std::size_t width) {
    std::size_t chars = 0;
    for (unsigned char c : s) chars += (c & 0xC0) != 0x80;
    if (chars < width) s.append(width - chars, ' ');
    return s;
}

void PrintTable(DruDataSet* ds, const char* title) {
    const char* fields[] = {"CDTIPORECE", "NMTIPORECE", "IDTIPORECE", "IDTPBUTTON", "CDFPIMPFIS"};
    const std::size_t widths[] = {11, 21, 11, 11, 10};
    std::printf("%s (%d rows)\n ", title, dru_dataset_record_count(ds));
    for (int i = 0; i < 5; ++i) std::printf(" %s", Pad(fields[i], widths[i]).c_str());
    std::printf("\n");
    for (dru_dataset_first(ds); !dru_dataset_eof(ds); dru_dataset_next(ds)) {
        std::printf(" ");
        for (int i = 0; i < 5; ++i) {
            const std::string value = dru_dataset_is_null(ds, fields[i]) ? "(null)" : dru_dataset_get_text(ds, fields[i]);
            std::printf(" %s", Pad(value, widths[i]).c_str());
        }
        std::printf("\n");
    }
}

// ---- Tables ----------------------------------------------------------------------------

// A payment-type table with the fields the payment operations read.
DruDataSet* BuildPaymentTypes() {
    DruDataSet* ds = dru_dataset_new();
    const bool made = dru_dataset_add_field(ds, "CDTIPORECE", DRU_FT_STRING, 3) &&
                      dru_dataset_add_field(ds, "NMTIPORECE", DRU_FT_STRING, 40) &&
                      dru_dataset_add_field(ds, "IDTIPORECE", DRU_FT_STRING, 1) &&
                      dru_dataset_add_field(ds, "IDTPBUTTON", DRU_FT_STRING, 1) &&
                      dru_dataset_add_field(ds, "CDFPIMPFIS", DRU_FT_STRING, 10) &&
                      dru_dataset_add_field(ds, "VRTAXAADMI", DRU_FT_FLOAT, 0) && dru_dataset_create(ds);
    if (!Check(made, "creating the table")) return ds;
    for (const PaymentType& p : kPaymentTypes) {
        Check(dru_dataset_append(ds) && dru_dataset_set_text(ds, "CDTIPORECE", p.code) &&
                  dru_dataset_set_text(ds, "NMTIPORECE", p.name) &&
                  dru_dataset_set_text(ds, "IDTIPORECE", p.payment_class) &&
                  dru_dataset_set_text(ds, "IDTPBUTTON", p.button) && dru_dataset_set_number(ds, "VRTAXAADMI", 0) &&
                  dru_dataset_post(ds),
              "adding a row");
    }
    return ds;
}

// Builds the table, filters it, writes it as a packet and to a file, reads both back.
bool DemoTables() {
    std::printf("== Tables\n");
    DruDataSet* ds = BuildPaymentTypes();
    PrintTable(ds, "Payment types");

    bool ok = Check(dru_dataset_set_filter(ds, "IDTPBUTTON = '5'", true), "filter");
    PrintTable(ds, "Filtered by IDTPBUTTON = '5'");
    ok = Check(dru_dataset_set_filter(ds, "", false), "filter off") && ok;

    DruText* packet = dru_text_new(nullptr);
    ok = Check(dru_dataset_get_data(ds, packet), "writing the packet") && ok;
    std::printf("Data packet:\n%s\n", dru_text_get(packet));
    DruDataSet* copy = dru_dataset_new();
    ok = Check(dru_dataset_set_data(copy, dru_text_get(packet)), "reading the packet") && ok;
    PrintTable(copy, "Read back from the packet");

    const std::string path = "/tmp/dru_demo_" + std::to_string(getpid()) + ".cds";
    DruDataSet* loaded = dru_dataset_new();
    ok = Check(dru_dataset_save_to_file(ds, path.c_str()), "saving") &&
         Check(dru_dataset_load_from_file(loaded, path.c_str()), "loading") && ok;
    std::printf("Saved to and loaded from %s: %d rows\n", path.c_str(), dru_dataset_record_count(loaded));
    std::remove(path.c_str());

    std::printf("A malformed packet is refused: %s\n",
                dru_dataset_set_data(loaded, "<DATAPACKET><METADATA>") ? "(accepted!)" : dru_last_error());
    std::printf("and the table keeps its %d rows\n", dru_dataset_record_count(loaded));

    dru_dataset_free(loaded);
    dru_dataset_free(copy);
    dru_text_free(packet);
    dru_dataset_free(ds);
    return ok;
}

}  // namespace

int main() {
    bool ok = DemoTables();
    std::printf("\n%s\n", ok ? "demo finished" : "demo finished with errors");
    return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
