# SPDX-License-Identifier: BSD-2-Clause-Patent
# The driver's sources built for Linux, the host test platform and the tests.
# EFIAPI stays the Microsoft x64 convention, so every service is called as in firmware.
set(QUORVANE_HOST_WARNINGS -Wall -Wextra -Werror -Wno-unused-parameter)
if(QUORVANE_SANITIZE)
  set(QUORVANE_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_compile_options(${QUORVANE_SANITIZER_FLAGS})
  add_link_options(${QUORVANE_SANITIZER_FLAGS})
endif()

include(${CMAKE_SOURCE_DIR}/cmake/host-libraries.cmake)
quorvane_host_libraries(1 ${QUORVANE_HOST_WARNINGS})

# The parity record taken on the host platform; tests/firmware compares it
# with the one the firmware checks take.
add_executable(quorvane_host_parity ${CMAKE_SOURCE_DIR}/testbed/parity/host_parity.cpp
               ${CMAKE_SOURCE_DIR}/testbed/parity/parity_record.cpp)
target_include_directories(quorvane_host_parity PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(quorvane_host_parity PRIVATE quorvane_hostplatform)
target_compile_options(quorvane_host_parity PRIVATE ${QUORVANE_HOST_WARNINGS})

if(QUORVANE_BUILD_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
  file(GLOB QUORVANE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*/*_test.cpp)
  add_executable(quorvane_tests ${QUORVANE_TEST_SOURCES} ${CMAKE_SOURCE_DIR}/tests/support/fresh_driver_each_test.cpp)
  target_include_directories(quorvane_tests PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(quorvane_tests PRIVATE quorvane_hostplatform GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_options(quorvane_tests PRIVATE ${QUORVANE_HOST_WARNINGS})
  # One process per test: the driver's module state starts fresh in every test.
  gtest_discover_tests(quorvane_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS host)

  file(GLOB QUORVANE_TEST_FRAGMENTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*/tests.cmake)
  foreach(fragment ${QUORVANE_TEST_FRAGMENTS})
    include(${fragment})
  endforeach()
endif()
