# SPDX-License-Identifier: BSD-2-Clause-Patent
# The packager (fwpack/): firmware files, dependency expressions, volumes and
# the built-in OVMF code image, read back by fwpack and by UEFIExtract.
if(QUORVANE_EFI_DIR)
  find_program(QUORVANE_PYTHON python3 REQUIRED)
  foreach(group firmware_files depex volumes)
    add_test(NAME fwpack.${group}
             COMMAND ${QUORVANE_PYTHON} -m unittest -v test_${group}
             WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/fwpack)
    set_tests_properties(fwpack.${group} PROPERTIES LABELS fwpack TIMEOUT 300
                         ENVIRONMENT "QUORVANE_EFI_DIR=${QUORVANE_EFI_DIR}")
  endforeach()
endif()
