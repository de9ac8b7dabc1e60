// What the document tests run on: the scripted line with the data module's
// own message texts, and builders for the host's items and movements tables.
#pragma once
#include <string>
#include <vector>

#include "host/dataset.h"
#include "host/format.h"
#include "module/data_module.h"
#include "support/fake_link.h"
#include "support/golden.h"

namespace dru::test {

struct DocumentLink : FakeLink {
    DocumentLink() {
        messages.padrao = TdtmImpressoraIBM::DefaultMsgPadrao();
        messages.padrao2 = TdtmImpressoraIBM::DefaultMsgPadrao2();
        clock.set_now(EncodeDate(2026, 12, 8) +
                      EncodeTime(9, 5, 7, 0));  // a one-digit hour shows the time formats
    }
    // The frames written, as text, with their U+0087 ... U+0088 taken off.
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        for (const std::string& f : ports.frames_text()) out.push_back(f.substr(2, f.size() - 4));
        return out;
    }
};

struct SaleItem {
    double qty;
    double price;
    double discount;
    std::string name;
};

inline void MakeSaleItems(TClientDataSet& ds, const std::vector<SaleItem>& rows) {
    ds.AddFieldDef("QTPRODCOMVEN", FieldType::Float);
    ds.AddFieldDef("VRPRECCOMVEN", FieldType::Float);
    ds.AddFieldDef("VRDESCCOMVEN", FieldType::Float);
    ds.AddFieldDef("NMPRODUTO", FieldType::String, 40);
    ds.CreateDataSet();
    for (const SaleItem& r : rows) {
        ds.Append();
        ds.FieldByName("QTPRODCOMVEN").SetAsFloat(r.qty);
        ds.FieldByName("VRPRECCOMVEN").SetAsFloat(r.price);
        ds.FieldByName("VRDESCCOMVEN").SetAsFloat(r.discount);
        ds.FieldByName("NMPRODUTO").SetAsString(r.name);
        ds.Post();
    }
}

struct Movement {
    std::string classe;  // IDTIPORECE
    std::string description;
    double amount;
};

inline void MakeMovements(TClientDataSet& ds, const std::vector<Movement>& rows) {
    ds.AddFieldDef("IDTIPORECE", FieldType::String, 1);
    ds.AddFieldDef("DSIMPFISCAL", FieldType::String, 40);
    ds.AddFieldDef("VRMOVIVEND", FieldType::Float);
    ds.CreateDataSet();
    for (const Movement& r : rows) {
        ds.Append();
        ds.FieldByName("IDTIPORECE").SetAsString(r.classe);
        ds.FieldByName("DSIMPFISCAL").SetAsString(r.description);
        ds.FieldByName("VRMOVIVEND").SetAsFloat(r.amount);
        ds.Post();
    }
}

}  // namespace dru::test
