#include "CFakeUsbTree.h"

#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;

namespace brivex::test {

CFakeUsbTree::CFakeUsbTree()
{
    fs::create_directories(Root() + "/bus/usb/devices");
    fs::create_directories(Root() + "/bus/usb/drivers/option");
    fs::create_directories(Root() + "/bus/usb/drivers/usb-storage");
    fs::create_directories(Root() + "/bus/usb-serial/drivers/option1");
}

std::string CFakeUsbTree::DevicePath(const std::string& port) const
{
    return Root() + "/devices/pci0000:00/0000:00:14.0/usb1/" + port;
}

std::string CFakeUsbTree::InterfacePath(const std::string& port, int number) const
{
    return DevicePath(port) + "/" + port + ":1." + std::to_string(number);
}

void CFakeUsbTree::WriteFile(const std::string& path, const std::string& content) const
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

void CFakeUsbTree::Link(const std::string& link, const std::string& target) const
{
    fs::create_directories(fs::path(link).parent_path());
    fs::create_symlink(fs::relative(target, fs::path(link).parent_path()), link);
}

void CFakeUsbTree::Add(const SFakeDevice& device)
{
    const std::string dev = DevicePath(device.port);
    WriteFile(dev + "/idVendor", device.vendor + "\n");
    WriteFile(dev + "/idProduct", device.product + "\n");
    WriteFile(dev + "/bcdDevice", device.bcdDevice + "\n");
    WriteFile(dev + "/serial", device.serial + "\n");
    WriteFile(dev + "/product", "CORVANA CDMA 1x EV-DO USB Modem\n");
    WriteFile(dev + "/authorized", "1\n");
    auto& links = m_links[device.port];
    const std::string devLink = Root() + "/bus/usb/devices/" + device.port;
    Link(devLink, dev);
    links.push_back(devLink);

    int tty = device.firstTty;
    for (std::size_t i = 0; i < device.interfaces.size(); ++i) {
        const SFakeInterface& itf = device.interfaces[i];
        const std::string name = device.port + ":1." + std::to_string(i);
        const std::string path = InterfacePath(device.port, static_cast<int>(i));
        WriteFile(path + "/bInterfaceNumber", "0" + std::to_string(i) + "\n");
        WriteFile(path + "/bInterfaceClass", itf.cls + "\n");
        WriteFile(path + "/bInterfaceSubClass", itf.subClass + "\n");
        WriteFile(path + "/bInterfaceProtocol", itf.protocol + "\n");
        if (itf.authorized)
            WriteFile(path + "/authorized", *itf.authorized + "\n");
        if (itf.runtimeError)
            WriteFile(path + "/power/runtime_status", "error\n");
        const std::string ifLink = Root() + "/bus/usb/devices/" + name;
        Link(ifLink, path);
        links.push_back(ifLink);
        if (!itf.bound)
            continue;
        Link(path + "/driver", Root() + "/bus/usb/drivers/option");
        const std::string drvLink = Root() + "/bus/usb/drivers/option/" + name;
        Link(drvLink, path);
        links.push_back(drvLink);
        const std::string ttyName = "ttyUSB" + std::to_string(tty++);
        fs::create_directories(path + "/" + ttyName);
        Link(path + "/" + ttyName + "/driver", Root() + "/bus/usb-serial/drivers/option1");
        const std::string ttyLink = Root() + "/bus/usb-serial/drivers/option1/" + ttyName;
        Link(ttyLink, path + "/" + ttyName);
        links.push_back(ttyLink);
    }
}

void CFakeUsbTree::Remove(const std::string& port)
{
    for (const auto& link : m_links[port])
        fs::remove(link);
    m_links.erase(port);
    fs::remove_all(DevicePath(port));
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

}  // namespace brivex::test
