// SPDX-License-Identifier: BSD-2-Clause-Patent
// DriverEntry: the service tables, the start-up and shut-down lists, the image exit.
#include "entry/driver_entry.h"

#include "entry/driver_init.h"
#include "include/guids.h"
#include "support/service_context.h"

INT32 LoadedImageConstructor(VOID) {
  EFI_STATUS Status = gBS->HandleProtocol(gImageHandle, &gEfiLoadedImageProtocolGuid,
                                          reinterpret_cast<VOID **>(&mLoadedImage));
  return EFI_ERROR(Status) ? 1 : 0;
}

namespace {

// The library-constructor list holds one entry; the initialiser, pre-termination
// and termination lists are empty.
constexpr LIBRARY_CONSTRUCTOR mLibraryConstructors[] = {LoadedImageConstructor};

}  // namespace

INT32 RunLibraryConstructorList(const LIBRARY_CONSTRUCTOR *First, const LIBRARY_CONSTRUCTOR *End) {
  INT32 Result = 0;
  for (const LIBRARY_CONSTRUCTOR *Slot = First; Slot < End && Result == 0; Slot++) {
    if (*Slot != NULL) {
      Result = (*Slot)();
    }
  }
  return Result;
}

VOID RunHookList(const LIBRARY_HOOK *First, const LIBRARY_HOOK *End) {
  if (First == NULL || End == NULL) {
    return;
  }
  for (const LIBRARY_HOOK *Slot = First; Slot < End; Slot++) {
    if (*Slot != NULL) {
      (*Slot)();
    }
  }
}

VOID ExitImage(INT32 ExitCode) {
  gBS->Exit(gImageHandle, (EFI_STATUS)(INT64)ExitCode, 0, NULL);
  // Exit hands control back to whoever started the image; should it ever
  // return, there is nothing sound left to do here but wait. The loop's body
  // is an instruction the optimiser must keep: an empty endless loop may be
  // removed, and the code would fall through into whatever follows.
  for (;;) {
    __asm__ volatile("pause" ::: "memory");
  }
}

extern "C" EFI_STATUS EFIAPI DriverEntry(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable) {
  gImageHandle = ImageHandle;
  gST = SystemTable;
  gBS = SystemTable->BootServices;
  gRT = SystemTable->RuntimeServices;

  if (RunLibraryConstructorList(mLibraryConstructors, mLibraryConstructors + 1) != 0) {
    return EFI_UNSUPPORTED;
  }
  RunHookList(NULL, NULL);  // initialisers

  return CompleteDriverEntry(DxeMain(ImageHandle, SystemTable));
}

EFI_STATUS CompleteDriverEntry(EFI_STATUS Status) {
  if (Status == EFI_SUCCESS) {
    return EFI_SUCCESS;
  }
  RunHookList(NULL, NULL);  // pre-termination
  RunHookList(NULL, NULL);  // termination
  // The low 32 bits, taken as a signed number: the error bit is not carried.
  ExitImage((INT32)(UINT32)Status);
}
