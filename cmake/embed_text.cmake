# Writes OUTPUT, a C++ file defining `const char* FUNCTION()` that returns
# the text of INPUT (or FALLBACK when INPUT is missing), so a program serves
# a file of the sources without reading it at run time.
#   cmake -DINPUT=... -DOUTPUT=... -DFUNCTION=... [-DFALLBACK=...] -P embed_text.cmake
if(EXISTS "${INPUT}")
  file(READ "${INPUT}" text)
else()
  set(text "${FALLBACK}")
endif()
set(delimiter "dru_embedded")
string(FIND "${text}" ")${delimiter}\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} holds the raw string's end \")${delimiter}\"")
endif()
# A string literal is limited in length on some compilers: the text goes in
# pieces of 8000 characters, concatenated.
string(LENGTH "${text}" length)
set(pieces "")
set(offset 0)
while(offset LESS length)
  string(SUBSTRING "${text}" ${offset} 8000 piece)
  string(APPEND pieces "R\"${delimiter}(${piece})${delimiter}\"\n")
  math(EXPR offset "${offset} + 8000")
endwhile()
if(pieces STREQUAL "")
  set(pieces "\"\"")
endif()
file(WRITE "${OUTPUT}.new" "// Made at build time from ${INPUT}.\nconst char* ${FUNCTION}() {\n    return\n${pieces};\n}\n")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
