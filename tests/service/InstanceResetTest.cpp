#include "support/TempDir.h"

#include "service/CInstanceReset.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace brivex {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

constexpr const char* DeviceKey = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_9e3c&Pid_6502";

// Two USB devices in a sysfs-shaped tree: the modem and another with a different serial.
void AddUsbDevice(const TempDir& dir, const std::string& port, const std::string& serial)
{
    const std::string device = "sys/devices/pci0000:00/0000:00:14.0/usb1/" + port;
    dir.write(device + "/serial", serial + "\n");
    dir.write(device + "/authorized", "1\n");
    dir.write(device + "/" + port + ":1.2/bInterfaceNumber", "02\n");
    fs::create_directories(dir / "sys/bus/usb/devices");
    fs::create_symlink("../../../devices/pci0000:00/0000:00:14.0/usb1/" + port, dir / "sys/bus/usb/devices" / port);
    fs::create_symlink("../../../devices/pci0000:00/0000:00:14.0/usb1/" + port + "/" + port + ":1.2",
                       dir / "sys/bus/usb/devices" / (port + ":1.2"));
}

TEST(InstanceReset, DeletesOnlyTheModemInstanceWithItsSubKeys)
{
    TempDir dir;
    const CKeyStore store(dir.str());
    const std::string instance = std::string(DeviceKey) + "\\055505200000";
    ASSERT_TRUE(store.WriteValue(instance, "Service", "USBSTOR"));
    ASSERT_TRUE(store.WriteValue(instance + "\\Device Parameters", "PortName", "COM3"));
    ASSERT_TRUE(store.WriteValue(std::string(DeviceKey) + "\\055505200001", "Service", "USBSTOR"));
    ASSERT_TRUE(store.WriteValue(std::string(DeviceKey) + "\\0555052000000", "Service", "USBSTOR"));
    ASSERT_TRUE(store.WriteValue("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_9e3c&Pid_6501\\055505200000",
                                 "Service", "usbccgp"));

    CInstanceReset(store, CSysfs(dir.str() + "/sys"), false).Run();

    EXPECT_FALSE(store.KeyExists(instance));
    EXPECT_EQ(store.SubKeys(DeviceKey), (std::vector<std::string>{"0555052000000", "055505200001"}));
    EXPECT_TRUE(store.KeyExists("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_9e3c&Pid_6501\\055505200000"));
}

TEST(InstanceReset, AbsentRecordIsNoError)
{
    TempDir dir;
    const CInstanceReset reset(CKeyStore(dir.str()), CSysfs(dir.str() + "/sys"), true);
    EXPECT_TRUE(reset.DeleteRecord());
    EXPECT_EQ(reset.Rebind(), 0);
}

TEST(InstanceReset, RebindReauthorisesTheDeviceWithTheSerialOnly)
{
    TempDir dir;
    AddUsbDevice(dir, "1-2", "055505200000");
    AddUsbDevice(dir, "1-3", "123");
    std::vector<std::pair<std::string, std::string>> writes;
    const CInstanceReset reset(CKeyStore(dir.str()), CSysfs(dir.str() + "/sys"), true,
                               [&](const std::string& path, const std::string& value) {
                                   writes.emplace_back(fs::relative(path, dir.path()).string(), value);
                                   return true;
                               });
    reset.Run();
    const std::string authorized = "sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/authorized";
    EXPECT_EQ(writes, (std::vector<std::pair<std::string, std::string>>{{authorized, "0"}, {authorized, "1"}}));
}

}  // namespace
}  // namespace brivex
