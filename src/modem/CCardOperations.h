#pragma once

#include <cstdint>

namespace brivex {

class CEngine;

// The card's PIN verification and unblocking with the codes the PIN dialog
// stored in the profile ([chv1] num, [chv1_temp] num), with the notices of
// the outcome and the attempt counters the PIN dialog shows.
class CCardOperations {
public:
    static constexpr std::uintptr_t kVerify = 1;
    static constexpr std::uintptr_t kUnblock = 5;

    explicit CCardOperations(CEngine& engine);

    // DM_RUIM_VERIFY (0x800B) with the CHV sub-command.
    std::uint16_t Verify(std::uintptr_t subCommand);

private:
    CEngine& m_engine;
};

}  // namespace brivex
