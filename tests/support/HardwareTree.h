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
// Intel processor and graphics card, SATA disks "Samsung SSD 870 EVO 1TB"
// (sda) and "ST2000DM008-2FR102" (sdb, spinning), a USB stick (sdc), loop,
// zram and device-mapper devices, mains power and a wireless mouse's battery.
void writePcHardware(const MacTree& tree);

} // namespace tw::test
