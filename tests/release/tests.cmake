# SPDX-License-Identifier: BSD-2-Clause-Patent
# What a user meets: scripts/run in a real terminal (tmux) and its screenshot
# option, the disk line with the testbed's model of ATA security, signed images
# under Secure Boot, scripts/sign's errors, images that rebuild bit for bit, the
# console translation scripts/run uses, and the README's table of the run options.
find_program(QUORVANE_PYTHON python3 REQUIRED)
if(QUORVANE_EFI_DIR)
  set(release_harness ${CMAKE_SOURCE_DIR}/testbed/harness)
  set(release_scripts --root ${CMAKE_SOURCE_DIR})  # the tree whose scripts/run and scripts/sign are tried

  add_test(NAME firmware.run_in_terminal_draws_the_page
           COMMAND ${QUORVANE_PYTHON} ${release_harness}/terminal_test.py ${release_scripts})
  add_test(NAME firmware.run_screenshot_writes_the_page
           COMMAND ${QUORVANE_PYTHON} ${release_harness}/screenshot_test.py ${release_scripts})
  # The unsigned driver refused, the signed one started and the page working.
  add_test(NAME firmware.secure_boot_refuses_unsigned_starts_signed
           COMMAND ${QUORVANE_PYTHON} ${release_harness}/secure_boot_test.py ${release_scripts}
                   --efi-dir ${QUORVANE_EFI_DIR})
  set(release_firmware_tests firmware.run_in_terminal_draws_the_page firmware.run_screenshot_writes_the_page
      firmware.secure_boot_refuses_unsigned_starts_signed)

  # One boot per state of the disk model; in states none and locked the page's
  # disk action opens the password dialog and sets (or is refused) a password.
  foreach(state none user master user-master locked frozen expired)
    set(dialog "")
    if(state STREQUAL "none" OR state STREQUAL "locked")
      set(dialog --dialog)
    endif()
    add_test(NAME firmware.hdd_security_${state}
             COMMAND ${QUORVANE_PYTHON} ${release_harness}/hdd_security_test.py --efi-dir ${QUORVANE_EFI_DIR}
                     --state ${state} ${dialog})
    list(APPEND release_firmware_tests firmware.hdd_security_${state})
  endforeach()
  # Emulated firmware reads the screen as it settles: one boot at a time.
  set_tests_properties(${release_firmware_tests} PROPERTIES LABELS firmware TIMEOUT 400 RUN_SERIAL TRUE)

  # Signed copies that verify; a clear error and no signed file for a missing
  # or wrong key or certificate.
  add_test(NAME image.sign_writes_verified_copies_or_a_clear_error
           COMMAND ${QUORVANE_PYTHON} ${CMAKE_SOURCE_DIR}/tests/release/sign_test.py ${release_scripts}
                   --efi-dir ${QUORVANE_EFI_DIR})
  # A second clean build of the driver images, from a copy of the sources in
  # another folder, gives the same bytes.
  add_test(NAME image.rebuild_elsewhere_is_byte_identical
           COMMAND ${QUORVANE_PYTHON} ${CMAKE_SOURCE_DIR}/tests/release/check_reproducible.py
                   --source ${CMAKE_SOURCE_DIR} --efi-dir ${QUORVANE_EFI_DIR})
  set_tests_properties(image.sign_writes_verified_copies_or_a_clear_error image.rebuild_elsewhere_is_byte_identical
                       PROPERTIES LABELS image TIMEOUT 600)
endif()

add_test(NAME harness.console_translation_for_utf8_terminals
         COMMAND ${QUORVANE_PYTHON} ${CMAKE_SOURCE_DIR}/tests/release/console_translation_test.py)
set_tests_properties(harness.console_translation_for_utf8_terminals PROPERTIES LABELS harness)
add_test(NAME docs.readme_lists_the_run_options
         COMMAND ${QUORVANE_PYTHON} ${CMAKE_SOURCE_DIR}/tests/release/check_run_options.py ${CMAKE_SOURCE_DIR})
set_tests_properties(docs.readme_lists_the_run_options PROPERTIES LABELS docs)
