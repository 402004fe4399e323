# SPDX-License-Identifier: BSD-2-Clause-Patent
# Bounded fuzz runs: each target runs for a short time over its seed corpus, so
# the test command catches regressions. scripts/fuzz runs them for longer.
if(QUORVANE_FUZZ_DIR)
  set(QUORVANE_FUZZ_SECONDS 20 CACHE STRING "Seconds per fuzz target in the test command")
  file(GLOB QUORVANE_FUZZ_TARGET_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
  foreach(source ${QUORVANE_FUZZ_TARGET_SOURCES})
    get_filename_component(name ${source} NAME_WE)
    string(REGEX REPLACE "_fuzz$" "" corpus ${name})
    add_test(NAME fuzz.${corpus}
             COMMAND ${CMAKE_SOURCE_DIR}/scripts/fuzz-one ${QUORVANE_FUZZ_DIR}/${name}
                     ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${corpus} ${QUORVANE_FUZZ_SECONDS})
    set_tests_properties(fuzz.${corpus} PROPERTIES LABELS fuzz TIMEOUT 600)
  endforeach()
endif()
