# SPDX-License-Identifier: BSD-2-Clause-Patent
# The firmware testbed: boot applications and platform service drivers that let
# the driver run inside OVMF. Built by the EFI toolchain next to the driver
# images; none of it is part of the driver.
set(TESTBED_COMPILE_OPTIONS -Os -Wall -Wextra -Werror -Wno-unused-parameter -fno-unwind-tables
    -fno-asynchronous-unwind-tables -ffunction-sections -fdata-sections)
set(TESTBED_COMMON_LINK_FLAGS "/nodefaultlib /opt:ref /opt:icf /debug:none")

file(GLOB TESTBED_SUPPORT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/testbed/support/*.cpp)
# The memory routines the compiler calls come from the driver's own runtime file.
list(APPEND TESTBED_SUPPORT_SOURCES ${CMAKE_SOURCE_DIR}/support/compiler_runtime_firmware.cpp)
# Compiled once, linked into every testbed image (the EFI link rule takes objects only).
add_library(testbed_support OBJECT ${TESTBED_SUPPORT_SOURCES})
target_include_directories(testbed_support PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(testbed_support PRIVATE ${TESTBED_COMPILE_OPTIONS})

# testbed_image(Name Kind Entry sources...): Kind is application or driver.
function(testbed_image Name Kind Entry)
  add_executable(${Name} ${ARGN} $<TARGET_OBJECTS:testbed_support>)
  target_include_directories(${Name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${Name} PRIVATE ${TESTBED_COMPILE_OPTIONS})
  if(Kind STREQUAL "application")
    set(Subsystem efi_application)
  else()
    set(Subsystem efi_boot_service_driver)
  endif()
  set_target_properties(${Name} PROPERTIES SUFFIX .efi
    LINK_FLAGS "/subsystem:${Subsystem} /entry:${Entry} ${TESTBED_COMMON_LINK_FLAGS}")
endfunction()

testbed_image(TestbedSmoke application SmokeMain ${CMAKE_SOURCE_DIR}/testbed/smoke/smoke_boot.cpp)

# The platform services the driver needs, each a driver image of its own.
testbed_image(TestbedPlatform driver PlatformMain ${CMAKE_SOURCE_DIR}/testbed/services/platform_service.cpp)
testbed_image(TestbedAccounts driver AccountsMain ${CMAKE_SOURCE_DIR}/testbed/services/accounts_service.cpp)
testbed_image(TestbedSetupBrowser driver SetupBrowserMain ${CMAKE_SOURCE_DIR}/testbed/services/setup_browser_service.cpp)
testbed_image(TestbedHddPassword driver HddPasswordMain ${CMAKE_SOURCE_DIR}/testbed/services/hdd_password_service.cpp
              ${CMAKE_SOURCE_DIR}/testbed/services/ata_security_model.cpp)
# The boot application that loads them and the driver.
# The parity record is shared with the host program (testbed/parity/host_parity.cpp).
testbed_image(TestbedBoot application BootMain ${CMAKE_SOURCE_DIR}/testbed/boot/boot_app.cpp
              ${CMAKE_SOURCE_DIR}/testbed/boot/checks.cpp ${CMAKE_SOURCE_DIR}/testbed/parity/parity_record.cpp
              ${CMAKE_SOURCE_DIR}/testbed/boot/dispatch.cpp ${CMAKE_SOURCE_DIR}/support/strings.cpp)

include(${CMAKE_SOURCE_DIR}/testbed/firmware/firmware.cmake)
