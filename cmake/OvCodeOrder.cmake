# Code laid out by use. A command runs a small part of each library (about a
# sixth of the platform library's code for an UpdateSQL job), but compiled in
# source order that part is spread over nearly all of it: each start then
# maps, and at its end tears down, most of every library's code pages.
# cmake/HotCode.ld lists the functions the usual commands run (made by
# scripts/hot-functions.py); with each function in a section of its own, the
# libraries and the host are linked with the linker's own script, that list
# put at the front of the code. A function missing from the list (new, or
# renamed since) only lands where it would have been anyway.
#
# GNU ld only (the script is the one it would use, read from it), and not in
# the sanitizer and fuzz trees.
option(OV_ORDER_CODE "Put the code the usual commands run together (GNU ld)" ON)

set(OV_CODE_ORDER_LIST ${PROJECT_SOURCE_DIR}/cmake/HotCode.ld)
set(ov_code_order_dir ${CMAKE_BINARY_DIR}/code-order)
set(ov_code_order_ready FALSE)
if(OV_ORDER_CODE AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND NOT OV_SANITIZE AND NOT OV_FUZZ)
  set(ov_code_order_ready TRUE)
  set(marker "==================================================")
  set(anchor "    *(.text.unlikely .text.*_unlikely .text.unlikely.*)")
  file(WRITE ${ov_code_order_dir}/probe.cpp "int main() { return 0; }\n")
  foreach(kind shared program)
    # With the link options of the build, so that another linker chosen
    # there (-fuse-ld=...) is the one asked, and turns the order off.
    if(kind STREQUAL shared)
      separate_arguments(args UNIX_COMMAND "-shared ${CMAKE_SHARED_LINKER_FLAGS}")
    else()
      separate_arguments(args UNIX_COMMAND "${CMAKE_EXE_LINKER_FLAGS}")
    endif()
    execute_process(
      COMMAND ${CMAKE_CXX_COMPILER} ${args} -Wl,--verbose ${ov_code_order_dir}/probe.cpp -o
              ${ov_code_order_dir}/probe-${kind}
      OUTPUT_VARIABLE out ERROR_QUIET RESULT_VARIABLE rc)
    string(FIND "${out}" "${marker}\n" start)
    string(FIND "${out}" "\n${marker}" end REVERSE)
    string(FIND "${out}" "${anchor}" at)
    if(NOT rc EQUAL 0 OR start EQUAL -1 OR end LESS_EQUAL start OR at EQUAL -1)
      message(STATUS "Code order: the linker's own script was not found; code stays in source order")
      set(ov_code_order_ready FALSE)
      break()
    endif()
    string(LENGTH "${marker}\n" skip)
    math(EXPR start "${start} + ${skip}")
    math(EXPR length "${end} - ${start}")
    string(SUBSTRING "${out}" ${start} ${length} script)
    string(REPLACE "${anchor}" "    INCLUDE \"${OV_CODE_ORDER_LIST}\"\n${anchor}" script "${script}")
    file(WRITE ${ov_code_order_dir}/${kind}.ld "${script}\n")
  endforeach()
  if(ov_code_order_ready)
    add_compile_options(-ffunction-sections)
  endif()
endif()

# ov_order_code(TARGET): links the shared library or program TARGET with its
# functions in the order of cmake/HotCode.ld.
function(ov_order_code target)
  if(NOT ov_code_order_ready)
    return()
  endif()
  get_target_property(type ${target} TYPE)
  set(kind program)
  if(type STREQUAL SHARED_LIBRARY OR type STREQUAL MODULE_LIBRARY)
    set(kind shared)
  endif()
  target_link_options(${target} PRIVATE -Wl,-T,${ov_code_order_dir}/${kind}.ld)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${ov_code_order_dir}/${kind}.ld
                                                             ${OV_CODE_ORDER_LIST})
endfunction()
