# SPDX-License-Identifier: BSD-2-Clause-Patent
# The driver image's sources, listed one by one (what an INF's [Sources] section is to an EDK II
# module). A file that is not listed here is not part of the driver; tests/module checks that
# every .cpp file of the driver's folders is listed. Listed by layer, lowest first.
set(QUORVANE_DRIVER_SOURCES
  support/compiler_runtime_firmware.cpp
  support/diagnostics.cpp
  support/hii_strings.cpp
  support/image_memory.cpp
  support/memory.cpp
  support/print.cpp
  support/service_context.cpp
  support/strings.cpp
  probes/hardware_access_firmware.cpp
  probes/security_probes.cpp
  hdd/device_path_nodes.cpp
  hdd/hdd_password_dialog.cpp
  hdd/hdd_security_status.cpp
  config/config_strings.cpp
  config/extract_config.cpp
  config/reset_replacement.cpp
  config/route_config.cpp
  config/store_access.cpp
  config/store_rules.cpp
  config/variable_stores.cpp
  callback/account_passwords.cpp
  callback/security_callback.cpp
  entry/driver_entry.cpp
  entry/driver_init.cpp
  entry/unlock_form_text.cpp
)
# Of these, the hardware access and the C library's memory routines go into the image only;
# the host test platform supplies its own versions.
set(QUORVANE_FIRMWARE_ONLY_SOURCES
  probes/hardware_access_firmware.cpp
  support/compiler_runtime_firmware.cpp
)
list(TRANSFORM QUORVANE_DRIVER_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/)
list(TRANSFORM QUORVANE_FIRMWARE_ONLY_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/)
