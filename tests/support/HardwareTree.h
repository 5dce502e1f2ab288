#pragma once

#include "support/MacTree.h"

namespace tw::test {

// Host trees for the hardware readers, written under a MacTree's root.

// An Apple laptop running Linux: board "MacBookPro18,3" with serial
// "C02FP12ABCDE", "Apple M1 Pro", an "asahi" graphics card, NVMe "APPLE SSD
// AP1024R", a Bluetooth mouse's battery (listed first) and the laptop's own:
// 87 %, 62 of 70 Wh, 123 cycles, charging, 30.5 °C.
void writeMacLikeHardware(const MacTree& tree);

// An ordinary desktop: board "OptiPlex 7080" without a readable serial, an
// Intel processor and graphics card (8086:9bc5, named by the PCI id list
// under the root), a 27-inch monitor on DisplayPort, SATA disks "Samsung SSD 870 EVO 1TB"
// (sda) and "ST2000DM008-2FR102" (sdb, spinning), a USB stick (sdc), loop,
// zram and device-mapper devices, mains power and a wireless mouse's battery.
void writePcHardware(const MacTree& tree);

// A Linux laptop: board "21AH00BSUS", an AMD graphics device the id list
// does not know (1002:1681), a 309 x 174 mm panel on eDP (14 inches) and a
// 27-inch monitor on DisplayPort, listed before it.
void writeLaptopHardware(const MacTree& tree);

// A virtual machine: "AMD EPYC" processors, board "Standard PC (Q35 + ICH9,
// 2009)", the firmware's framebuffer (card0) and a virtio GPU (card1,
// 1af4:1050) whose virtual display claims 508 x 286 mm.
void writeVirtualMachineHardware(const MacTree& tree);

// A display's EDID: 128 bytes giving the physical size in millimetres in the
// first detailed timing (and rounded to centimetres in the base block).
QByteArray edidBlock(int widthMm, int heightMm);

} // namespace tw::test
