# SPDX-License-Identifier: BSD-2-Clause-Patent
# The driver as a platform integrator takes it (fwpack/): the firmware files
# Quorvane.ffs and QuorvaneDiagnostics.ffs and the dependency expression
# Quorvane.depex in the build folder, and the kit folder (kit/) with both
# firmware files, the images, the .depex, the UI section and Quorvane.inf.
find_program(QUORVANE_PYTHON python3 REQUIRED)
set(FWPACK ${CMAKE_COMMAND} -E env PYTHONPATH=${CMAKE_SOURCE_DIR} ${QUORVANE_PYTHON} -m fwpack)
file(GLOB FWPACK_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fwpack/*.py)
set(QUORVANE_MODULE ${CMAKE_SOURCE_DIR}/fwpack/modules/Quorvane.module)
set(QUORVANE_KIT ${CMAKE_BINARY_DIR}/kit)
set(QUORVANE_FIRMWARE_FILES ${CMAKE_BINARY_DIR}/Quorvane.ffs ${CMAKE_BINARY_DIR}/QuorvaneDiagnostics.ffs
                            ${CMAKE_BINARY_DIR}/Quorvane.depex)
add_custom_command(
  OUTPUT ${QUORVANE_KIT}/Quorvane.inf ${QUORVANE_KIT}/Quorvane.ffs ${QUORVANE_KIT}/QuorvaneDiagnostics.ffs
         ${QUORVANE_KIT}/Quorvane.depex ${QUORVANE_KIT}/Quorvane.ui ${QUORVANE_KIT}/Quorvane.efi
         ${QUORVANE_KIT}/QuorvaneDiagnostics.efi ${QUORVANE_FIRMWARE_FILES}
  COMMAND ${FWPACK} kit --module ${QUORVANE_MODULE} --shipped $<TARGET_FILE:Quorvane>
          --diagnostics $<TARGET_FILE:QuorvaneDiagnostics> -o ${QUORVANE_KIT}
  COMMAND ${CMAKE_COMMAND} -E copy ${QUORVANE_KIT}/Quorvane.ffs ${QUORVANE_KIT}/QuorvaneDiagnostics.ffs
          ${QUORVANE_KIT}/Quorvane.depex ${CMAKE_BINARY_DIR}
  DEPENDS Quorvane QuorvaneDiagnostics ${QUORVANE_MODULE} ${FWPACK_SOURCES}
  COMMENT "Firmware files and the kit (fwpack)")
add_custom_target(quorvane_kit ALL DEPENDS ${QUORVANE_FIRMWARE_FILES})
