#include "dialup/CDialupEntry.h"

#include "app/CDebugViews.h"
#include "dialup/CRasClient.h"

namespace brivex {

bool CDialupEntry::CreateOrUpdate(CRasClient* client, const std::string& phoneNumber, const std::string& userName,
                                  const std::string& password, std::string& statusText)
{
    if (!client)
        return false;
    std::string device;
    if (client->FindModemDevice(device) == 0) {
        BX_LOG(LEVEL_ST, "createdialupentry error");
        return false;
    }
    const int created =
        client->CreateEntry(kEntryName, "modem", device, ras::kProtocolIp, ras::kFramingPpp, phoneNumber, kPhonebook);
    if (created == ras::kAlreadyExists &&
        client->UpdateEntry(kEntryName, {device, phoneNumber}, kPhonebook) != 1) {
        statusText = kEntryFailure;
        return false;
    }
    if (client->SetEntryOptions(kEntryName, ras::kProgramOptions, true, "modem", device, kPhonebook) != 0) {
        statusText = kEntryFailure;
        return false;
    }
    client->SetDialParams(kEntryName, userName, password, kPhonebook);
    return true;
}

}  // namespace brivex
