#include "service/CInstanceReset.h"

namespace brivex {

CInstanceReset::CInstanceReset(CKeyStore store, CSysfs sysfs, bool rebind, Writer writer)
    : m_store(std::move(store)), m_sysfs(std::move(sysfs)), m_rebind(rebind), m_write(std::move(writer))
{
}

void CInstanceReset::Run() const
{
    DeleteRecord();
    if (m_rebind)
        Rebind();
}

bool CInstanceReset::DeleteRecord() const { return m_store.DeleteTree(InstanceKey); }

int CInstanceReset::Rebind() const
{
    const std::string devices = m_sysfs.Path("bus/usb/devices");
    // A dynamic id that "veku -T" gave the mass-storage driver would claim the
    // device again on re-authorisation.
    const std::string storage = m_sysfs.Path("bus/usb/drivers/usb-storage");
    if (CSysfs::IsDirectory(storage))
        m_write(storage + "/remove_id", "9e3c 6502");
    int found = 0;
    for (const auto& name : CSysfs::List(devices)) {
        if (name.find(':') != std::string::npos)
            continue;
        const auto real = CSysfs::RealPath(devices + "/" + name);
        if (!real || CSysfs::ReadAttribute(*real + "/serial") != Serial)
            continue;
        m_write(*real + "/authorized", "0");
        m_write(*real + "/authorized", "1");
        ++found;
    }
    return found;
}

}  // namespace brivex
