// The XML data packet reader. A packet that reads must write out and read
// back to the same packet: what the module hands a host (dru_dataset_get_data)
// is always a packet it reads itself.
#include "fuzz/fuzz_targets.h"
#include "host/dataset.h"
#include "host/errors.h"

namespace dru::fuzz {

int packet_reader(const std::uint8_t* data, std::size_t size) {
    TClientDataSet table;
    try {
        table.SetDataPacket(Bytes(data, size));
    } catch (const std::exception& e) {
        ExpectModuleError(e);
        return 0;
    }
    std::string written;
    try {
        written = table.GetDataPacket();
        TClientDataSet again;
        again.SetDataPacket(written);
        if (again.GetDataPacket() != written)
            Finding("a packet the module wrote reads back different");
    } catch (const std::exception& e) {
        Finding(std::string("a packet the module wrote does not read back: ") + e.what());
    }
    return 0;
}

}  // namespace dru::fuzz
