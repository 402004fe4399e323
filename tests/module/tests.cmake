# SPDX-License-Identifier: BSD-2-Clause-Patent
# The module's shape: include lines against the layers, the source list and every file's head.
find_program(QUORVANE_PYTHON python3 REQUIRED)
foreach(check layers sources)
  add_test(NAME module.${check}
           COMMAND ${QUORVANE_PYTHON} ${CMAKE_SOURCE_DIR}/tests/module/check_${check}.py ${CMAKE_SOURCE_DIR})
  set_tests_properties(module.${check} PROPERTIES LABELS host)
endforeach()
