# ov_layer(NAME OUTPUT_NAME DEPS...): one shared library per folder under src/.
# Sources are every .cpp below the folder (excluding a `tools` subfolder), so
# adding a file needs no CMake edit. Layers are shared so that the host, the
# runtime package and the design package see one copy of each global
# (class registry, registrations, application object).
function(ov_layer name output)
  cmake_parse_arguments(ARG "" "" "DEPS;PRIVATE_DEPS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(pattern IN LISTS ARG_EXCLUDE)
    list(FILTER srcs EXCLUDE REGEX "${pattern}")
  endforeach()
  add_library(${name} SHARED ${srcs})
  set_target_properties(${name} PROPERTIES OUTPUT_NAME ${output})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()
