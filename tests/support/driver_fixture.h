// What the driver's operations run on in a test: a Session over the scripted
// fake line or over the in-process printer simulator, on the virtual clock.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "module/data_module.h"
#include "support/library_loader.h"
#include "module/session.h"
#include "host/format.h"
#include "printer_model.h"
#include "sim_port.h"
#include "support/fake_link.h"
#include "support/sim_session.h"

namespace dru::test {

// A reply to 481 (with its terminator) whose fields are "0" except those given.
inline std::string Counters481(const std::map<int, std::string>& fields, int count = 50) {
    std::string reply;
    for (int i = 0; i < count; ++i) {
        const auto it = fields.find(i);
        reply += (it == fields.end() ? std::string("0") : it->second) + ":";
    }
    return reply + "\r";
}

// The scripted line.
struct FakeSession {
    FakeLink link;
    DataModuleSlot dm{link.format, link.clock};
    Session session{link.ctx, dm, {}};
};

// A printer configuration file's content in the XML data packet form.
inline std::string PrinterConfigPacket(const std::string& port, int type) {
    return "<?xml version=\"1.0\" standalone=\"yes\"?>\n"
           "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
           "<FIELD attrname=\"PORTAFISCAL\" fieldtype=\"string\" WIDTH=\"10\"/>"
           "<FIELD attrname=\"IDTIPOIMPFIS\" fieldtype=\"i4\"/>"
           "</FIELDS><PARAMS/></METADATA><ROWDATA><ROW PORTAFISCAL=\"" +
           port + "\" IDTIPOIMPFIS=\"" + std::to_string(type) + "\"/></ROWDATA></DATAPACKET>";
}

}  // namespace dru::test
