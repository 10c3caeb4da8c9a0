#pragma once

#include "platform/CKeyStore.h"
#include "platform/CSysfs.h"

#include <functional>
#include <string>

namespace brivex {

// What the service does once at every start: forget the modem instance's
// record (the driver choice veku stored) and, as root, make the kernel bind
// the device afresh by de-authorising and re-authorising it.
class CInstanceReset {
public:
    using Writer = std::function<bool(const std::string& path, const std::string& value)>;

    static constexpr const char* InstanceKey =
        "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_9e3c&Pid_6502\\055505200000";
    static constexpr const char* Serial = "055505200000";

    CInstanceReset(CKeyStore store, CSysfs sysfs, bool rebind, Writer writer = CSysfs::WriteAttribute);

    void Run() const;
    // Removes the record with all its sub keys; a missing record is no error.
    bool DeleteRecord() const;
    // Re-authorises every present USB device with the instance's serial;
    // returns how many were found.
    int Rebind() const;

private:
    CKeyStore m_store;
    CSysfs m_sysfs;
    bool m_rebind;
    Writer m_write;
};

}  // namespace brivex
