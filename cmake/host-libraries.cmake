# SPDX-License-Identifier: BSD-2-Clause-Patent
# The driver's sources as a Linux library and the host test platform, shared by
# the host, fuzz and bench builds. quorvane_host_libraries(Diagnostics Warnings...)
function(quorvane_host_libraries Diagnostics)
  add_library(quorvane_driver STATIC ${QUORVANE_HOST_DRIVER_SOURCES} ${QUORVANE_FORMS_SOURCES})
  target_include_directories(quorvane_driver PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_definitions(quorvane_driver PUBLIC QUORVANE_DIAGNOSTICS=${Diagnostics} QUORVANE_HOST=1)
  target_compile_options(quorvane_driver PRIVATE ${ARGN} -ffreestanding -fno-exceptions -fno-rtti)

  file(GLOB hostplatform_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/hostplatform/*.cpp)
  add_library(quorvane_hostplatform STATIC ${hostplatform_sources})
  target_link_libraries(quorvane_hostplatform PUBLIC quorvane_driver)
  # The driver's hardware seam (probes/hardware_access.h) is supplied by the host platform.
  target_link_libraries(quorvane_driver PUBLIC quorvane_hostplatform)
  target_compile_options(quorvane_hostplatform PRIVATE ${ARGN})
endfunction()
