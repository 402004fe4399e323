# SPDX-License-Identifier: BSD-2-Clause-Patent
# The include lines of the driver's folders against their layers (include <- support <- ... <- entry).
find_program(QUORVANE_PYTHON python3 REQUIRED)
add_test(NAME layers.include_lines
         COMMAND ${QUORVANE_PYTHON} ${CMAKE_SOURCE_DIR}/tests/layers/check_layers.py ${CMAKE_SOURCE_DIR})
set_tests_properties(layers.include_lines PROPERTIES LABELS host)
