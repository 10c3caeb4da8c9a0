#include "CSimDeviceTree.h"

#include "platform/CSysfs.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using brivex::CSysfs;
using brivex::sim::CSimDeviceTree;

namespace {

bool Inside(const fs::path& path, const fs::path& base)
{
    const std::string p = fs::weakly_canonical(path).string();
    const std::string b = fs::weakly_canonical(base).string();
    return p.rfind(b + "/", 0) == 0;
}

std::string Attr(const fs::path& file)
{
    return CSysfs::ReadAttribute(file.string()).value_or("<missing>");
}

class SimDeviceTreeTest : public ::testing::Test {
protected:
    brivex::test::TempDir dir;
};

TEST_F(SimDeviceTreeTest, EveryLinkIsRelativeAndResolvesInsideTheBase)
{
    CSimDeviceTree tree(dir.path() / "B", {});
    tree.Build();
    int links = 0;
    for (const auto& entry : fs::recursive_directory_iterator(tree.Base())) {
        if (!entry.is_symlink())
            continue;
        ++links;
        EXPECT_TRUE(fs::read_symlink(entry.path()).is_relative()) << entry.path();
        ASSERT_TRUE(fs::exists(entry.path())) << "dangling " << entry.path();
        EXPECT_TRUE(Inside(entry.path(), tree.Base())) << entry.path();
    }
    EXPECT_GT(links, 10);

    // The moved tree still resolves: nothing points at the old place.
    const fs::path moved = dir.path() / "moved";
    fs::rename(tree.Base(), moved);
    const auto port = CSysfs::RealPath((moved / "sys/bus/usb-serial/drivers/option1/ttyUSB2").string());
    ASSERT_TRUE(port.has_value());
    EXPECT_TRUE(Inside(*port, moved));
}

TEST_F(SimDeviceTreeTest, DeviceInterfacesAndPortsCarryTheirAttributes)
{
    CSimDeviceTree tree(dir.path() / "B", {});
    tree.Build();
    const fs::path dev = tree.DeviceDir();
    EXPECT_EQ(Attr(dev / "idVendor"), "9e3c");
    EXPECT_EQ(Attr(dev / "idProduct"), "6502");
    EXPECT_EQ(Attr(dev / "serial"), "055505200000");
    EXPECT_NE(Attr(dev / "product").find("CORVANA"), std::string::npos);
    EXPECT_EQ(Attr(dev / "authorized"), "1");

    CSysfs sysfs(tree.SysfsRoot().string());
    for (int i = 0; i < CSimDeviceTree::kInterfaces; ++i) {
        SCOPED_TRACE(i);
        const std::string port = "ttyUSB" + std::to_string(i);
        EXPECT_EQ(Attr(tree.InterfaceDir(i) / "bInterfaceNumber"), "0" + std::to_string(i));
        EXPECT_EQ(Attr(tree.InterfaceDir(i) / "bInterfaceClass"), "ff");
        EXPECT_EQ(CSysfs::LinkTargetName((tree.InterfaceDir(i) / "driver").string()).value_or(""), "option");
        EXPECT_EQ(CSysfs::LinkTargetName((tree.PortDir(i) / "driver").string()).value_or(""), "option1");
        EXPECT_EQ(Attr(tree.PortDir(i) / "dev"), "188:" + std::to_string(i));
        // Walking up from the driver entry finds the interface, then the device.
        const auto real = CSysfs::RealPath(sysfs.Path("bus/usb-serial/drivers/option1/" + port));
        ASSERT_TRUE(real.has_value());
        const auto iface = sysfs.AncestorWith(*real, "bInterfaceNumber");
        const auto device = sysfs.AncestorWith(*real, "idVendor");
        ASSERT_TRUE(iface && device);
        EXPECT_EQ(fs::path(*iface).filename(), "1-2:1." + std::to_string(i));
        EXPECT_EQ(fs::path(*device).filename(), "1-2");
        EXPECT_TRUE(CSysfs::Exists(sysfs.Path("class/tty/" + port)));
        EXPECT_TRUE(CSysfs::Exists(sysfs.Path("bus/usb/drivers/option/1-2:1." + std::to_string(i))));
    }
    EXPECT_TRUE(fs::is_directory(tree.SysDir()));
    EXPECT_TRUE(fs::is_directory(tree.RunDir()));
}

TEST_F(SimDeviceTreeTest, OptionsMakeTheVariants)
{
    struct Case {
        const char* name;
        CSimDeviceTree::Options options;
        std::vector<std::string> driverEntries;  // of the usb-serial driver directory
        bool interface1Present;
        const char* authorized;
        bool driverLinked;
    };
    auto with = [](auto change) {
        CSimDeviceTree::Options o;
        change(o);
        return o;
    };
    const Case cases[] = {
        {"two-digit ports", with([](auto& o) { o.portBase = 10; }), {"ttyUSB10", "ttyUSB11", "ttyUSB12"}, true, "1", true},
        {"older driver", with([](auto& o) { o.driver = "qcserial"; }), {"ttyUSB0", "ttyUSB1", "ttyUSB2"}, true, "1", true},
        {"voice left out", with([](auto& o) { o.omitInterfaces = {1}; }), {"ttyUSB0", "ttyUSB2"}, false, "1", true},
        {"not authorized", with([](auto& o) { o.authorized = false; }), {"ttyUSB0", "ttyUSB1", "ttyUSB2"}, true, "0", true},
        {"no driver", with([](auto& o) { o.driverBound = false; }), {}, true, "1", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CSimDeviceTree tree(dir.path() / c.name, c.options);
        tree.Build();
        EXPECT_EQ(CSysfs::List((tree.SysfsRoot() / "bus/usb-serial/drivers" / c.options.driver).string()),
                  c.driverEntries);
        EXPECT_EQ(fs::exists(tree.InterfaceDir(1)), c.interface1Present);
        EXPECT_EQ(Attr(tree.DeviceDir() / "authorized"), c.authorized);
        EXPECT_EQ(fs::is_symlink(tree.InterfaceDir(2) / "driver"), c.driverLinked);
    }
}

TEST_F(SimDeviceTreeTest, RemoveTakesThePortsAwayAndBuildPutsThemBack)
{
    CSimDeviceTree tree(dir.path() / "B", {});
    tree.Build();
    tree.LinkDevice(2, "/dev/null");
    tree.Remove();
    EXPECT_TRUE(CSysfs::List((tree.SysfsRoot() / "bus/usb-serial/drivers/option1").string()).empty());
    EXPECT_TRUE(CSysfs::List((tree.SysfsRoot() / "class/tty").string()).empty());
    EXPECT_TRUE(CSysfs::List((tree.SysfsRoot() / "bus/usb/devices").string()).empty());
    EXPECT_FALSE(fs::exists(tree.DeviceDir()));
    EXPECT_FALSE(fs::is_symlink(tree.DevicePath(2)));
    // The driver directory itself stays, as the loaded module's does.
    EXPECT_TRUE(fs::is_directory(tree.SysfsRoot() / "bus/usb-serial/drivers/option1"));

    tree.Build();
    EXPECT_EQ(CSysfs::List((tree.SysfsRoot() / "bus/usb-serial/drivers/option1").string()).size(), 3u);
}

}  // namespace
