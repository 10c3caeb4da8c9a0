#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brivex {

// "-E <label>": opens the door of every CD drive sr<n> (ascending n) whose
// ISO 9660 volume label, upper-cased, equals the label.
class CCdEject {
public:
    using OpenDoor = std::function<bool(const std::string& device)>;

    explicit CCdEject(std::string deviceDirectory, OpenDoor openDoor = EjectDevice);

    // The number of drives whose door was asked to open.
    int EjectByLabel(const std::string& label) const;

    std::vector<std::string> Drives() const;
    // The volume identifier of the primary volume descriptor (sector 16),
    // trailing blanks removed; nullopt when the medium has none.
    static std::optional<std::string> VolumeLabel(const std::string& device);
    static bool EjectDevice(const std::string& device);

private:
    std::string m_deviceDirectory;
    OpenDoor m_openDoor;
};

}  // namespace brivex
