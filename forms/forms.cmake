# SPDX-License-Identifier: BSD-2-Clause-Patent
# The Security page's HII packages, generated at build time.
#
# include(forms/forms.cmake) from the top-level CMakeLists.txt (same directory
# scope).  It defines QUORVANE_FORMS_SOURCES, the generated C++ file to add to
# the driver's sources; the build must put the repository root on the include
# path so that "forms/security_packages.h" is found.  With QUORVANE_BUILD_TESTS
# ON it also registers the decoder and generator tests with ctest.

find_package(Python3 COMPONENTS Interpreter REQUIRED)

set(QUORVANE_FORMS_DIR ${CMAKE_CURRENT_LIST_DIR})
set(QUORVANE_FORMS_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated/forms)
set(QUORVANE_FORMS_DUMP_DIR ${QUORVANE_FORMS_GENERATED_DIR}/dump)
set(QUORVANE_FORMS_SOURCES ${QUORVANE_FORMS_GENERATED_DIR}/security_packages.cpp)

set(QUORVANE_FORMS_INPUTS
  ${QUORVANE_FORMS_DIR}/tools/gen_packages.py
  ${QUORVANE_FORMS_DIR}/security.form
  ${QUORVANE_FORMS_DIR}/security_page_ids.h
  ${QUORVANE_FORMS_DIR}/security_packages.h
  ${QUORVANE_FORMS_DIR}/strings/en-US.txt
  ${QUORVANE_FORMS_DIR}/strings/fr-FR.txt
  ${QUORVANE_FORMS_DIR}/strings/ja-JP.txt
  ${QUORVANE_FORMS_DIR}/strings/ko-KR.txt
)

add_custom_command(
  OUTPUT
    ${QUORVANE_FORMS_SOURCES}
    ${QUORVANE_FORMS_DUMP_DIR}/security_strings.bin
    ${QUORVANE_FORMS_DUMP_DIR}/security_forms.bin
  COMMAND ${Python3_EXECUTABLE} ${QUORVANE_FORMS_DIR}/tools/gen_packages.py
          --forms-dir ${QUORVANE_FORMS_DIR}
          --out ${QUORVANE_FORMS_GENERATED_DIR}
          --dump-dir ${QUORVANE_FORMS_DUMP_DIR}
  # The generator leaves unchanged outputs untouched; touch them so the
  # build sees the command as done.
  COMMAND ${CMAKE_COMMAND} -E touch
          ${QUORVANE_FORMS_SOURCES}
          ${QUORVANE_FORMS_DUMP_DIR}/security_strings.bin
          ${QUORVANE_FORMS_DUMP_DIR}/security_forms.bin
  DEPENDS ${QUORVANE_FORMS_INPUTS}
  COMMENT "Generating the Security form and string packages"
  VERBATIM
)

# A target of its own, so the tests' inputs exist even in a build that
# compiles nothing else.  With a Makefile generator, a target that compiles
# QUORVANE_FORMS_SOURCES should also add_dependencies() on it, so that the
# generator does not run twice in a parallel build.
add_custom_target(quorvane_forms_packages ALL DEPENDS ${QUORVANE_FORMS_SOURCES})

if(QUORVANE_BUILD_TESTS)
  enable_testing()
  foreach(_forms_test forms_package string_packages generator)
    add_test(NAME forms_${_forms_test}
             COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/../tests/forms/test_${_forms_test}.py
                     --dump-dir ${QUORVANE_FORMS_DUMP_DIR})
  endforeach()
  unset(_forms_test)
endif()
