/* A host that prints one sale through the installed driver and reads back
 * the receipt number and the outcome of the call.
 *
 *   sale [DEVICE]     DEVICE: the printer's serial device, or printer_sim's
 *                     pseudo-terminal (its first line); default COM1
 *
 * Every field below is one the sale reads: `dru contract sale` (or
 * docs/input-contract.md) gives each with its meaning. */
#include <stdio.h>
#include <string.h>

#include <dru01000.h>

/* The tables as the driver reads them: every field listed must exist. */
static DruDataSet* new_table(const char* const* names, const int32_t* types, int count) {
    DruDataSet* ds = dru_dataset_new();
    for (int i = 0; i < count; ++i) dru_dataset_add_field(ds, names[i], types[i], types[i] == DRU_FT_STRING ? 40 : 0);
    dru_dataset_create(ds);
    return ds;
}

/* One item: quantity × price; surcharge, discount and service charge 0. */
static void add_item(DruDataSet* items, const char* code, const char* name, double quantity, double price) {
    dru_dataset_append(items);
    dru_dataset_set_text(items, "IDTPIMPOSFIS", "T"); /* taxed ("I": exempt) */
    dru_dataset_set_number(items, "QTPRODCOMVEN", quantity);
    dru_dataset_set_number(items, "VRPRECCOMVEN", price);
    dru_dataset_set_number(items, "VRACRCOMANDA", 0);
    dru_dataset_set_number(items, "VRDESCCOMVEN", 0);
    dru_dataset_set_number(items, "VRTXSERVICO", 0);
    dru_dataset_set_text(items, "CDARVPROD", code);
    dru_dataset_set_text(items, "NMPRODUTO", name);
    dru_dataset_set_text(items, "NMOPERADOR", "MARIA");
    dru_dataset_set_text(items, "CDLOJA", "1");
    dru_dataset_post(items);
}

/* One payment movement: "E" received, "S" change given back. */
static void add_movement(DruDataSet* movements, const char* kind, double amount) {
    dru_dataset_append(movements);
    dru_dataset_set_text(movements, "IDTIPOMOVIVE", kind);
    dru_dataset_set_text(movements, "IDTIPORECE", "4"); /* an ordinary payment class */
    dru_dataset_set_text(movements, "CDTIPORECE", "001");
    dru_dataset_set_number(movements, "VRMOVIVEND", amount);
    dru_dataset_set_text(movements, "CDFPIMPFIS", "01"); /* the printer's cash form */
    dru_dataset_set_text(movements, "DSIMPFISCAL", "EFECTIVO");
    dru_dataset_post(movements);
}

int main(int argc, char** argv) {
    /* The printer on COM1: a device given here takes COM1's place. */
    if (argc > 1) dru_set_port_device("COM1", argv[1]);

    DruParams* params = dru_params_new();
    dru_params_add_text(params, "CDPORTAIMPFIS", "COM1");
    dru_params_add_text(params, "IDTIPOIMPFIS", "16");
    dru_params_add_text(params, "ESQUEMACOR", "Azul");
    dru_params_add_text(params, "SENHACUPOM", "4821");
    dru_params_add_text(params, "TIPOVENDA", "3"); /* no consumer lines */
    dru_params_add_text(params, "DSOBSCUPFIS", "Gracias por su visita");

    static const char* const item_fields[] = {"IDTPIMPOSFIS", "QTPRODCOMVEN", "VRPRECCOMVEN", "VRACRCOMANDA",
                                              "VRDESCCOMVEN", "VRTXSERVICO",  "CDARVPROD",    "NMPRODUTO",
                                              "NMOPERADOR",   "CDLOJA"};
    static const int32_t item_types[] = {DRU_FT_STRING, DRU_FT_FLOAT,  DRU_FT_FLOAT,  DRU_FT_FLOAT,  DRU_FT_FLOAT,
                                         DRU_FT_FLOAT,  DRU_FT_STRING, DRU_FT_STRING, DRU_FT_STRING, DRU_FT_STRING};
    DruDataSet* items = new_table(item_fields, item_types, 10);
    add_item(items, "78", "CAFE EXPRESO", 2, 1500);
    add_item(items, "79", "TORTA DE MANZANA", 1, 2000);

    static const char* const movement_fields[] = {"IDTIPOMOVIVE", "IDTIPORECE", "CDTIPORECE",
                                                  "VRMOVIVEND",   "CDFPIMPFIS", "DSIMPFISCAL"};
    static const int32_t movement_types[] = {DRU_FT_STRING, DRU_FT_STRING, DRU_FT_STRING,
                                             DRU_FT_FLOAT,  DRU_FT_STRING, DRU_FT_STRING};
    DruDataSet* movements = new_table(movement_fields, movement_types, 6);
    add_movement(movements, "E", 6000); /* 6000 paid for 5000 ... */
    add_movement(movements, "S", 1000); /* ... and 1000 given back */

    /* The payment types are searched for a voucher's code only. */
    static const char* const type_fields[] = {"CDTIPORECE"};
    static const int32_t type_types[] = {DRU_FT_STRING};
    DruDataSet* types = new_table(type_fields, type_types, 1);

    /* The receipt counter as it stands: a sale's number is returned only when
     * the driver saw the counter move to it. A till does this once a day (the
     * start-up and the date check read it too); the driver keeps it since. */
    DruText* number = dru_text_new("");
    Nr_Cupom("COM1", "Azul", number);

    ImpressaoVenda(params, items, movements, types, NULL, NULL, NULL, NULL, "0", number);

    /* The outcome: the verdict says what happened on paper; the last error
     * why the call failed, when it did. */
    DruText* detail = dru_text_new("");
    const int32_t verdict = dru_last_verdict(detail);
    int status = 0;
    if (verdict == DRU_VERDICT_CONFIRMED && dru_text_get(number)[0] != '\0') {
        printf("receipt %s\n", dru_text_get(number));
    } else if (verdict == DRU_VERDICT_NOT_SENT) {
        printf("not sent: %s %s\n", dru_text_get(detail), dru_last_error());
        status = 2;
    } else {
        /* Refused or unconfirmed: check the paper before printing it again. */
        printf("not confirmed (verdict %d): %s\n", (int)verdict, dru_text_get(detail));
        status = 1;
    }
    dru_text_free(detail);

    dru_text_free(number);
    dru_dataset_free(types);
    dru_dataset_free(movements);
    dru_dataset_free(items);
    dru_params_free(params);
    return status;
}
