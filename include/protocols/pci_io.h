// SPDX-License-Identifier: BSD-2-Clause-Patent
// EFI_PCI_IO_PROTOCOL.
#pragma once
#include "include/uefi_types.h"

enum EFI_PCI_IO_PROTOCOL_WIDTH : UINT32 {
  EfiPciIoWidthUint8,
  EfiPciIoWidthUint16,
  EfiPciIoWidthUint32,
  EfiPciIoWidthUint64,
  EfiPciIoWidthFifoUint8,
  EfiPciIoWidthFifoUint16,
  EfiPciIoWidthFifoUint32,
  EfiPciIoWidthFifoUint64,
  EfiPciIoWidthFillUint8,
  EfiPciIoWidthFillUint16,
  EfiPciIoWidthFillUint32,
  EfiPciIoWidthFillUint64,
  EfiPciIoWidthMaximum
};

struct EFI_PCI_IO_PROTOCOL;

typedef EFI_STATUS(EFIAPI *EFI_PCI_IO_PROTOCOL_MEM)(EFI_PCI_IO_PROTOCOL *This, EFI_PCI_IO_PROTOCOL_WIDTH Width,
                                                    UINT8 BarIndex, UINT64 Offset, UINTN Count, VOID *Buffer);
typedef EFI_STATUS(EFIAPI *EFI_PCI_IO_PROTOCOL_CONFIG)(EFI_PCI_IO_PROTOCOL *This, EFI_PCI_IO_PROTOCOL_WIDTH Width,
                                                       UINT32 Offset, UINTN Count, VOID *Buffer);

struct EFI_PCI_IO_PROTOCOL_ACCESS {
  EFI_PCI_IO_PROTOCOL_MEM Read;
  EFI_PCI_IO_PROTOCOL_MEM Write;
};
struct EFI_PCI_IO_PROTOCOL_CONFIG_ACCESS {
  EFI_PCI_IO_PROTOCOL_CONFIG Read;
  EFI_PCI_IO_PROTOCOL_CONFIG Write;
};

struct EFI_PCI_IO_PROTOCOL {
  VOID *PollMem;
  VOID *PollIo;
  EFI_PCI_IO_PROTOCOL_ACCESS Mem;
  EFI_PCI_IO_PROTOCOL_ACCESS Io;
  EFI_PCI_IO_PROTOCOL_CONFIG_ACCESS Pci;
  VOID *CopyMem;
  VOID *Map;
  VOID *Unmap;
  VOID *AllocateBuffer;
  VOID *FreeBuffer;
  VOID *Flush;
  EFI_STATUS(EFIAPI *GetLocation)(EFI_PCI_IO_PROTOCOL *This, UINTN *SegmentNumber, UINTN *BusNumber,
                                  UINTN *DeviceNumber, UINTN *FunctionNumber);
  VOID *Attributes;
  VOID *GetBarAttributes;
  VOID *SetBarAttributes;
  UINT64 RomSize;
  VOID *RomImage;
};
static_assert(sizeof(EFI_PCI_IO_PROTOCOL) == 160, "PCI I/O protocol");
static_assert(__builtin_offsetof(EFI_PCI_IO_PROTOCOL, Pci) == 48, "PCI configuration access slot");

#define PCI_CLASS_MASS_STORAGE 0x01
#define PCI_CLASS_MASS_STORAGE_IDE 0x01
#define PCI_CLASS_CODE_OFFSET 0x09  // programming interface, sub-class at 0x0A, base class at 0x0B
