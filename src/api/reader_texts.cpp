#include "api/reader_texts.h"

#include <map>
#include <tuple>

namespace dru {

namespace {

using Key = std::tuple<const void*, Reader, std::int32_t>;

std::map<Key, std::string>& ThreadTexts() {
    thread_local std::map<Key, std::string> texts;
    return texts;
}

}  // namespace

const char* ReaderText(const void* handle, Reader reader, std::int32_t index, std::string value) {
    std::string& kept = ThreadTexts()[Key{handle, reader, index}];
    kept.swap(value);
    return kept.c_str();
}

void ForgetReaderTexts(const void* handle) {
    auto& texts = ThreadTexts();
    texts.erase(texts.lower_bound(Key{handle, Reader::Text, INT32_MIN}),
                texts.upper_bound(Key{handle, Reader::LastError, INT32_MAX}));
}

}  // namespace dru
