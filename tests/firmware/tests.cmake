# SPDX-License-Identifier: BSD-2-Clause-Patent
# Tests on real firmware: OVMF under QEMU boots the images of ${QUORVANE_EFI_DIR}.
# Each test is one boot (a few seconds to a minute under software emulation).
if(QUORVANE_EFI_DIR)
  find_program(QUORVANE_PYTHON python3 REQUIRED)
  set(QUORVANE_HARNESS ${CMAKE_SOURCE_DIR}/testbed/harness)

  add_test(NAME firmware.smoke_driver_loads_and_stops_at_hdd_service
           COMMAND ${QUORVANE_PYTHON} ${QUORVANE_HARNESS}/smoke_test.py --efi-dir ${QUORVANE_EFI_DIR})
  set_tests_properties(firmware.smoke_driver_loads_and_stops_at_hdd_service PROPERTIES LABELS firmware TIMEOUT 300)

  # Start-up with every service, extraction and routing through the firmware's
  # routing service, the TXT reset and ExitBootServices (two boots). The first
  # boot's parity record is kept for the parity test below.
  set(QUORVANE_PARITY_RECORD ${CMAKE_BINARY_DIR}/parity/firmware_record.txt)
  add_test(NAME firmware.startup_config_routing_txt_reset
           COMMAND ${QUORVANE_PYTHON} ${QUORVANE_HARNESS}/checks_test.py --efi-dir ${QUORVANE_EFI_DIR}
                   --record ${QUORVANE_PARITY_RECORD})
  set_tests_properties(firmware.startup_config_routing_txt_reset PROPERTIES LABELS firmware TIMEOUT 400
                       FIXTURES_SETUP firmware_parity_record)

  # The same scenarios on the host platform give the same record (no boot of
  # its own: it reads the record of the test above, which ctest runs first).
  add_test(NAME firmware.parity_host_platform_agrees
           COMMAND ${QUORVANE_PYTHON} ${QUORVANE_HARNESS}/parity_test.py --firmware-record ${QUORVANE_PARITY_RECORD}
                   --host-program $<TARGET_FILE:quorvane_host_parity>)
  set_tests_properties(firmware.parity_host_platform_agrees PROPERTIES LABELS firmware TIMEOUT 120
                       FIXTURES_REQUIRED firmware_parity_record)

  # The page in OVMF's form browser, read from the serial console: with a disk
  # on the IDE controller and no TPM, then setting the Supervisor password
  # through the page; with a TPM and no disk; opened from OVMF's own setup
  # program (Device Manager).
  set(page_disk_arguments --password-flow)
  foreach(scenario disk tpm setup)
    add_test(NAME firmware.page_${scenario}
             COMMAND ${QUORVANE_PYTHON} ${QUORVANE_HARNESS}/page_test.py --efi-dir ${QUORVANE_EFI_DIR}
                     --scenario ${scenario} ${page_${scenario}_arguments})
    set_tests_properties(firmware.page_${scenario} PROPERTIES LABELS firmware TIMEOUT 300)
  endforeach()
  # The driver's firmware file on OVMF's DXE dispatcher: held back by its
  # dependency expression until the testbed services are installed.
  add_test(NAME firmware.dispatch_waits_for_services
           COMMAND ${QUORVANE_PYTHON} ${QUORVANE_HARNESS}/dispatch_test.py --efi-dir ${QUORVANE_EFI_DIR})
  set_tests_properties(firmware.dispatch_waits_for_services PROPERTIES LABELS firmware TIMEOUT 300)

  # OVMF's code image with the page and the testbed services built in
  # (kit/OVMF_CODE_4M.Quorvane.fd): UEFIExtract reads it; the page opens from
  # the firmware's own setup program without a boot application of ours.
  add_test(NAME firmware.builtin_page_from_device_manager
           COMMAND ${QUORVANE_PYTHON} ${QUORVANE_HARNESS}/builtin_test.py --efi-dir ${QUORVANE_EFI_DIR})
  set_tests_properties(firmware.builtin_page_from_device_manager PROPERTIES LABELS firmware TIMEOUT 400)

  # Emulated firmware reads the screen as it settles: keep the fuzzers' load off it.
  get_property(firmware_tests DIRECTORY PROPERTY TESTS)
  foreach(test ${firmware_tests})
    if(test MATCHES "^firmware\\.")
      set_tests_properties(${test} PROPERTIES RUN_SERIAL TRUE)
    endif()
  endforeach()
endif()
