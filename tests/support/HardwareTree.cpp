#include "support/HardwareTree.h"

namespace tw::test {

namespace {

void writeDisk(const MacTree& t, const QString& name, const QByteArray& vendor, const QByteArray& model, bool spinning)
{
    const QString base = QStringLiteral("/sys/block/") + name;
    t.write(base + QStringLiteral("/device/vendor"), vendor + "     \n");
    t.write(base + QStringLiteral("/device/model"), model + "    \n");
    t.write(base + QStringLiteral("/queue/rotational"), spinning ? "1\n" : "0\n");
}

// A power supply as its uevent file lists it.
void writeSupply(const MacTree& t, const QString& name, const std::vector<std::pair<const char*, QByteArray>>& fields)
{
    QByteArray uevent = "POWER_SUPPLY_NAME=" + name.toUtf8() + '\n';
    for (const auto& [key, value] : fields)
        uevent += "POWER_SUPPLY_" + QByteArray(key) + '=' + value + '\n';
    t.write(QStringLiteral("/sys/class/power_supply/") + name + QStringLiteral("/uevent"), uevent);
}

void writeConnector(const MacTree& t, const QString& name, const QByteArray& edid)
{
    const QString base = QStringLiteral("/sys/class/drm/") + name;
    t.write(base + QStringLiteral("/status"), edid.isEmpty() ? "disconnected\n" : "connected\n");
    t.write(base + QStringLiteral("/edid"), edid);
}

} // namespace

QByteArray edidBlock(int widthMm, int heightMm)
{
    QByteArray e(128, '\0');
    const char header[] = {0, char(0xff), char(0xff), char(0xff), char(0xff), char(0xff), char(0xff), 0};
    e.replace(0, 8, QByteArray(header, 8));
    e[18] = 1;
    e[19] = 4;
    e[21] = char((widthMm + 5) / 10);
    e[22] = char((heightMm + 5) / 10);
    e[54] = char(0x3c);  // a pixel clock: a detailed timing follows
    e[55] = char(0x8f);
    e[66] = char(widthMm & 0xff);
    e[67] = char(heightMm & 0xff);
    e[68] = char(((widthMm >> 8) & 0x0f) << 4 | ((heightMm >> 8) & 0x0f));
    int sum = 0;
    for (int i = 0; i < 127; ++i)
        sum += static_cast<unsigned char>(e[i]);
    e[127] = char((256 - sum % 256) % 256);
    return e;
}

void writeMacLikeHardware(const MacTree& t)
{
    t.write("/etc/os-release", "NAME=\"Fedora Linux Asahi Remix\"\nVERSION_ID=39\nID=fedora\n");
    t.write("/proc/sys/kernel/osrelease", "6.6.3-414.asahi.fc39.aarch64+16k\n");
    t.write("/proc/cpuinfo", "processor\t: 0\nBogoMIPS\t: 48.00\nmodel name\t: Apple M1 Pro\n\n"
                             "processor\t: 1\nBogoMIPS\t: 48.00\nmodel name\t: Apple M1 Pro\n");
    t.write("/sys/class/dmi/id/product_name", "MacBookPro18,3\n");
    t.write("/sys/class/dmi/id/product_serial", "C02FP12ABCDE\n");
    t.symlink("/sys/class/drm/card0/device/driver", "../../../bus/platform/drivers/asahi");
    t.mkdir("/sys/class/drm/card0-eDP-1");
    t.mkdir("/sys/class/drm/renderD128");
    t.write("/sys/class/nvme/nvme0/model", "APPLE SSD AP1024R                       \n");
    t.write("/sys/block/nvme0n1/device/model", "APPLE SSD AP1024R                       \n");
    t.mkdir("/sys/block/loop0");
    writeSupply(t, "hid-00:1f:20:aa:bb:cc-battery", {{"TYPE", "Battery"}, {"SCOPE", "Device"}, {"CAPACITY", "40"}});
    writeSupply(t, "macsmc-ac", {{"TYPE", "Mains"}, {"ONLINE", "1"}});
    writeSupply(t, "macsmc-battery",
                {{"TYPE", "Battery"}, {"STATUS", "Charging"}, {"PRESENT", "1"}, {"CYCLE_COUNT", "123"},
                 {"ENERGY_FULL_DESIGN", "70000000"}, {"ENERGY_FULL", "62000000"}, {"ENERGY_NOW", "53940000"},
                 {"CAPACITY", "87"}, {"TEMP", "305"}, {"MODEL_NAME", "bq40z651"}});
}

void writePcHardware(const MacTree& t)
{
    t.write("/etc/os-release", "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\n"
                               "VERSION_ID=\"12\"\nVERSION=\"12 (bookworm)\"\n");
    t.write("/proc/sys/kernel/osrelease", "6.1.0-18-amd64\n");
    t.write("/proc/cpuinfo", "processor\t: 0\nvendor_id\t: GenuineIntel\n"
                             "model name\t: Intel(R) Core(TM) i7-10700 CPU @ 2.90GHz\ncpu MHz\t\t: 2900.000\n");
    t.write("/sys/class/dmi/id/product_name", "OptiPlex 7080\n");
    t.write("/sys/class/drm/card0/device/vendor", "0x8086\n");
    t.write("/sys/class/drm/card0/device/device", "0x9bc5\n");
    t.symlink("/sys/class/drm/card0/device/driver", "../../../bus/pci/drivers/i915");
    t.write("/sys/class/drm/version", "drm 1.1.0 20060810\n");
    writeConnector(t, "card0-DP-1", edidBlock(597, 336));
    writeConnector(t, "card0-HDMI-A-1", {});
    t.write("/usr/share/misc/pci.ids", "# PCI ids\n"
                                       "10de  NVIDIA Corporation\n\t9bc5  Not this one\n"
                                       "8086  Intel Corporation\n\t9bc4  CometLake-H GT2 [UHD Graphics]\n"
                                       "\t9bc5  CometLake-S GT2 [UHD Graphics 630]\n\t\t1028 09a4  OptiPlex\n"
                                       "C 03  Display controller\n");
    writeDisk(t, "sda", "ATA", "Samsung SSD 870 EVO 1TB", false);
    writeDisk(t, "sdb", "ATA", "ST2000DM008-2FR102", true);
    writeDisk(t, "sdc", "SanDisk", "Extreme SSD", false);
    writeDisk(t, "dm-0", "ATA", "Samsung SSD 870 EVO 1TB", false);
    writeDisk(t, "loop0", "ATA", "Samsung SSD 870 EVO 1TB", false);
    t.mkdir("/sys/block/zram0");
    t.mkdir("/sys/block/nbd0");
    writeSupply(t, "AC", {{"TYPE", "Mains"}, {"ONLINE", "1"}});
    writeSupply(t, "hidpp_battery_0", {{"TYPE", "Battery"}, {"SCOPE", "Device"}, {"CAPACITY", "55"}, {"STATUS", "Discharging"}});
}

void writeLaptopHardware(const MacTree& t)
{
    t.write("/etc/os-release", "NAME=\"Ubuntu\"\nVERSION_ID=\"24.04\"\n");
    t.write("/proc/cpuinfo", "processor\t: 0\nmodel name\t: AMD Ryzen 7 PRO 6850U with Radeon Graphics\n");
    t.write("/sys/class/dmi/id/product_name", "21AH00BSUS\n");
    t.write("/sys/class/dmi/id/product_serial", "PF3XYZ12\n");
    t.write("/sys/class/drm/card0/device/vendor", "0x1002\n");
    t.write("/sys/class/drm/card0/device/device", "0x1681\n");
    t.symlink("/sys/class/drm/card0/device/driver", "../../../bus/pci/drivers/amdgpu");
    writeConnector(t, "card0-DP-1", edidBlock(597, 336));
    writeConnector(t, "card0-eDP-1", edidBlock(309, 174));
}

void writeVirtualMachineHardware(const MacTree& t)
{
    t.write("/etc/os-release", "NAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\n");
    t.write("/proc/cpuinfo", "processor\t: 0\nmodel name\t: AMD EPYC\n\nprocessor\t: 1\nmodel name\t: AMD EPYC\n");
    t.write("/sys/class/dmi/id/product_name", "Standard PC (Q35 + ICH9, 2009)\n");
    t.symlink("/sys/class/drm/card0/device/driver", "../../../bus/platform/drivers/simple-framebuffer");
    t.write("/sys/class/drm/card1/device/vendor", "0x1af4\n");
    t.write("/sys/class/drm/card1/device/device", "0x1050\n");
    t.symlink("/sys/class/drm/card1/device/driver", "../../../bus/pci/drivers/virtio-pci");
    writeConnector(t, "card1-Virtual-1", edidBlock(508, 286));
}

} // namespace tw::test
