// The texts the C readers return (dru_text_get, dru_params_name,
// dru_params_text, dru_dataset_get_text, dru_last_error): each is a copy kept
// for the calling thread, so it stays valid whatever another thread does to
// the handle meanwhile, until this thread reads the same thing of the same
// handle again or frees the handle.
#pragma once
#include <cstdint>
#include <string>

namespace dru {

enum class Reader { Text, ParamName, ParamText, TableText, LastError };

// Keeps `value` for this thread under (handle, reader, index) and returns it.
const char* ReaderText(const void* handle, Reader reader, std::int32_t index, std::string value);

// Drops this thread's copies of `handle`'s texts (the handle is being freed).
void ForgetReaderTexts(const void* handle);

}  // namespace dru
