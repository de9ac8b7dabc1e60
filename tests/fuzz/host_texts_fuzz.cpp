// Regional settings and host texts of any bytes and length: the settings go
// through dru_set_format_settings as a host hands them in; when they are
// accepted, a cash supply and a sale's items are framed under them with the
// input's texts as product names. Every frame written must stay one frame:
// the frame bytes at its two ends only, and short enough to leave within the
// write time-out at the printer's speed.
#include <cstring>
#include <vector>

#include "documents/cash_supply.h"
#include "dru01000.h"
#include "fuzz/fuzz_targets.h"
#include "link/commands.h"
#include "module/module.h"
#include "receipt/item_registration.h"
#include "support/fake_link.h"
#include "host/text.h"

namespace dru::fuzz {

namespace {

// Bytes the printer takes within the write time-out: 10 bits a byte.
constexpr std::size_t kBytesWithinWriteTimeout = kBaudRate / 10 * kWriteTotalTimeoutMs / 1000;

// The input's rest cut at NUL bytes into texts; missing ones are empty.
std::vector<std::string> Texts(std::string_view rest, std::size_t count) {
    std::vector<std::string> out;
    while (out.size() < count) {
        const auto nul = rest.find('\0');
        out.emplace_back(rest.substr(0, nul));
        rest = nul == std::string_view::npos ? std::string_view{} : rest.substr(nul + 1);
    }
    return out;
}

void CheckFrames(const std::vector<std::string>& frames) {
    for (const std::string& f : frames) {
        if (f.size() < 2 || f.front() != '\x87' || f.back() != '\x88') Finding("a frame without its frame bytes");
        if (f.find_first_of("\x87\x88", 1) != f.size() - 1) Finding("a frame byte inside a frame");
        if (f.size() > kBytesWithinWriteTimeout) Finding("a frame too long to leave within the write time-out");
    }
}

}  // namespace

int host_texts(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kHead = 6;  // four separators, two format numbers
    if (size < kHead) return 0;
    const auto texts = Texts(Bytes(data + kHead, size - kHead), 4);
    const DruFormatSettings in{static_cast<char>(data[0]), static_cast<char>(data[1]), static_cast<char>(data[2]),
                               static_cast<char>(data[3]), texts[0].c_str(), "hh:nn:ss", texts[1].c_str(),
                               data[4] % 5, data[5] % 17};
    dru_set_format_settings(&in);
    const bool accepted = dru_last_error_code() == DRU_ERR_NONE;
    test::FakeLink link;
    link.format = ModuleState::get().format();
    dru_set_format_settings(nullptr);
    if (!accepted) return 0;
    try {
        Suprimento(link.ctx, "COM1", "Azul", static_cast<double>(data[4]) * 1e6 + data[5], true);
        TClientDataSet items;
        for (const char* field : {"QTPRODCOMVEN", "VRPRECCOMVEN", "VRDESCCOMVEN"})
            items.AddFieldDef(field, FieldType::Float);
        items.AddFieldDef("CDARVPROD", FieldType::String, 20);
        items.AddFieldDef("NMPRODUTO", FieldType::String, 1 << 20);  // a host's table of any width
        items.CreateDataSet();
        for (const std::string& name : {texts[2], texts[3]}) {
            items.Append();
            items.FieldByName("QTPRODCOMVEN").SetAsFloat(1);
            items.FieldByName("VRPRECCOMVEN").SetAsFloat(1000);
            items.FieldByName("VRDESCCOMVEN").SetAsFloat(0);
            items.FieldByName("CDARVPROD").SetAsString(text::from_host(name.substr(0, 20)));
            items.FieldByName("NMPRODUTO").SetAsString(text::from_host(name));
            items.Post();
        }
        Venda_Item(link.ctx, "COM1", items, 0, "16");
    } catch (const std::exception& e) {
        ExpectModuleError(e);
    }
    CheckFrames(link.ports.frames());
    return 0;
}

}  // namespace dru::fuzz
