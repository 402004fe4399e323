# The driver's sources built for Linux, the host test platform and the tests.
# EFIAPI stays the Microsoft x64 convention, so every service is called as in firmware.
set(QUORVANE_HOST_WARNINGS -Wall -Wextra -Werror -Wno-unused-parameter)
if(QUORVANE_SANITIZE)
  set(QUORVANE_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_compile_options(${QUORVANE_SANITIZER_FLAGS})
  add_link_options(${QUORVANE_SANITIZER_FLAGS})
endif()

add_library(quorvane_driver STATIC ${QUORVANE_HOST_DRIVER_SOURCES} ${QUORVANE_FORMS_SOURCES})
target_include_directories(quorvane_driver PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_definitions(quorvane_driver PUBLIC QUORVANE_DIAGNOSTICS=1 QUORVANE_HOST=1)
target_compile_options(quorvane_driver PRIVATE ${QUORVANE_HOST_WARNINGS} -ffreestanding -fno-exceptions -fno-rtti)

file(GLOB QUORVANE_HOSTPLATFORM_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/hostplatform/*.cpp)
add_library(quorvane_hostplatform STATIC ${QUORVANE_HOSTPLATFORM_SOURCES})
target_link_libraries(quorvane_hostplatform PUBLIC quorvane_driver)
# The driver's hardware seam (probes/hardware_access.h) is supplied by the host platform.
target_link_libraries(quorvane_driver PUBLIC quorvane_hostplatform)
target_compile_options(quorvane_hostplatform PRIVATE ${QUORVANE_HOST_WARNINGS})

if(QUORVANE_BUILD_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
  file(GLOB QUORVANE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*/*_test.cpp)
  add_executable(quorvane_tests ${QUORVANE_TEST_SOURCES})
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
