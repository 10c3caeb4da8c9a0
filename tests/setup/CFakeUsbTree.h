#pragma once

#include "support/TempDir.h"

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace brivex::test {

struct SFakeInterface {
    std::string cls = "ff";
    std::string subClass = "ff";
    std::string protocol = "ff";
    std::optional<std::string> authorized = "1";  // nullopt: no attribute file
    bool bound = true;                            // driver link to "option" and a ttyUSB port
    bool runtimeError = false;                    // power/runtime_status "error"
};

struct SFakeDevice {
    std::string port = "1-2";
    std::string vendor = "9e3c";
    std::string product = "6502";
    std::string bcdDevice = "0000";
    std::string serial = "055505200000";
    std::vector<SFakeInterface> interfaces = std::vector<SFakeInterface>(3);
    int firstTty = 0;
};

// A sysfs tree shaped like the simulated modem's (devices, bus/usb/devices
// links, the option and option1 driver directories with their relative links).
class CFakeUsbTree {
public:
    CFakeUsbTree();

    std::string Root() const { return (m_dir.path() / "sys").string(); }
    const TempDir& Dir() const { return m_dir; }

    void Add(const SFakeDevice& device);
    // Takes the device away with every link into it, as an unplug does.
    void Remove(const std::string& port);

    std::string DevicePath(const std::string& port) const;
    std::string InterfacePath(const std::string& port, int number) const;
    void WriteFile(const std::string& path, const std::string& content) const;

private:
    void Link(const std::string& link, const std::string& target) const;

    TempDir m_dir;
    std::map<std::string, std::vector<std::string>> m_links;  // per port, links made for it
};

// Polls the condition every 20 ms until it holds or the time-out passes.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

}  // namespace brivex::test
