# SPDX-License-Identifier: BSD-2-Clause-Patent
# The driver image in its two flavours: Quorvane.efi (shipped, writes nothing)
# and QuorvaneDiagnostics.efi (writes its diagnostic lines to the console).
# Code, constants and initialised data share one section (.text, writable),
# which saves a section header and its alignment each. Zero-initialised state
# keeps a section of its own: /merge:.bss=.bss overrides the linker's default
# .bss-into-.data merge (lld-link warns that the default merge is replaced),
# so the state takes no file bytes and the firmware's loader zero-fills it.
# Inside the merged section lld-link would pad it with 0xCC (code padding).
# /align:16 /filealign:16 keep the padding between sections small;
# -fno-jump-tables: compare chains are smaller than tables for these switches.
# /timestamp:0: no link time in the PE header, so a rebuild of the same sources
# gives the same bytes (/Brepro would do it too, at the cost of a 32-byte debug
# directory).
set(QUORVANE_EFI_COMPILE_OPTIONS -Oz -flto -Wall -Wextra -Werror -Wglobal-constructors -Wexit-time-destructors -fno-unwind-tables -fno-asynchronous-unwind-tables
    -ffunction-sections -fdata-sections -fno-jump-tables)
set(QUORVANE_EFI_DRIVER_LINK_FLAGS
    "/subsystem:efi_boot_service_driver /entry:DriverEntry /nodefaultlib /opt:ref /opt:icf /align:16 /filealign:16 /debug:none /merge:.rdata=.text /merge:.data=.text /merge:.bss=.bss /section:.text,ERW /timestamp:0")
# The memory routines are a plain object, outside link-time code generation:
# the linker then keeps only those that the generated code really calls
# (link-time code generation would keep every one of them, in case it emits a
# call late), and their loops cannot be turned back into calls of themselves.
set_source_files_properties(${CMAKE_SOURCE_DIR}/support/compiler_runtime_firmware.cpp
                            PROPERTIES COMPILE_OPTIONS "-fno-lto;-fno-builtin")
# A link map beside each image lets the budget report split it into HII data, code and the rest.

function(quorvane_driver_image Name Diagnostics)
  add_executable(${Name} ${QUORVANE_DRIVER_SOURCES} ${QUORVANE_FORMS_SOURCES})
  target_include_directories(${Name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${Name} PRIVATE ${QUORVANE_EFI_COMPILE_OPTIONS})
  target_compile_definitions(${Name} PRIVATE QUORVANE_DIAGNOSTICS=${Diagnostics})
  set_target_properties(${Name} PROPERTIES SUFFIX .efi
    LINK_FLAGS "${QUORVANE_EFI_DRIVER_LINK_FLAGS} /map:${CMAKE_BINARY_DIR}/${Name}.map")
endfunction()

quorvane_driver_image(Quorvane 0)
quorvane_driver_image(QuorvaneDiagnostics 1)

include(${CMAKE_SOURCE_DIR}/fwpack/fwpack.cmake)

if(EXISTS ${CMAKE_SOURCE_DIR}/testbed/testbed.cmake)
  include(${CMAKE_SOURCE_DIR}/testbed/testbed.cmake)
endif()
