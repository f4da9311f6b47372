# ov_layer(NAME OUTPUT_NAME DEPS...): one shared library per folder under src/.
# Sources are every .cpp below the folder (excluding a `tools` subfolder), so
# adding a file needs no CMake edit. Layers are shared so that the host, the
# runtime package and the design package see one copy of each global
# (class registry, registrations, application object).
#
# HIDDEN: a module that others reach only through its entry points (the design
# package). Its code is compiled once, with hidden visibility, into the object
# library NAME_objects; the shared library is made of those objects and
# exports only what is marked OV_EXPORT (rtl/Export.hpp). Its tests and
# benchmarks link NAME_objects to reach its internals.
function(ov_layer name output)
  cmake_parse_arguments(ARG "HIDDEN" "" "DEPS;PRIVATE_DEPS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(pattern IN LISTS ARG_EXCLUDE)
    list(FILTER srcs EXCLUDE REGEX "${pattern}")
  endforeach()
  if(ARG_HIDDEN)
    ov_hidden_module(${name} ${output} SOURCES ${srcs})
    set(code ${name}_objects)
  else()
    add_library(${name} SHARED ${srcs})
    set_target_properties(${name} PROPERTIES OUTPUT_NAME ${output})
    set(code ${name})
    ov_bind_locally(${name})
  endif()
  target_include_directories(${code} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${code} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()

# ov_hidden_module(NAME OUTPUT_NAME SOURCES files...): the object library
# NAME_objects, compiled with hidden visibility, and the shared library NAME
# (file libOUTPUT_NAME.so) made of its objects. Usage requirements (include
# folders, libraries) go on NAME_objects; NAME links it.
function(ov_hidden_module name output)
  cmake_parse_arguments(ARG "" "" "SOURCES" ${ARGN})
  add_library(${name}_objects OBJECT ${ARG_SOURCES})
  set_target_properties(${name}_objects PROPERTIES CXX_VISIBILITY_PRESET hidden)
  add_library(${name} SHARED)
  set_target_properties(${name} PROPERTIES OUTPUT_NAME ${output})
  target_link_libraries(${name} PUBLIC ${name}_objects)
  # Its entry points, the only functions it exports, bind to its own code.
  target_link_options(${name} PRIVATE -Wl,-Bsymbolic-functions)
endfunction()

# ov_bind_locally(NAME): what the shared library NAME calls of its own is
# bound when it is linked rather than looked up by the dynamic loader, symbol
# by symbol through every loaded library, at each start: calls to functions
# it defines (its virtual tables' entries, calls through the global offset
# table) bind to its own definitions (-Bsymbolic-functions). Data is not bound
# locally: class registries, inline variables and function-local statics keep
# one copy across the libraries. The class-table builders' code and the type
# info of the lambdas they store serve only the library that instantiates
# them, so they are not exported at all (LocalSymbols.map).
function(ov_bind_locally name)
  set(map ${PROJECT_SOURCE_DIR}/cmake/LocalSymbols.map)
  target_link_options(${name} PRIVATE -Wl,-Bsymbolic-functions -Wl,--version-script=${map})
  set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${map})
endfunction()
