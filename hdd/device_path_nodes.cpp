// SPDX-License-Identifier: BSD-2-Clause-Patent
// Device-path size, node appending and comparison.
#include "hdd/device_path_nodes.h"

#include "support/memory.h"
#include "support/service_context.h"

static UINTN NodeLength(const EFI_DEVICE_PATH_PROTOCOL *Node) {
  return (UINTN)Node->Length[0] | ((UINTN)Node->Length[1] << 8);
}

UINTN DevicePathSize(const EFI_DEVICE_PATH_PROTOCOL *Path) {
  if (Path == NULL) {
    return 0;
  }
  const UINT8 *Start = (const UINT8 *)Path;
  const UINT8 *Node = Start;
  for (;;) {
    const EFI_DEVICE_PATH_PROTOCOL *Header = (const EFI_DEVICE_PATH_PROTOCOL *)Node;
    UINTN Length = NodeLength(Header);
    // A node shorter than its header would never advance the walk.
    if (Length < sizeof(EFI_DEVICE_PATH_PROTOCOL)) {
      return 0;
    }
    Node += Length;
    if (Header->Type == END_DEVICE_PATH_TYPE && Header->SubType == END_ENTIRE_DEVICE_PATH_SUBTYPE) {
      return (UINTN)(Node - Start);
    }
  }
}

EFI_DEVICE_PATH_PROTOCOL *AppendDevicePathNode(const EFI_DEVICE_PATH_PROTOCOL *Path,
                                               const EFI_DEVICE_PATH_PROTOCOL *Node) {
  UINTN PathSize = DevicePathSize(Path);
  UINTN Kept = PathSize == 0 ? 0 : PathSize - END_DEVICE_PATH_LENGTH;
  UINTN Added = NodeLength(Node);
  UINT8 *Result = (UINT8 *)AllocateBootDataPool(Kept + Added + END_DEVICE_PATH_LENGTH);
  if (Result == NULL) {
    return NULL;
  }
  if (Kept != 0) {
    gBS->CopyMem(Result, Path, Kept);
  }
  gBS->CopyMem(Result + Kept, Node, Added);
  EFI_DEVICE_PATH_PROTOCOL *End = (EFI_DEVICE_PATH_PROTOCOL *)(Result + Kept + Added);
  End->Type = END_DEVICE_PATH_TYPE;
  End->SubType = END_ENTIRE_DEVICE_PATH_SUBTYPE;
  End->Length[0] = END_DEVICE_PATH_LENGTH;
  End->Length[1] = 0;
  return (EFI_DEVICE_PATH_PROTOCOL *)Result;
}

BOOLEAN IsDevicePathEqual(const EFI_DEVICE_PATH_PROTOCOL *A, const EFI_DEVICE_PATH_PROTOCOL *B) {
  if (A == NULL || B == NULL) {
    return FALSE;
  }
  UINTN Size = DevicePathSize(A);
  if (Size == 0 || Size != DevicePathSize(B)) {
    return FALSE;
  }
  const UINT8 *BytesA = (const UINT8 *)A;
  const UINT8 *BytesB = (const UINT8 *)B;
  for (UINTN Index = 0; Index < Size; Index++) {
    if (BytesA[Index] != BytesB[Index]) {
      return FALSE;
    }
  }
  return TRUE;
}
