# SPDX-License-Identifier: BSD-2-Clause-Patent
# Cross toolchain for PE32+ EFI images: clang++ for an x86-64 Windows target,
# freestanding, linked by lld-link without any library.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_COMPILER_TARGET x86_64-unknown-windows)
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_EXECUTABLE_SUFFIX .efi)
set(CMAKE_CXX_FLAGS_INIT "-target x86_64-unknown-windows -ffreestanding -fno-exceptions -fno-rtti -mno-red-zone -fshort-wchar -fno-stack-protector -mno-stack-arg-probe -fno-threadsafe-statics")
set(CMAKE_CXX_LINK_EXECUTABLE "lld-link /nologo <LINK_FLAGS> <OBJECTS> /out:<TARGET>")
