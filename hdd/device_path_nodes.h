// SPDX-License-Identifier: BSD-2-Clause-Patent
// Device-path size, node appending and comparison, with the usual UEFI
// device-path rules: a path is a chain of nodes closed by an end node.
#pragma once
#include "include/device_path.h"

// Bytes of Path up to and including its end-of-entire-path node; 0 for a null
// path or one with a node shorter than a node header.
UINTN DevicePathSize(const EFI_DEVICE_PATH_PROTOCOL *Path);
// New pool copy of Path without its end node, then Node, then an end node.
// A null Path counts as empty. Null when pool runs out; the caller frees it.
EFI_DEVICE_PATH_PROTOCOL *AppendDevicePathNode(const EFI_DEVICE_PATH_PROTOCOL *Path,
                                               const EFI_DEVICE_PATH_PROTOCOL *Node);
// TRUE when both paths exist, have the same size and the same bytes.
BOOLEAN IsDevicePathEqual(const EFI_DEVICE_PATH_PROTOCOL *A, const EFI_DEVICE_PATH_PROTOCOL *B);
