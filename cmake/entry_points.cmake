# The one list of C entry points (src/api/entry_points.def) read at configure
# time: dru_entry_points(<out_var>) gives their names, and
# dru_map_from_entry_points(<template> <map>) writes the version script with
# them (the DLL's export list is made from that map in turn).
set(DRU_ENTRY_POINTS_FILE ${CMAKE_SOURCE_DIR}/src/api/entry_points.def)

function(dru_entry_points out)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${DRU_ENTRY_POINTS_FILE})
  file(STRINGS ${DRU_ENTRY_POINTS_FILE} lines REGEX "^DRU_ENTRY_POINT\\(")
  set(names)
  foreach(line ${lines})
    string(REGEX REPLACE "^DRU_ENTRY_POINT\\(([A-Za-z_0-9]+),.*" "\\1" name "${line}")
    list(APPEND names ${name})
  endforeach()
  if(NOT names)
    message(FATAL_ERROR "${DRU_ENTRY_POINTS_FILE} lists no entry point")
  endif()
  set(${out} ${names} PARENT_SCOPE)
endfunction()

function(dru_map_from_entry_points template map)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${template})
  dru_entry_points(names)
  list(JOIN names ";\n    " DRU_MAP_ENTRY_POINTS)
  set(DRU_MAP_ENTRY_POINTS "    ${DRU_MAP_ENTRY_POINTS};")
  configure_file(${template} ${map} @ONLY)
endfunction()
