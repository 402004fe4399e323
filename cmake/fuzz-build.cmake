# SPDX-License-Identifier: BSD-2-Clause-Patent
# libFuzzer targets over the driver's entry points and parsers, on the host
# platform, under AddressSanitizer and UndefinedBehaviorSanitizer. Needs clang++
# and Debian's libclang-rt-14-dev.
set(QUORVANE_FUZZ_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g -O1)
add_compile_options(${QUORVANE_FUZZ_FLAGS} -fsanitize=fuzzer-no-link)
add_link_options(${QUORVANE_FUZZ_FLAGS})

include(${CMAKE_SOURCE_DIR}/cmake/host-libraries.cmake)
quorvane_host_libraries(1)

file(GLOB QUORVANE_FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
foreach(source ${QUORVANE_FUZZ_SOURCES})
  get_filename_component(name ${source} NAME_WE)
  add_executable(${name} ${source})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE quorvane_hostplatform)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endforeach()
