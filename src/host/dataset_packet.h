// The XML data packet of the in-memory table (DATAPACKET / METADATA / FIELDS /
// ROWDATA): the form of table files and of packets handed over as text.
// Values are written independently of the regional settings: numbers with
// "." and no grouping, booleans TRUE/FALSE, dates yyyymmdd, date-times
// yyyymmddThh:nn:ss and three digits of milliseconds, a null field left out.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/dataset_value.h"

namespace dru::packet {

// The first bytes of a packet in the binary form, which is not read here.
inline constexpr std::string_view kBinarySignature = "\x96\x19\xE0\xBD";

std::string Write(const std::vector<FieldDef>& defs, const std::vector<detail::PacketFieldType>& types,
                  const detail::RowList& rows);

// Reads a whole packet. RowState and the CHANGE_LOG are applied: deleted rows
// and the originals of modified rows are dropped, a modified row takes the
// place of its original. Raises EDatabaseError naming the byte offset of the
// fault (or saying that the binary form is not supported).
detail::TableContent Read(std::string_view packet);

}  // namespace dru::packet
