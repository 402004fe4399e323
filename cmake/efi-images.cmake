# The driver image in its two flavours: Quorvane.efi (shipped, writes nothing)
# and QuorvaneDiagnostics.efi (writes its diagnostic lines to the console).
# -fno-zero-initialized-in-bss (and /mllvm:-nozero-initialized-in-bss for the
# link-time code generation): with .data merged into .text, lld-link fills the
# merged .bss with 0xCC (code padding), so zero-initialised globals would start
# as 0xCCCC... on real firmware; in .data they are stored as zeros.
set(QUORVANE_EFI_COMPILE_OPTIONS -Oz -flto -fno-zero-initialized-in-bss -Wall -Wextra -Werror -Wglobal-constructors -Wexit-time-destructors -fno-unwind-tables -fno-asynchronous-unwind-tables
    -ffunction-sections -fdata-sections)
set(QUORVANE_EFI_DRIVER_LINK_FLAGS
    "/subsystem:efi_boot_service_driver /entry:DriverEntry /nodefaultlib /opt:ref /opt:icf /align:32 /filealign:32 /debug:none /merge:.rdata=.text /merge:.data=.text /section:.text,ERW /mllvm:-nozero-initialized-in-bss")
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

if(EXISTS ${CMAKE_SOURCE_DIR}/testbed/testbed.cmake)
  include(${CMAKE_SOURCE_DIR}/testbed/testbed.cmake)
endif()
