# SPDX-License-Identifier: BSD-2-Clause-Patent
# The budget report's host program: the driver on the host platform, optimised,
# without sanitizers, so pool figures and instruction counts are those of the code.
add_compile_options(-O2 -g)
include(${CMAKE_SOURCE_DIR}/cmake/host-libraries.cmake)
quorvane_host_libraries(0)

add_executable(quorvane_budget ${CMAKE_SOURCE_DIR}/bench/budget_main.cpp ${CMAKE_SOURCE_DIR}/bench/page_visit.cpp)
target_include_directories(quorvane_budget PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(quorvane_budget PRIVATE quorvane_hostplatform)
