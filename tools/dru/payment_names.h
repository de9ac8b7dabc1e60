// Why a payment type got no printer code: the printer's list of payment
// forms (its reply to command 432) set against the host's names, as the
// driver matches them (a name found in a line of the list, letter case
// aside, for the types shown as payment buttons; the others share the code
// of a coded type of their class; without a list, fixed codes by class).
#pragma once
#include <string>
#include <vector>

#include "json_input.h"

namespace dru::cli {

// The form names of the printer's list ("EFECTIVO", "TARJETA CREDITO", ...),
// without their numbers; empty when the reply holds no list.
std::vector<std::string> PaymentFormNames(const std::string& reply);

// A name for comparing spellings: upper case, accents taken off ("CRÉDITO"
// and "credito" both give "CREDITO").
std::string Folded(const std::string& utf8);

struct PaymentCodeReport {
    std::vector<std::string> lines;  // one per type, for a person
    Json uncoded = Json::array();    // {"CDTIPORECE", "NMTIPORECE", "why"} per type without a code
};

// `rows`: the payment types after the call (layouts::Rows); `reply`: the list.
PaymentCodeReport ExplainPaymentCodes(const Json& rows, const std::string& reply);

}  // namespace dru::cli
