#include "modem/CIdentityOperations.h"

#include "app/CConfig.h"
#include "app/CDebugViews.h"
#include "modem/CDiagExchange.h"
#include "modem/CEngine.h"
#include "modem/CWindowSeam.h"
#include "modem/CMinDecoder.h"
#include "modem/CNvRelayPackets.h"
#include "modem/CStandardPackets.h"
#include "modem/DiagCommands.h"
#include "modem/WorkerCommands.h"

#include <cstdio>

namespace brivex {

namespace {

std::string Hex(const char* format, unsigned long value)
{
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

CIdentityOperations::CIdentityOperations(CEngine& engine) : m_engine(engine) {}

std::string CIdentityOperations::ProfileText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            out.push_back('?');
        else if (c >= 'a' && c <= 'z')
            out.push_back(static_cast<char>(c - 'a' + 'A'));
        else
            out.push_back(c);
    }
    return out;
}

std::uint16_t CIdentityOperations::GetService()
{
    BX_LOG(LEVEL_DM, "Dm Sub DM_GET_SERVICE:");
    if (!ReadVersion() || !ReadDiagStatus() || !ReadOwnNumber())
        return DM_RESULT_TRANSACTION_FAILED;
    return DM_GET_SERVICE;
}

bool CIdentityOperations::ReadVersion()
{
    CDiagExchange exchange(m_engine.DiagPort());
    const int code = exchange.Run(CStandardPackets::BuildVersionRequest());
    const auto version = code == CCommPort::kAnswer ? CStandardPackets::ParseVersionResponse(exchange.Answer())
                                                    : CParseResult<VersionRecord>(ParseError::TooShort);
    if (!version) {
        BX_LOG(LEVEL_ST, "diag_verno_f error");
        return false;
    }
    BX_LOG(LEVEL_DM, "get version");
    CConfig::Write(keys::ModemSwVer, ProfileText(version->softwareVersion));
    CConfig::Write(keys::ModemCompDate, ProfileText(version->buildDate));
    CConfig::Write(keys::ModemHwVer, Hex("%04lX", version->hardwareVersion));
    return true;
}

bool CIdentityOperations::ReadDiagStatus()
{
    CDiagExchange exchange(m_engine.DiagPort());
    const int code = exchange.Run(CStandardPackets::BuildStatusRequest());
    const auto status = code == CCommPort::kAnswer ? CStandardPackets::ParseStatusResponse(exchange.Answer())
                                                   : CParseResult<DiagStatusRecord>(ParseError::TooShort);
    if (!status) {
        BX_LOG(LEVEL_ST, "diag_state_f error=%d", code);
        return false;
    }
    BX_LOG(LEVEL_DM, "get diag status");
    CConfig::Write(keys::ModemMin, CMinDecoder::Decode(status->min1, status->min2).value_or(std::string()));
    CConfig::Write(keys::ModemEsn, Hex("%08lX", status->esn));
    CConfig::Write(keys::ChgUsb, "0");
    return true;
}

bool CIdentityOperations::ReadOwnNumber()
{
    // The relay exists only on the modem's own diagnostic device (type 2).
    const auto request = CNvRelayPackets::BuildRead(NV_DIR_NUMBER_PCS_I, m_engine.State().modemType.load());
    CDiagExchange exchange(m_engine.DiagPort());
    if (!request || exchange.Run(*request) != CCommPort::kAnswer) {
        BX_LOG(LEVEL_ST, "read nv_dir_number pcs error ");
        return false;
    }
    const auto number = CNvRelayPackets::ParseReadResponse(exchange.Answer(), NV_DIR_NUMBER_PCS_I);
    if (!number) {
        BX_LOG(LEVEL_ST, "read nv_dir_number pcs error ");
        return false;
    }
    BX_LOG(LEVEL_DM, "dir number value");
    CConfig::Write(keys::ModemMdn, CNvRelayPackets::DirectoryNumberText(*number));
    return true;
}

}  // namespace brivex
