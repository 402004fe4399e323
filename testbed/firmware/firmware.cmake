# SPDX-License-Identifier: BSD-2-Clause-Patent
# The testbed's firmware volumes (fwpack/): the testbed services as firmware
# files with dependency expressions of their own; the volume the dispatch
# test hands to the DXE dispatcher (Quorvane.ffs alone); and OVMF's code
# image with Quorvane.ffs and the services built into its DXE volume, in the
# kit folder.
set(TESTBED_FIRMWARE_FILES)
foreach(service TestbedPlatform TestbedAccounts TestbedSetupBrowser TestbedHddPassword)
  set(module ${CMAKE_SOURCE_DIR}/testbed/firmware/${service}.module)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${service}.ffs
    COMMAND ${FWPACK} ffs --module ${module} --pe32 $<TARGET_FILE:${service}> -o ${CMAKE_BINARY_DIR}/${service}.ffs
    DEPENDS ${service} ${module} ${FWPACK_SOURCES})
  list(APPEND TESTBED_FIRMWARE_FILES ${CMAKE_BINARY_DIR}/${service}.ffs)
endforeach()
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/TestbedDispatch.fv
  COMMAND ${FWPACK} fv -o ${CMAKE_BINARY_DIR}/TestbedDispatch.fv ${CMAKE_BINARY_DIR}/Quorvane.ffs
  DEPENDS ${CMAKE_BINARY_DIR}/Quorvane.ffs ${FWPACK_SOURCES})
set(TESTBED_OVMF_CODE /usr/share/OVMF/OVMF_CODE_4M.fd)
set(TESTBED_BUILTIN_CODE ${QUORVANE_KIT}/OVMF_CODE_4M.Quorvane.fd)
add_custom_command(OUTPUT ${TESTBED_BUILTIN_CODE}
  COMMAND ${FWPACK} builtin --code ${TESTBED_OVMF_CODE} -o ${TESTBED_BUILTIN_CODE}
          ${CMAKE_BINARY_DIR}/Quorvane.ffs ${TESTBED_FIRMWARE_FILES}
  DEPENDS ${CMAKE_BINARY_DIR}/Quorvane.ffs ${TESTBED_FIRMWARE_FILES} ${TESTBED_OVMF_CODE} ${FWPACK_SOURCES}
  COMMENT "OVMF code image with the page built in (fwpack builtin)")
add_custom_target(testbed_firmware ALL DEPENDS ${CMAKE_BINARY_DIR}/TestbedDispatch.fv ${TESTBED_BUILTIN_CODE})
