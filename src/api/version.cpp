// The library's version text. The build passes it in from the one version
// it also gives the shared library's file name and SONAME.
#include "dru01000.h"

#ifndef DRU_VERSION_TEXT
#error "the build defines DRU_VERSION_TEXT (the project version)"
#endif

extern "C" DRU_API const char* DRU_CALL dru_version(void) { return DRU_VERSION_TEXT; }
