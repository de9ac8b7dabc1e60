// The host's payment classes (IDTIPORECE) that change how a sale prints.
#pragma once
#include <string_view>

namespace dru {

// Vouchers: printed on the non-fiscal ticket, not on the boleta.
inline bool IsVoucherClass(std::string_view idTipoRece) { return idTipoRece == "5" || idTipoRece == "7"; }
// Charged to the consumer's balance.
inline bool IsBalanceClass(std::string_view idTipoRece) { return idTipoRece == "9" || idTipoRece == "A"; }

}  // namespace dru
