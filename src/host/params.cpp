#include "host/params.h"

#include "host/text.h"

namespace dru {

std::string RecebeParams(const TParams& params, std::string_view name) {
    for (const Param& p : params.pairs())
        if (text::equals_ignore_case(p.name, name)) return p.value;
    return {};
}

}  // namespace dru
