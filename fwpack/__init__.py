# SPDX-License-Identifier: BSD-2-Clause-Patent
"""fwpack: writes and reads PI firmware files, their sections, dependency
expressions and firmware volumes (PI specification, volume 3), and puts
firmware files into an OVMF code image. Python standard library only."""
