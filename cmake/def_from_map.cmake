# The DLL's export list, made from the Linux version script so the two lists
# cannot drift: dru_def_from_map(<map> <header> <def>) writes a module
# definition file naming every plain C name of the map's global part. A
# pattern there ("dru_*") stands for the entry points the public header
# declares (DRU_API ... DRU_CALL name) that match it. The map's C++ part is
# left out: the DLL exports the C interface alone. The build configures
# again when the map or the header changes.
function(dru_def_from_map map header def)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${map} ${header})
  file(READ ${map} text)
  string(REGEX REPLACE "/\\*([^*]|\\*+[^*/])*\\*+/" "" text "${text}")
  string(REGEX REPLACE "extern \"C\\+\\+\"[^}]*}[ \t\r\n]*;" "" text "${text}")
  string(REGEX MATCH "global:(.*)local:" global "${text}")
  set(global "${CMAKE_MATCH_1}")
  string(REGEX MATCHALL "[A-Za-z_0-9*]+" patterns "${global}")

  file(READ ${header} declarations)
  string(REGEX MATCHALL "DRU_CALL [A-Za-z_0-9]+\\(" declared "${declarations}")
  list(TRANSFORM declared REPLACE "DRU_CALL ([A-Za-z_0-9]+)\\(" "\\1")

  set(names)
  foreach(pattern ${patterns})
    if(pattern MATCHES "\\*")
      string(REPLACE "*" ".*" regex "^${pattern}$")
      set(matched ${declared})
      list(FILTER matched INCLUDE REGEX "${regex}")
      if(NOT matched)
        message(FATAL_ERROR "${map}: ${pattern} matches no entry point of ${header}")
      endif()
      list(APPEND names ${matched})
    else()
      list(APPEND names ${pattern})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES names)
  list(JOIN names "\n  " lines)
  file(CONFIGURE OUTPUT ${def} CONTENT "LIBRARY dru01000.dll\nEXPORTS\n  ${lines}\n" @ONLY)
endfunction()
