# Stand-in package arrays for a tree without the form-set generator: a string
# array and a form array holding only their length prefixes.
set(_stub ${CMAKE_BINARY_DIR}/generated/forms-placeholder)
file(MAKE_DIRECTORY ${_stub}/forms)
file(WRITE ${_stub}/forms/security_packages.h
"#pragma once\nextern const unsigned char gSecurityStringPackages[4];\nextern const unsigned char gSecurityFormPackage[4];\n")
file(WRITE ${_stub}/security_packages.cpp
"#include \"forms/security_packages.h\"\nalignas(8) const unsigned char gSecurityStringPackages[4] = {4, 0, 0, 0};\nalignas(8) const unsigned char gSecurityFormPackage[4] = {4, 0, 0, 0};\n")
set(QUORVANE_FORMS_SOURCES ${_stub}/security_packages.cpp)
set(QUORVANE_FORMS_INCLUDE_DIRS ${_stub})
