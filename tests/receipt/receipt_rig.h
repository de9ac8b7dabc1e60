// What the receipt tests run on: the scripted line with the data module's own
// message texts, and builders for the host's items and movements tables.
#pragma once
#include <string>
#include <vector>

#include "host/dataset.h"
#include "module/data_module.h"
#include "support/fake_link.h"
#include "support/golden.h"

namespace dru::test {

struct ReceiptLink : FakeLink {
    ReceiptLink() {
        messages.padrao = TdtmImpressoraIBM::DefaultMsgPadrao();
        messages.padrao2 = TdtmImpressoraIBM::DefaultMsgPadrao2();
    }
};

struct ItemRow {
    double qty;
    double price;
    double discount;
    std::string code;
    std::string name;
};

// `name_size`: the product name field's size (a host's packet may give any).
inline void MakeItems(TClientDataSet& ds, const std::vector<ItemRow>& rows, int name_size = 40) {
    ds.AddFieldDef("QTPRODCOMVEN", FieldType::Float);
    ds.AddFieldDef("VRPRECCOMVEN", FieldType::Float);
    ds.AddFieldDef("VRDESCCOMVEN", FieldType::Float);
    ds.AddFieldDef("VRACRCOMANDA", FieldType::Float);
    ds.AddFieldDef("CDARVPROD", FieldType::String, 20);
    ds.AddFieldDef("NMPRODUTO", FieldType::String, name_size);
    ds.CreateDataSet();
    for (const ItemRow& r : rows) {
        ds.Append();
        ds.FieldByName("QTPRODCOMVEN").SetAsFloat(r.qty);
        ds.FieldByName("VRPRECCOMVEN").SetAsFloat(r.price);
        ds.FieldByName("VRDESCCOMVEN").SetAsFloat(r.discount);
        ds.FieldByName("VRACRCOMANDA").SetAsFloat(0);
        ds.FieldByName("CDARVPROD").SetAsString(r.code);
        ds.FieldByName("NMPRODUTO").SetAsString(r.name);
        ds.Post();
    }
}

struct PaymentRow {
    double amount;
    std::string code;
};

inline void MakePayments(TClientDataSet& ds, const std::vector<PaymentRow>& rows) {
    ds.AddFieldDef("IDTIPOMOVIVE", FieldType::String, 1);
    ds.AddFieldDef("VRMOVIVEND", FieldType::Float);
    ds.AddFieldDef("CDFPIMPFIS", FieldType::String, 10);
    ds.CreateDataSet();
    for (const PaymentRow& r : rows) {
        ds.Append();
        ds.FieldByName("IDTIPOMOVIVE").SetAsString("E");
        ds.FieldByName("VRMOVIVEND").SetAsFloat(r.amount);
        ds.FieldByName("CDFPIMPFIS").SetAsString(r.code);
        ds.Post();
    }
}

}  // namespace dru::test
