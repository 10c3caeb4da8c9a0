#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brivex {

class CEngine;

// DM_GET_SERVICE (0x8001): the modem's identity into the profile: software
// version, build date and hardware version, MIN and ESN, and the own number
// read from NV item 215 through the vendor relay.
class CIdentityOperations {
public:
    static constexpr const char* kBadNumber = "----------";

    explicit CIdentityOperations(CEngine& engine);

    std::uint16_t GetService();

    // A modem text as a profile value: upper-cased, and no control
    // character (a line break would start a new key).
    static std::string ProfileText(std::string_view text);

private:
    bool ReadVersion();
    bool ReadDiagStatus();
    bool ReadOwnNumber();

    CEngine& m_engine;
};

}  // namespace brivex
