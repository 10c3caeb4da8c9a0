#pragma once

#include <cstdint>

namespace brivex {

class CEngine;

// The two data-rate reads behind the data-rate bars: EV-DO (indicator 5)
// and 1x (indicator 6).
class CDataRateOperations {
public:
    static constexpr int kEvdoIndicator = 5;
    static constexpr int kOneXIndicator = 6;

    explicit CDataRateOperations(CEngine& engine);

    std::uint16_t ReadEvdo();  // DM_PREF_HDR_DRC (82)
    std::uint16_t ReadOneX();  // DM_PREF_1X_DRC (84)

private:
    CEngine& m_engine;
};

}  // namespace brivex
