# ov_add_resources(TARGET RCFILE [SYMBOL NAME]): compiles the resource script
# RCFILE with the host tool ovrc into a C++ source whose array lands in the
# module's ".ovrsrc" section, and adds that source to TARGET. The pictures and
# files the script names are dependencies through the depfile ovrc writes, so
# editing a .pix rebuilds the module.
#
# The array is reachable in the module as
#   extern "C" const std::uint8_t <SYMBOL>[]; extern "C" const std::size_t <SYMBOL>Size;
# with SYMBOL defaulting to OvResources_<script name>.

# Captured here: inside the function CMAKE_CURRENT_LIST_DIR is the caller's.
set_property(GLOBAL PROPERTY OV_RESOURCES_SOURCE_ROOT "${CMAKE_CURRENT_LIST_DIR}/..")

function(ov_add_resources target rcfile)
  cmake_parse_arguments(ARG "" "SYMBOL" "" ${ARGN})
  get_property(root GLOBAL PROPERTY OV_RESOURCES_SOURCE_ROOT)
  get_filename_component(root "${root}" ABSOLUTE)

  if(NOT TARGET ovrc)
    # ovrc compiles ResFile.cpp itself rather than linking the rtl layer, so
    # that it can run before any layer is built.
    add_executable(ovrc "${root}/src/rtl/tools/ovrc.cpp" "${root}/src/rtl/ResFile.cpp")
    target_include_directories(ovrc PRIVATE "${root}/src")
    target_link_libraries(ovrc PRIVATE ${CMAKE_DL_LIBS})
  endif()

  get_filename_component(script "${rcfile}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  get_filename_component(stem "${script}" NAME_WE)
  set(output "${CMAKE_CURRENT_BINARY_DIR}/${target}_${stem}_res.cpp")
  set(depfile "${output}.d")
  set(symbol_args "")
  if(ARG_SYMBOL)
    set(symbol_args --symbol "${ARG_SYMBOL}")
  endif()

  add_custom_command(
    OUTPUT "${output}"
    COMMAND ovrc --depfile "${depfile}" ${symbol_args} -o "${output}" "${script}"
    DEPENDS ovrc "${script}"
    DEPFILE "${depfile}"
    COMMENT "Compiling resources ${stem}.rc for ${target}"
    VERBATIM)
  # A layer compiled into another layer's library (ov_layer IN) adds its
  # resources to that library, made here where the command that writes them is.
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    get_target_property(holder ${target} OV_CODE_TARGET)
    add_library(${target}_resources OBJECT "${output}")
    target_link_libraries(${holder} PRIVATE ${target}_resources)
  else()
    target_sources(${target} PRIVATE "${output}")
  endif()
endfunction()
