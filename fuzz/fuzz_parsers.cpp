// Every response parser of the packet catalogue, and the codecs behind them,
// on every input: none may read outside the bytes given, whatever they are.

#include "modem/CCardNameAlphabet.h"
#include "modem/CCardPackets.h"
#include "modem/CGeneralPackets.h"
#include "modem/CMinDecoder.h"
#include "modem/CModemTime.h"
#include "modem/CNvRelayPackets.h"
#include "modem/CPhonebookNumber.h"
#include "modem/CPhonebookPackets.h"
#include "modem/CSmsPackets.h"
#include "modem/CSmsText.h"
#include "modem/CStandardPackets.h"
#include "modem/DiagCommands.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

using namespace brivex;

namespace {

// Touches what a caller would take from a good record, so the decoders that
// follow the parsers run on what the modem sent too.
void UseStandard(std::span<const std::uint8_t> in)
{
    if (const auto s = CStandardPackets::ParseStatusResponse(in))
        (void)CMinDecoder::Decode(s->min1, s->min2);
    (void)CStandardPackets::ParseVersionResponse(in);
    (void)CStandardPackets::ParseKeyPressResponse(in);
    (void)CStandardPackets::ParseCallOriginationResponse(in);
}

void UseGeneral(std::span<const std::uint8_t> in)
{
    (void)CGeneralPackets::ParseServiceResponse(in);
    (void)CGeneralPackets::ParseStatusResponse(in, StatusLayout::Short);
    (void)CGeneralPackets::ParseStatusResponse(in, StatusLayout::Long);
    (void)CGeneralPackets::ParseCallerIdResponse(in);
    (void)CGeneralPackets::ParseSystemSelectResponse(in);
    (void)CGeneralPackets::ParseOneXDataRateResponse(in);
    (void)CGeneralPackets::ParseEvdoDataRateResponse(in);
    (void)CGeneralPackets::ParseInfoVersionResponse(in);
    (void)CGeneralPackets::ParseBatteryResponse(in);
    (void)CGeneralPackets::ParseBannerResponse(in);
    (void)CGeneralPackets::ParsePcVoiceEnableResponse(in);
}

void UseSms(std::span<const std::uint8_t> in)
{
    (void)CSmsPackets::ParseSendResponse(in);
    (void)CSmsPackets::ParseDeleteResponse(in);
    (void)CSmsPackets::ParseListResponse(in);
    if (const auto m = CSmsPackets::ParseReadResponse(in)) {
        (void)CSmsText::CleanOnRead(m->encoding, m->text);
        (void)CModemTime::ToCalendar(m->timeStamp);
    }
    (void)CSmsPackets::ParseInfoResponse(in);
}

void UsePhonebook(std::span<const std::uint8_t> in)
{
    (void)CPhonebookPackets::ParseInfoResponse(in);
    (void)CPhonebookPackets::ParseWriteResponse(in);
    (void)CPhonebookPackets::ParseDeleteResponse(in);
    // The block size the reader asks for most, and one that follows the
    // input's length (0 to 11, so also one it must refuse).
    for (std::uint8_t requested : {std::uint8_t{10}, static_cast<std::uint8_t>(in.size() % 12)}) {
        const auto block = CPhonebookPackets::ParseReadResponse(in, requested);
        if (!block)
            continue;
        for (const PhonebookRecord& r : block->records) {
            (void)CPhonebookNumber::Clean(r.number, true);
            (void)CCardNameAlphabet::ToBigEndian(CCardNameAlphabet::Decode(r.name));
        }
    }
}

void UseCardAndNv(std::span<const std::uint8_t> in)
{
    (void)CCardPackets::ParseStatusResponse(in);
    (void)CCardPackets::ParseVerifyChvResponse(in);
    (void)CCardPackets::ParseUnblockChvResponse(in);
    for (std::uint16_t item : {NV_PREF_MODE_I, NV_HYBRID_PREF_I, NV_DIR_NUMBER_PCS_I}) {
        if (const auto r = CNvRelayPackets::ParseReadResponse(in, item))
            (void)CNvRelayPackets::DirectoryNumberText(*r);
    }
}

// The codecs straight on the input as well: a name field, a number, a text.
void UseCodecs(std::span<const std::uint8_t> in)
{
    (void)CCardNameAlphabet::Decode(in);
    if (!in.empty())
        (void)CSmsText::CleanOnRead(in[0], in.subspan(1));
    (void)CPhonebookNumber::Clean({reinterpret_cast<const char*>(in.data()), in.size()}, in.size() % 2 == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // An exact-size copy, so a read one past the answer is caught.
    const std::vector<std::uint8_t> copy(data, data + size);
    const std::span<const std::uint8_t> in(copy);
    UseStandard(in);
    UseGeneral(in);
    UseSms(in);
    UsePhonebook(in);
    UseCardAndNv(in);
    UseCodecs(in);
    return 0;
}
