#include "CSimModemState.h"

#include <algorithm>

namespace brivex::sim {

std::uint16_t CSimModemState::UnreadInMemory() const
{
    const auto it = sms.storages.find(kSmsMemory);
    if (it == sms.storages.end())
        return 0;
    const auto unread = std::count_if(it->second.begin(), it->second.end(),
                                      [](const SmsMessage& m) { return m.tag == kTagUnread; });
    return static_cast<std::uint16_t>(std::min<std::ptrdiff_t>(unread, 0xFFFF));
}

CSimModemState::SmsMessage* CSimModemState::FindSms(std::uint32_t storage, std::uint32_t slot)
{
    auto& list = SmsIn(storage);
    const auto it = std::find_if(list.begin(), list.end(), [slot](const SmsMessage& m) { return m.slot == slot; });
    return it == list.end() ? nullptr : &*it;
}

void CSimModemState::StoreSms(std::uint32_t storage, const SmsMessage& message)
{
    auto& list = SmsIn(storage);
    if (SmsMessage* old = FindSms(storage, message.slot)) {
        *old = message;
        return;
    }
    const auto at = std::find_if(list.begin(), list.end(), [&](const SmsMessage& m) { return m.slot > message.slot; });
    list.insert(at, message);
}

bool CSimModemState::DeleteSms(std::uint32_t storage, std::uint32_t slot)
{
    auto& list = SmsIn(storage);
    const auto it = std::find_if(list.begin(), list.end(), [slot](const SmsMessage& m) { return m.slot == slot; });
    if (it == list.end())
        return false;
    list.erase(it);
    return true;
}

CSimModemState::PbStorage* CSimModemState::Phonebook(std::uint8_t storage)
{
    const auto it = phonebook.find(storage);
    return it == phonebook.end() ? nullptr : &it->second;
}

}  // namespace brivex::sim
