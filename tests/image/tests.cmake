# SPDX-License-Identifier: BSD-2-Clause-Patent
# The driver images as files: format, subsystem, entry, relocations, no
# imports, no uninitialised data, diagnostics only in the diagnostic image, no
# way out of the Exit call in the disassembly.
if(QUORVANE_EFI_DIR)
  find_program(QUORVANE_PYTHON python3 REQUIRED)
  find_program(QUORVANE_OBJDUMP NAMES llvm-objdump-14 llvm-objdump REQUIRED)
  add_test(NAME image.format_and_contents
           COMMAND ${QUORVANE_PYTHON} ${CMAKE_SOURCE_DIR}/tests/image/check_image.py ${QUORVANE_EFI_DIR}
                   ${QUORVANE_OBJDUMP})
  set_tests_properties(image.format_and_contents PROPERTIES LABELS image)
endif()
