// The pure rules of the status poll: battery and charge indicators, the
// service and signal indicators with the hybrid alternation, the weak-signal
// limits and the SMS indicator.
#include "modem/CBatteryRules.h"
#include "modem/CCallDisplay.h"
#include "modem/CMessageRules.h"
#include "modem/CSignalDisplay.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace brivex {
namespace {

// --- battery -------------------------------------------------------------------

struct BatteryCase {
    std::uint8_t charge;
    std::uint16_t value;
    std::uint8_t chargeDisplay;
    std::uint8_t level;
    std::optional<std::uint8_t> chargeIndicator;
    std::uint8_t flags;
};

class BatteryRulesTest : public ::testing::TestWithParam<BatteryCase> {};

TEST_P(BatteryRulesTest, GivesLevelChargeAndFlags)
{
    const BatteryCase& c = GetParam();
    BatteryRecord battery;
    battery.chargeState = c.charge;
    battery.value = c.value;
    battery.thresholds = {3400, 3550, 3650, 3750, 3850};
    const auto shown = CBatteryRules::Evaluate(battery, c.chargeDisplay);
    EXPECT_EQ(shown.batteryLevel, c.level);
    EXPECT_EQ(shown.charge, c.chargeIndicator);
    EXPECT_EQ(shown.flagBits, c.flags);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BatteryRulesTest,
    ::testing::Values(
        // Not charging: the value against the five thresholds, edges included.
        BatteryCase{0, 3399, 0, 0, 0, 4}, BatteryCase{0, 3400, 0, 1, 0, 4}, BatteryCase{0, 3549, 0, 1, 0, 4},
        BatteryCase{0, 3550, 0, 2, 0, 4}, BatteryCase{2, 3700, 0, 3, 1, 4}, BatteryCase{5, 3849, 0, 4, 3, 4},
        BatteryCase{0, 3850, 0, 5, 0, 4},
        // Charge states with a fixed picture.
        BatteryCase{3, 0, 0, 6, 1, 4}, BatteryCase{6, 0, 0, 6, 4, 4}, BatteryCase{1, 0, 0, 7, 1, 4},
        BatteryCase{4, 0, 0, 7, 2, 1},
        // Charging after the weak-signal warning ran sets no flag.
        BatteryCase{4, 0, 0x80, 7, 2, 0},
        // An unknown charge state leaves the charge indicator alone.
        BatteryCase{9, 3900, 0, 5, std::nullopt, 4}));

TEST(BatteryRules, UnsortedThresholdsStopAtTheFirstOneMissed)
{
    EXPECT_EQ(CBatteryRules::Level(3600, {3000, 4000, 3100, 3200, 3300}), 1);
    EXPECT_EQ(CBatteryRules::Level(0, {0, 0, 0, 0, 0}), 5);
}

// --- service and signal ----------------------------------------------------------

using Update = CSignalDisplay::Update;
using Kind = Update::Kind;

Update Ind(int id, std::int32_t value) { return {Kind::Indicator, id, value}; }
Update Long(int id, std::int32_t value) { return {Kind::LongSignal, id, value}; }

StatusRecord Status(std::uint8_t mode, std::uint8_t hybrid, std::uint32_t oneX, std::uint32_t evdo,
                    StatusLayout layout = StatusLayout::Short)
{
    StatusRecord s;
    s.layout = layout;
    s.systemMode = mode;
    s.hybridInEffect = hybrid;
    s.signal1x = oneX;
    s.signalEvdo = evdo;
    return s;
}

struct ServiceCase {
    const char* name;
    StatusRecord status;
    std::uint8_t noCard;
    std::vector<Update> updates;
    std::optional<std::uint8_t> service;
    bool evdo;
};

class SignalDisplayTest : public ::testing::TestWithParam<ServiceCase> {};

TEST_P(SignalDisplayTest, SetsServiceAndSignal)
{
    const ServiceCase& c = GetParam();
    const auto shown = CSignalDisplay::Evaluate(c.status, c.noCard, 0);
    EXPECT_EQ(shown.updates, c.updates);
    EXPECT_EQ(shown.serviceState, c.service);
    EXPECT_EQ(shown.evdoService, c.evdo);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SignalDisplayTest,
    ::testing::Values(
        ServiceCase{"NoServiceShows1x", Status(0, 0, 7, 9), 0, {Ind(1041, 7)}, std::nullopt, false},
        ServiceCase{"NoServiceNoCard", Status(0, 0, 7, 9), 20, {Ind(1042, 3), Ind(1, 2), Ind(1044, 1)}, 3, false},
        ServiceCase{"NoServiceCounterWrapping", Status(0, 0, 7, 9), 21, {}, std::nullopt, false},
        ServiceCase{"OneX", Status(2, 0, 25, 9), 0, {Ind(1042, 2), Ind(1, 2), Ind(1041, 25)}, 2, false},
        ServiceCase{"OneXNoCard", Status(2, 0, 25, 9), 20, {Ind(1042, 2), Ind(1044, 1), Ind(1, 0), Ind(1041, 25)}, 2,
                    false},
        ServiceCase{"HybridStartsWithEvdo", Status(2, 1, 25, 30), 0, {Ind(1042, 1), Ind(1, 2), Ind(3, 30)}, 1, false},
        ServiceCase{"Evdo", Status(4, 0, 25, 30), 0, {Ind(1042, 4), Ind(1, 2), Ind(3, 30), Ind(1043, 0)}, 4, true},
        ServiceCase{"EvdoNoCard", Status(4, 0, 25, 30), 20, {Ind(1042, 4), Ind(1, 0), Ind(3, 30), Ind(1043, 0)}, 4,
                    true},
        ServiceCase{"LimitedService", Status(7, 0, 25, 30), 0, {Ind(1042, 3), Ind(1, 2)}, 3, false},
        ServiceCase{"LongLayoutGivesDbm", Status(2, 0, static_cast<std::uint32_t>(-85), 0, StatusLayout::Long), 0,
                    {Ind(1042, 2), Ind(1, 2), Long(1041, -85)}, 2, false},
        ServiceCase{"LongLayoutEvdo", Status(4, 0, 0, static_cast<std::uint32_t>(-70), StatusLayout::Long), 0,
                    {Ind(1042, 4), Ind(1, 2), Long(3, -70), Ind(1043, 0)}, 4, true}),
    [](const auto& info) { return std::string(info.param.name); });

// 16 passes of EV-DO, then 16 of 1x, each change starting with a redraw (255).
TEST(SignalDisplay, HybridAlternatesEvery16Passes)
{
    const StatusRecord status = Status(2, 1, 11, 22);
    std::uint8_t toggle = 0;
    std::vector<Update> signal;
    for (int pass = 0; pass < 49; ++pass) {
        const auto shown = CSignalDisplay::Evaluate(status, 0, toggle);
        toggle = shown.signalToggle;
        signal.push_back(shown.updates.back());
    }
    for (int pass = 0; pass < 49; ++pass) {
        SCOPED_TRACE(pass);
        const int phase = pass / 16;
        const bool evdo = phase % 2 == 0;
        const bool first = pass % 16 == 0 && pass > 0;
        const Update expected = first ? Ind(evdo ? 3 : 1041, 255) : Ind(evdo ? 3 : 1041, evdo ? 22 : 11);
        EXPECT_EQ(signal[static_cast<std::size_t>(pass)], expected);
    }
}

struct WeakCase {
    StatusRecord status;
    bool weak;
};

class WeakSignalTest : public ::testing::TestWithParam<WeakCase> {};

TEST_P(WeakSignalTest, ComparesWithTheLimitsOfTheMode)
{
    const CSignalDisplay::Thresholds limits;  // the [rssi] defaults 16, 9, 16, 21
    EXPECT_EQ(CSignalDisplay::WeakSignal(GetParam().status, limits), GetParam().weak);
}

INSTANTIATE_TEST_SUITE_P(Cases, WeakSignalTest,
                         ::testing::Values(WeakCase{Status(2, 1, 8, 15), true}, WeakCase{Status(2, 1, 9, 15), false},
                                           WeakCase{Status(2, 1, 8, 16), false}, WeakCase{Status(2, 0, 15, 0), true},
                                           WeakCase{Status(2, 0, 16, 0), false}, WeakCase{Status(4, 0, 0, 20), true},
                                           WeakCase{Status(4, 0, 0, 21), false}, WeakCase{Status(0, 0, 0, 0), false},
                                           WeakCase{Status(2, 0, static_cast<std::uint32_t>(-100), 0,
                                                           StatusLayout::Long),
                                                    true}));

// --- SMS indicator and the banner line -------------------------------------------

TEST(MessageRules, SmsIndicator)
{
    struct Case {
        int voiceMail;
        std::uint16_t count;
        bool deleted;
        std::optional<std::uint8_t> indicator;
    };
    const Case cases[] = {
        {0, 0, false, 0}, {3, 0, false, 0},          // no new message hides it, voice mail or not
        {1, 1, false, 2}, {1, 2, false, 3},          // voice mail with one / more messages
        {0, 1, false, 1}, {0, 5, false, 1},          // plain new messages
        {0, 1, true, std::nullopt},                  // the silent voice mail was just removed
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.voiceMail << "/" << c.count << "/" << c.deleted);
        EXPECT_EQ(CMessageRules::SmsIndicator(c.voiceMail, c.count, c.deleted), c.indicator);
    }
}

TEST(CallDisplay, BannerKeepsOffTheCallLines)
{
    EXPECT_TRUE(CCallDisplay::BannerMayShow(0xFFF0, 0x82, ""));
    EXPECT_FALSE(CCallDisplay::BannerMayShow(2, 0x82, ""));
    EXPECT_FALSE(CCallDisplay::BannerMayShow(3, 0x82, ""));
    EXPECT_FALSE(CCallDisplay::BannerMayShow(0xFFF0, 0x86, ""));
    EXPECT_FALSE(CCallDisplay::BannerMayShow(0xFFF0, 0x82, "Missed call\n555"));
    EXPECT_TRUE(CCallDisplay::IsEmergency("911"));
    EXPECT_FALSE(CCallDisplay::IsEmergency("9110"));
    EXPECT_FALSE(CCallDisplay::IsEmergency("103"));
}

}  // namespace
}  // namespace brivex
