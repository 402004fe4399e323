// SPDX-License-Identifier: BSD-2-Clause-Patent
// Loads and starts an image from the calling image's volume.
#include "testbed/support/image_loader.h"

#include "include/guids.h"
#include "include/protocols/loaded_image.h"
#include "testbed/include/testbed_protocols.h"

namespace {

UINTN NodeLength(const EFI_DEVICE_PATH_PROTOCOL *Node) { return (UINTN)Node->Length[0] | ((UINTN)Node->Length[1] << 8); }

UINTN PathBytesBeforeEnd(const EFI_DEVICE_PATH_PROTOCOL *Path) {
  UINTN Size = 0;
  const UINT8 *Cursor = reinterpret_cast<const UINT8 *>(Path);
  for (;;) {
    const EFI_DEVICE_PATH_PROTOCOL *Node = reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL *>(Cursor + Size);
    UINTN Length = NodeLength(Node);
    if (Node->Type == END_DEVICE_PATH_TYPE || Length < 4) {
      return Size;
    }
    Size += Length;
  }
}

UINTN Char16Length(const CHAR16 *Text) {
  UINTN Length = 0;
  while (Text[Length] != 0) {
    Length++;
  }
  return Length;
}

}  // namespace

EFI_STATUS LoadAndStartImage(EFI_HANDLE ParentImage, EFI_SYSTEM_TABLE *SystemTable, const CHAR16 *Path,
                             EFI_HANDLE *Loaded) {
  EFI_BOOT_SERVICES *BS = SystemTable->BootServices;
  *Loaded = NULL;
  EFI_LOADED_IMAGE_PROTOCOL *Self = NULL;
  EFI_STATUS Status = BS->HandleProtocol(ParentImage, &gEfiLoadedImageProtocolGuid, reinterpret_cast<VOID **>(&Self));
  if (EFI_ERROR(Status)) {
    return Status;
  }
  EFI_DEVICE_PATH_PROTOCOL *Volume = NULL;
  Status = BS->HandleProtocol(Self->DeviceHandle, &gEfiDevicePathProtocolGuid, reinterpret_cast<VOID **>(&Volume));
  if (EFI_ERROR(Status)) {
    return Status;
  }
  UINTN Prefix = PathBytesBeforeEnd(Volume);
  UINTN NameBytes = (Char16Length(Path) + 1) * sizeof(CHAR16);
  UINTN FileNode = 4 + NameBytes;
  UINTN Total = Prefix + FileNode + END_DEVICE_PATH_LENGTH;
  UINT8 *Full = NULL;
  Status = BS->AllocatePool(EfiBootServicesData, Total, reinterpret_cast<VOID **>(&Full));
  if (EFI_ERROR(Status)) {
    return Status;
  }
  BS->CopyMem(Full, Volume, Prefix);
  UINT8 *Node = Full + Prefix;
  Node[0] = MEDIA_DEVICE_PATH;
  Node[1] = MEDIA_FILEPATH_DP;
  Node[2] = (UINT8)(FileNode & 0xFF);
  Node[3] = (UINT8)(FileNode >> 8);
  BS->CopyMem(Node + 4, Path, NameBytes);
  UINT8 *End = Node + FileNode;
  End[0] = END_DEVICE_PATH_TYPE;
  End[1] = END_ENTIRE_DEVICE_PATH_SUBTYPE;
  End[2] = END_DEVICE_PATH_LENGTH;
  End[3] = 0;

  EFI_HANDLE Image = NULL;
  Status = BS->LoadImage(FALSE, ParentImage, reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *>(Full), NULL, 0, &Image);
  BS->FreePool(Full);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  *Loaded = Image;
  return BS->StartImage(Image, NULL, NULL);
}

EFI_STATUS ReadFileBesideImage(EFI_HANDLE ParentImage, EFI_SYSTEM_TABLE *SystemTable, const CHAR16 *Path,
                               VOID *Buffer, UINTN *Size) {
  EFI_BOOT_SERVICES *BS = SystemTable->BootServices;
  EFI_LOADED_IMAGE_PROTOCOL *Self = NULL;
  EFI_STATUS Status = BS->HandleProtocol(ParentImage, &gEfiLoadedImageProtocolGuid, reinterpret_cast<VOID **>(&Self));
  EFI_SIMPLE_FILE_SYSTEM_PROTOCOL *Volume = NULL;
  if (!EFI_ERROR(Status)) {
    Status = BS->HandleProtocol(Self->DeviceHandle, &gEfiSimpleFileSystemProtocolGuid,
                                reinterpret_cast<VOID **>(&Volume));
  }
  EFI_FILE_PROTOCOL *Root = NULL;
  if (!EFI_ERROR(Status)) {
    Status = Volume->OpenVolume(Volume, &Root);
  }
  EFI_FILE_PROTOCOL *File = NULL;
  if (!EFI_ERROR(Status)) {
    Status = Root->Open(Root, &File, Path, EFI_FILE_MODE_READ, 0);
    if (!EFI_ERROR(Status)) {
      Status = File->Read(File, Size, Buffer);
      File->Close(File);
    }
    Root->Close(Root);
  }
  return Status;
}
