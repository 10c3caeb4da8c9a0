#include "modem/CCardOperations.h"

#include "app/CConfig.h"
#include "app/CDebugViews.h"
#include "modem/CCardPackets.h"
#include "modem/CDiagExchange.h"
#include "modem/CEngine.h"
#include "modem/CWindowSeam.h"
#include "modem/DiagCommands.h"
#include "modem/WorkerCommands.h"

namespace brivex {

namespace {

using Icon = CWindowSeam::Icon;

struct Outcome {
    const char* text = nullptr;  // the notice, when there is one
    Icon icon = Icon::Error;
    std::uint16_t result = DM_RUIM_VERIFY;
};

Outcome Judge(bool unblock, std::uint8_t sw1, std::uint8_t sw2)
{
    if (sw1 == CHV_SW1_SUCCESS)
        return {unblock ? "Successful UnBlock Pin Code Verification." : "Successful Pin Code Verification.",
                Icon::Information, DM_RUIM_VERIFY};
    if (sw1 != CHV_SW1_FAILURE)
        return {nullptr, Icon::Error, DM_RESULT_UNKNOWN_CHV};
    switch (sw2) {
    case CHV_SW2_WRONG_CODE:
        return {unblock ? "Unsuccessful Unblock Pin verification, at least one attempt left"
                        : "Unsuccessful PIN verification, at least one attempt left"};
    case CHV_SW2_DISABLED:
        return {"RUIM Card is disabled."};
    case CHV_SW2_BLOCKED:
        return unblock ? Outcome{"Unsuccessful Unblock Pin verification, no attempt left (Unblock Pin blocked)"}
                       : Outcome{"Unsuccessful PIN verification, no attempt left (PIN blocked)", Icon::Error,
                                 DM_RESULT_PIN_BLOCKED};
    default:
        return {};
    }
}

}  // namespace

CCardOperations::CCardOperations(CEngine& engine) : m_engine(engine) {}

std::uint16_t CCardOperations::Verify(std::uintptr_t subCommand)
{
    BX_LOG(LEVEL_DM, "Dm Sub DM_RUIM_VERIFY:");
    if (subCommand != kVerify && subCommand != kUnblock) {
        BX_LOG(LEVEL_ST, "ruim chv sub-command %lu not allowed", static_cast<unsigned long>(subCommand));
        return DM_RESULT_MODEM_REFUSED;
    }
    const bool unblock = subCommand == kUnblock;
    // The codes as the PIN dialog stored them; reads keep at most 8 characters.
    const std::string pin = CConfig::Text(keys::Chv1);
    const CRequestPacket request =
        unblock ? CCardPackets::BuildUnblockChv(CConfig::Text(keys::Chv1Temp), pin) : CCardPackets::BuildVerifyChv(pin);

    CDiagExchange exchange(m_engine.DiagPort());
    if (exchange.Run(request) != CCommPort::kAnswer) {
        BX_LOG(LEVEL_ST, "ruim chv1 verify error ");
        return DM_RESULT_TRANSACTION_FAILED;
    }
    const auto answer = unblock ? CCardPackets::ParseUnblockChvResponse(exchange.Answer())
                                : CCardPackets::ParseVerifyChvResponse(exchange.Answer());
    if (!answer) {
        BX_LOG(LEVEL_ST, "ruim chv1 verify error ");
        return answer.Refused() ? DM_RESULT_MODEM_REFUSED : DM_RESULT_TRANSACTION_FAILED;
    }
    const ChvResultRecord& chv = *answer;
    const Outcome outcome = Judge(unblock, chv.sw1, chv.sw2);
    if (outcome.text != nullptr)
        m_engine.Window().MessageBox(outcome.text, outcome.icon);
    CConfig::WriteInt(unblock ? keys::Chv1PukCount : keys::Chv1Count, chv.attemptsLeft);
    BX_LOG(LEVEL_DM, "sw1=0x%02x, sw2=0x%02x, status=0x%02x, number=0x%02x", chv.sw1, chv.sw2, chv.status,
           chv.attemptsLeft);
    return outcome.result;
}

}  // namespace brivex
