#pragma once

#include <string>

namespace brivex {

class CRasClient;

// The program's own dial-up entry, "Corvana NetWork" in the private
// phonebook "VOZUDI": made on first use, brought up to date (device, number,
// options, account) at start-up and before every Connect.
class CDialupEntry {
public:
    static constexpr const char* kEntryName = "Corvana NetWork";
    static constexpr const char* kPhonebook = "VOZUDI";
    static constexpr const char* kEntryFailure = "Fail to Set My Network Entry!";

    // Creates or updates the entry; on an entry write failure statusText
    // receives "Fail to Set My Network Entry!". True on success.
    static bool CreateOrUpdate(CRasClient* client, const std::string& phoneNumber, const std::string& userName,
                               const std::string& password, std::string& statusText);
};

}  // namespace brivex
