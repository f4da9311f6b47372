# ov_layer(NAME [OUTPUT FILE] [IN HOLDER] [HIDDEN] [DEPS...] [PRIVATE_DEPS...]
#          [EXCLUDE patterns...]): one CMake target per folder under src/.
# Sources are every .cpp below the folder (excluding a `tools` subfolder), so
# adding a file needs no CMake edit. Layers are shared so that the host, the
# runtime package and the design package see one copy of each global
# (class registry, registrations, application object).
#
# A layer of its own is the shared library libFILE.so. IN HOLDER: the layer's
# code is compiled into the shared library of the layer HOLDER (named before
# it, below it), and NAME is the interface that links that library. Every shared object costs each start of every program: the loader
# maps it, looks up each symbol one library uses of another and writes its own
# pages of relocated data. The platform layers (rtl, vcl, db, designide) are
# therefore one library, made of their sources in layer order, so that the
# static initialisers of a layer run after those of the layers below it.
#
# HIDDEN: a module that others reach only through its entry points (the design
# package). Its code is compiled once, with hidden visibility, into the object
# library NAME_objects; the shared library is made of those objects and
# exports only what is marked OV_EXPORT (rtl/Export.hpp). Its tests and
# benchmarks link NAME_objects to reach its internals.
function(ov_layer name)
  cmake_parse_arguments(ARG "HIDDEN" "OUTPUT;IN" "DEPS;PRIVATE_DEPS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(pattern IN LISTS ARG_EXCLUDE)
    list(FILTER srcs EXCLUDE REGEX "${pattern}")
  endforeach()
  if(ARG_IN)
    get_target_property(holder ${ARG_IN} OV_CODE_TARGET)
    target_sources(${holder} PRIVATE ${srcs})
    add_library(${name} INTERFACE)
    set_target_properties(${name} PROPERTIES OV_CODE_TARGET ${holder})
    # The layers already in the holder are the holder itself.
    list(REMOVE_ITEM ARG_DEPS ${ARG_IN})
    target_link_libraries(${name} INTERFACE ${holder} ${ARG_DEPS})
    target_link_libraries(${holder} PRIVATE ${ARG_PRIVATE_DEPS})
    return()
  endif()
  if(ARG_HIDDEN)
    ov_hidden_module(${name} ${ARG_OUTPUT} SOURCES ${srcs})
    set(code ${name}_objects)
  else()
    add_library(${name} SHARED ${srcs})
    set_target_properties(${name} PROPERTIES OUTPUT_NAME ${ARG_OUTPUT})
    set(code ${name})
    ov_bind_locally(${name})
    ov_order_code(${name})
  endif()
  set_target_properties(${name} PROPERTIES OV_CODE_TARGET ${code})
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
  ov_order_code(${name})
endfunction()

# ov_bind_locally(NAME): what the shared library NAME uses of its own is bound
# when it is linked rather than looked up by the dynamic loader, symbol by
# symbol through every loaded library, at each start: calls to functions it
# defines, its virtual tables and type info (a copy of a class's table or type
# info in another module is as good as its own: type info compares by name)
# bind to its own definitions. Only the data that must be one copy across the
# process stays open to the loader (a dynamic list, SharedData.sh, made from
# the library's objects at each link): variables, static members, inline
# variables, function-local statics (the type info records of OvTypeInfo,
# compared by address) and their guard variables, which a program or another
# library may define as well or copy into itself. The class-table builders'
# code and the type info of the lambdas they store serve only the library
# that instantiates them, so they are not exported at all (LocalSymbols.map).
function(ov_bind_locally name)
  set(map ${PROJECT_SOURCE_DIR}/cmake/LocalSymbols.map)
  set(script ${PROJECT_SOURCE_DIR}/cmake/SharedData.sh)
  set(list ${CMAKE_CURRENT_BINARY_DIR}/${name}-shared-data.list)
  add_custom_command(
    TARGET ${name} PRE_LINK
    COMMAND sh ${script} ${CMAKE_NM} ${list} "$<TARGET_OBJECTS:${name}>"
    COMMAND_EXPAND_LISTS VERBATIM)
  target_link_options(${name} PRIVATE -Wl,--dynamic-list=${list} -Wl,--version-script=${map})
  set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${map} ${script})
endfunction()
