#include "modem/CDataRateOperations.h"

#include "app/CDebugViews.h"
#include "modem/CDataRateLevels.h"
#include "modem/CDiagExchange.h"
#include "modem/CEngine.h"
#include "modem/CWindowSeam.h"
#include "modem/CGeneralPackets.h"
#include "modem/WorkerCommands.h"

namespace brivex {

namespace {

template <typename T>
std::uint16_t Failure(const CParseResult<T>& answer)
{
    return answer.Refused() ? DM_RESULT_MODEM_REFUSED : DM_RESULT_TRANSACTION_FAILED;
}

}  // namespace

CDataRateOperations::CDataRateOperations(CEngine& engine) : m_engine(engine) {}

std::uint16_t CDataRateOperations::ReadEvdo()
{
    BX_LOG(LEVEL_DM, "Dm Sub DM_PREF_HDR_DRC:");
    CDiagExchange exchange(m_engine.DiagPort());
    if (exchange.Run(CGeneralPackets::BuildEvdoDataRateRequest()) != CCommPort::kAnswer) {
        BX_LOG(LEVEL_ST, "hdr drc read error");
        return DM_RESULT_TRANSACTION_FAILED;
    }
    const auto answer = CGeneralPackets::ParseEvdoDataRateResponse(exchange.Answer());
    if (!answer) {
        BX_LOG(LEVEL_ST, "hdr drc read error: %s", ParseErrorName(answer.Error()));
        return Failure(answer);
    }
    CWindowSeam& window = m_engine.Window();
    for (std::uint8_t rate : answer->rates) {
        const std::uint8_t level = CDataRateLevels::EvdoLevel(rate);
        if (level != window.LastIndicator(kEvdoIndicator))
            window.SetIndicator(kEvdoIndicator, level);
    }
    return DM_PREF_HDR_DRC;
}

std::uint16_t CDataRateOperations::ReadOneX()
{
    BX_LOG(LEVEL_DM, "Dm Sub DM_PREF_1X_DRC:");
    CDiagExchange exchange(m_engine.DiagPort());
    if (exchange.Run(CGeneralPackets::BuildOneXDataRateRequest()) != CCommPort::kAnswer) {
        BX_LOG(LEVEL_ST, "1x drc read error");
        return DM_RESULT_TRANSACTION_FAILED;
    }
    const auto answer = CGeneralPackets::ParseOneXDataRateResponse(exchange.Answer());
    if (!answer) {
        BX_LOG(LEVEL_ST, "1x drc read error: %s", ParseErrorName(answer.Error()));
        return Failure(answer);
    }
    m_engine.Window().SetIndicator(kOneXIndicator, CDataRateLevels::OneXLevel(answer->value));
    return DM_PREF_1X_DRC;
}

}  // namespace brivex
