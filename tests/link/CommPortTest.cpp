#include "PtyModem.h"

#include "link/CCommPort.h"
#include "link/CFrameCheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <thread>

namespace brivex::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kAnswerTimeoutMs = 5000;  // the peer answers at once; generous for loaded machines
constexpr std::uint32_t kSilentTimeoutMs = 300;   // nobody answers

Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Configured as the worker configures the diagnostic port.
void Configure(CCommPort& port, unsigned number)
{
    port.SetPortNumber(number);
    port.SetBaudRate(115200);
    port.SetEventMask(CCommPort::kEvRxFlag);
    port.SetCommParams(0x7E, 115200, 8, 0, 0);
}

template <typename Pred>
bool WaitUntil(Pred pred, std::chrono::milliseconds timeout = 10s)
{
    const auto deadline = Clock::now() + timeout;
    while (!pred()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

class CommPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Configure(port, modem.PortNumber());
        ASSERT_TRUE(port.OpenPort());
    }

    // A transaction with a response buffer of the given capacity, guarded by
    // bytes after it that must stay untouched.
    struct Outcome {
        int code;
        Bytes response;  // the whole capacity
        bool guardIntact;
    };
    Outcome Run(const Bytes& request, std::uint32_t timeoutMs, std::size_t capacity = CCommPort::kMinResponse)
    {
        Bytes buffer(capacity + 16, 0xA5);
        Outcome out;
        out.code = port.Transact(request.data(), buffer.data(), request.size(), timeoutMs, capacity);
        out.response.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(capacity));
        out.guardIntact = std::all_of(buffer.begin() + static_cast<std::ptrdiff_t>(capacity), buffer.end(),
                                      [](std::uint8_t b) { return b == 0xA5; });
        return out;
    }

    // The response holds the payload (cut to the capacity) and zeros after it.
    static void ExpectResponse(const Outcome& out, const Bytes& payload)
    {
        Bytes expected(out.response.size(), 0);
        std::copy_n(payload.begin(), std::min(payload.size(), expected.size()), expected.begin());
        EXPECT_EQ(out.response, expected);
        EXPECT_TRUE(out.guardIntact);
    }
    static void ExpectNoAnswer(const Outcome& out)
    {
        Bytes expected(out.response.size(), 0);
        expected[0] = 0xFF;
        EXPECT_EQ(out.response, expected);
        EXPECT_TRUE(out.guardIntact);
    }

    PtyModem modem;
    CCommPort port;
};

// ---------------------------------------------------------------- opening

TEST_F(CommPortTest, OpenCloseCycles)
{
    EXPECT_TRUE(port.IsOpen());
    EXPECT_FALSE(port.OpenPort());  // already open
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(port.ClosePort());
        EXPECT_FALSE(port.IsOpen());
        EXPECT_FALSE(port.ClosePort());
        ASSERT_TRUE(port.OpenPort());
    }
    EXPECT_FALSE(port.OpenFailed());
}

TEST_F(CommPortTest, SecondOpenOfTheSameDeviceIsRefused)
{
    CCommPort other;
    Configure(other, modem.PortNumber());
    EXPECT_FALSE(other.OpenPort());
    EXPECT_TRUE(other.OpenFailed());
    port.ClosePort();
    EXPECT_TRUE(other.OpenPort());
}

TEST(CommPortOpen, FailuresLeaveThePortClosed)
{
    PtyModem modem(1);
    modem.Dir().write("dev/ttyUSB4", "a plain file");
    for (unsigned number : {0u, 3u /* no node */, 5u /* not a tty */}) {
        CCommPort port;
        Configure(port, number);
        EXPECT_FALSE(port.OpenPort()) << number;
        EXPECT_FALSE(port.IsOpen()) << number;
        EXPECT_TRUE(port.OpenFailed()) << number;
        EXPECT_FALSE(port.ClosePort()) << number;
        const Bytes request = {0x00};
        std::uint8_t response[CCommPort::kMinResponse];
        EXPECT_EQ(port.Transact(request.data(), response, request.size(), 100), CCommPort::kWriteFailed);
        EXPECT_EQ(response[0], 0xFF);
    }
    CCommPort port;
    Configure(port, 1);
    EXPECT_EQ(port.DevicePath(), (modem.Dir() / "dev" / "ttyUSB0").string());
}

TEST_F(CommPortTest, LineSettings)
{
    struct Params {
        std::uint32_t baud;
        std::uint8_t size, parity, stop;
        bool ok;
    };
    for (const Params& p : {Params{115200, 8, 0, 0, true}, Params{9600, 7, 2, 0, true}, Params{57600, 8, 1, 2, true},
                            Params{115200, 9, 0, 0, false}, Params{115200, 8, 5, 0, false},
                            Params{115200, 8, 0, 1, false}, Params{12345, 8, 0, 0, false}})
        EXPECT_EQ(port.SetCommParams(0x7E, p.baud, p.size, p.parity, p.stop), p.ok) << p.baud;
    port.ClosePort();
    EXPECT_FALSE(port.SetCommParams(0x7E, 115200, 8, 0, 0));  // stored, not applied
}

// Raw mode: no byte is translated, swallowed or echoed in either direction.
TEST_F(CommPortTest, EveryByteValuePassesUnchanged)
{
    Bytes all(256);
    for (unsigned i = 0; i < 256; ++i)
        all[i] = static_cast<std::uint8_t>(i);
    EXPECT_EQ(port.WriteData(all.data(), all.size()), all.size());
    EXPECT_EQ(modem.ReadRaw(all.size()), all);

    modem.Write(all);
    ASSERT_TRUE(WaitUntil([&] { return port.QueuedBytes() == all.size(); }));
    Bytes got(300);
    got.resize(port.ReadData(got.data(), got.size()));
    EXPECT_EQ(got, all);
    EXPECT_EQ(port.ReadData(got.data(), got.size()), 0u);
    EXPECT_TRUE(modem.ReadRaw(1, 100ms).empty());  // nothing echoed
}

TEST_F(CommPortTest, FullQueueDropsTheOldestBytes)
{
    Bytes stream(6000);
    for (std::size_t i = 0; i < stream.size(); ++i)
        stream[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    modem.Write(stream);
    ASSERT_TRUE(WaitUntil([&] { return port.QueuedBytes() + port.DroppedBytes() == stream.size(); }));
    EXPECT_EQ(port.QueuedBytes(), CCommPort::kInputQueueSize);
    EXPECT_EQ(port.DroppedBytes(), stream.size() - CCommPort::kInputQueueSize);
    Bytes got(CCommPort::kMaxRead);
    got.resize(port.ReadData(got.data(), got.size()));
    EXPECT_EQ(got, Bytes(stream.end() - CCommPort::kInputQueueSize, stream.end()));
}

// ---------------------------------------------------------- transactions

struct TransactCase {
    const char* name;
    Bytes request;
    std::optional<Bytes> reply;  // what the modem writes after reading the request
    int code;
    Bytes payload;  // the answer expected in the response (code 0)
    std::size_t capacity = CCommPort::kMinResponse;
};

// A packet with 0x7D and 0x7E in its body and in its check sequence.
Bytes SpecialPacket()
{
    for (unsigned v = 0; v < 0x10000; ++v) {
        Bytes p = {0x00, 0x7E, 0x7D, static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
        const std::uint16_t fcs = CFrameCheck::Compute(p.data(), p.size());
        if ((fcs & 0xFF) == 0x7E || (fcs >> 8) == 0x7D)
            return p;
    }
    return {};
}

std::vector<TransactCase> AllTransactCases()
{
    const Bytes version = {0x00};
    const Bytes versionAnswer = {0x00, 0x31, 0x32, 0x33};
    const Bytes status = {0xCF, 0x01, 0x00};
    const Bytes statusAnswer = {0xCF, 0x01, 0x00, 0x05, 0x06};
    const Bytes otherStatus = {0xCF, 0x02, 0x00, 0x09};
    const Bytes unsolicited = {0xD7, 0x10, 0x20};
    Bytes longAnswer(100);
    for (std::size_t i = 0; i < longAnswer.size(); ++i)
        longAnswer[i] = static_cast<std::uint8_t>(i);
    return {
        {"Answer", version, Frame(versionAnswer), 0, versionAnswer},
        {"EscapedBodyAndCheck", version, Frame(SpecialPacket()), 0, SpecialPacket()},
        {"UnsolicitedFrameFirst", version, Join({Frame(unsolicited), Frame(versionAnswer)}), 0, versionAnswer},
        {"BadCheckOnly", version, BadFrame(versionAnswer), 4, {}},
        {"BadCheckThenGood", version, Join({BadFrame({0x00, 0x66}), Frame(versionAnswer)}), 0, versionAnswer},
        {"GarbageAndEmptyPieces", version,
         Join({{0x7E, 0x7E, 0x00, 0x01, 0x7E, 0x7D, 0x7E}, Frame(versionAnswer), {0x7E, 0x7E}}), 0, versionAnswer},
        {"AnswerCutOff", version, Join({Frame(unsolicited), Bytes(versionAnswer.begin(), versionAnswer.end() - 1)}), 4,
         {}},
        {"PartialFrameAfterTheAnswer", version, Join({Frame(versionAnswer), {0x00, 0x44, 0x55}}), 0, versionAnswer},
        {"FirstOfTwoAnswersWins", {0x0C}, Join({Frame({0x0C, 0xAA}), Frame({0x0C, 0xBB})}), 0, {0x0C, 0xAA}},
        {"OtherVendorSubCommandSkipped", status, Join({Frame(otherStatus), Frame(statusAnswer)}), 0, statusAnswer},
        {"OtherVendorSubCommandOnly", status, Frame(otherStatus), 4, {}},
        // Two zero bytes are the frame of no packet: their check is good, but
        // they are not an answer to code 0x00.
        {"FrameOfNoPacket", version, Bytes{0x00, 0x00, 0x7E}, 4, {}},
        {"NoReply", version, std::nullopt, 3, {}},
        {"AnswerCutToTheCapacity", {0x00}, Frame(Join({{0x00}, longAnswer})), 0, Join({{0x00}, longAnswer}), 16},
    };
}

class TransactCases : public CommPortTest, public ::testing::WithParamInterface<TransactCase> {};

TEST_P(TransactCases, Result)
{
    const auto& c = GetParam();
    auto peer = modem.ReplyOnce(c.reply);
    const auto out = Run(c.request, c.reply ? kAnswerTimeoutMs : kSilentTimeoutMs, c.capacity);
    EXPECT_EQ(peer.get(), c.request);  // framed and written as one request
    EXPECT_EQ(out.code, c.code);
    if (c.code == CCommPort::kAnswer) {
        ExpectResponse(out, c.payload);
        EXPECT_EQ(port.LastResponseLength(), std::min(c.payload.size(), c.capacity));
    } else {
        ExpectNoAnswer(out);
        EXPECT_EQ(port.LastResponseLength(), 0u);
    }
    if (c.code != CCommPort::kTimeout) {
        EXPECT_EQ(port.QueuedBytes(), 0u);  // one read took everything
    }
}

INSTANTIATE_TEST_SUITE_P(Link, TransactCases, ::testing::ValuesIn(AllTransactCases()),
                         [](const auto& info) { return info.param.name; });

TEST_F(CommPortTest, PreWaitSleepIsReadOnEveryTransaction)
{
    const Bytes request = {0x00};
    const Bytes answer = {0x00, 0x01};
    modem.Dir().write("sys/sysqor.ini", "[sysinf]\nslps=400\n");
    auto peer = modem.ReplyOnce(Frame(answer));
    auto start = Clock::now();
    EXPECT_EQ(Run(request, kAnswerTimeoutMs).code, 0);
    EXPECT_GE(Clock::now() - start, 400ms + 50ms);
    peer.get();
    // Back to the default of 5 ms once the setting is gone.
    modem.Dir().write("sys/sysqor.ini", "");
    peer = modem.ReplyOnce(Frame(answer));
    EXPECT_EQ(Run(request, kAnswerTimeoutMs).code, 0);
    peer.get();
}

// Data before the first transaction starts the reader's hand-shake; it must
// not hold back the rx event of the first answer.
TEST_F(CommPortTest, DataBeforeTheFirstTransactionDoesNotDelayIt)
{
    const Bytes unsolicited = Frame({0xD7, 0x01});
    modem.Write(unsolicited);
    ASSERT_TRUE(WaitUntil([&] { return port.QueuedBytes() == unsolicited.size(); }));
    auto peer = modem.ReplyOnce(Frame({0x00, 0x01}));
    const auto start = Clock::now();
    const auto out = Run({0x00}, 20000);
    EXPECT_EQ(out.code, 0);
    EXPECT_LT(Clock::now() - start, 10s);
    peer.get();
}

// ------------------------------------------------------------ late answers

struct LateCase {
    const char* name;
    Bytes next;                  // the request after the one that timed out
    std::optional<Bytes> reply;  // the modem's answer to it, if any
    int code;
    Bytes payload;
    bool lateLeftQueued;
};

class LateAnswer : public CommPortTest, public ::testing::WithParamInterface<LateCase> {};

// A request times out (3); its answer arrives afterwards and waits in the
// queue; the next transaction reads it first.
TEST_P(LateAnswer, NextTransaction)
{
    const auto& c = GetParam();
    const Bytes first = {0xCF, 0x01, 0x00};
    const Bytes late = Frame({0xCF, 0x01, 0x00, 0x4C});
    auto silent = modem.ReplyOnce(std::nullopt);
    EXPECT_EQ(Run(first, kSilentTimeoutMs).code, CCommPort::kTimeout);
    EXPECT_EQ(silent.get(), first);
    modem.Write(late);
    ASSERT_TRUE(WaitUntil([&] { return port.QueuedBytes() == late.size(); }));

    auto peer = modem.ReplyOnce(c.reply);
    const auto out = Run(c.next, c.reply ? kAnswerTimeoutMs : kSilentTimeoutMs);
    EXPECT_EQ(peer.get(), c.next);
    EXPECT_EQ(out.code, c.code);
    if (c.code == CCommPort::kAnswer)
        ExpectResponse(out, c.payload);
    else
        ExpectNoAnswer(out);
    EXPECT_EQ(port.QueuedBytes(), c.lateLeftQueued ? late.size() : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Link, LateAnswer,
    ::testing::Values(
        LateCase{"SameSubCommandTakesIt", {0xCF, 0x01, 0x00}, Frame({0xCF, 0x01, 0x00, 0x4E}), 0,
                 {0xCF, 0x01, 0x00, 0x4C}, false},
        LateCase{"OtherSubCommandDiscardsIt", {0xCF, 0x02, 0x00}, Frame({0xCF, 0x02, 0x00, 0x4E}), 0,
                 {0xCF, 0x02, 0x00, 0x4E}, false},
        LateCase{"OtherCodeDiscardsIt", {0x00}, Frame({0x00, 0x4E}), 0, {0x00, 0x4E}, false},
        // No fresh answer: the one already waiting is still this request's.
        LateCase{"SameSubCommandSilentModem", {0xCF, 0x01, 0x00}, std::nullopt, 0, {0xCF, 0x01, 0x00, 0x4C}, false},
        LateCase{"OtherSubCommandSilentModem", {0xCF, 0x02, 0x00}, std::nullopt, 3, {}, true}),
    [](const auto& info) { return info.param.name; });

// ------------------------------------------------------- unplug and close

TEST_F(CommPortTest, UnplugDuringTheWaitEndsTheTransaction)
{
    std::future<Bytes> request = std::async(std::launch::async, [&] {
        auto r = modem.ReadRequest();
        modem.Unplug();
        return r.value_or(Bytes{});
    });
    const auto start = Clock::now();
    const auto out = Run({0x00}, 30000);
    EXPECT_TRUE(out.code == CCommPort::kWriteFailed || out.code == CCommPort::kTimeout) << out.code;
    EXPECT_LT(Clock::now() - start, 15s);  // far below the time-out: it did not wait it out
    EXPECT_EQ(request.get(), Bytes{0x00});
    ExpectNoAnswer(out);

    ASSERT_TRUE(WaitUntil([&] { return port.IsUnplugged(); }));
    EXPECT_EQ(Run({0x00}, 30000).code, CCommPort::kWriteFailed);
    const std::uint8_t byte = 0x11;
    EXPECT_EQ(port.WriteData(&byte, 1), 0u);
    std::uint8_t buffer[16];
    EXPECT_EQ(port.ReadData(buffer, sizeof buffer), 0u);
    EXPECT_TRUE(port.IsOpen());
    EXPECT_TRUE(port.ClosePort());
}

TEST_F(CommPortTest, UnplugBeforeTheTransaction)
{
    modem.Write(Frame({0x00, 0x01}));  // an answer in the queue does not outlive the port
    ASSERT_TRUE(WaitUntil([&] { return port.QueuedBytes() > 0; }));
    modem.Unplug();
    ASSERT_TRUE(WaitUntil([&] { return port.IsUnplugged(); }));
    const auto start = Clock::now();
    const auto out = Run({0x00}, 30000);
    EXPECT_EQ(out.code, CCommPort::kWriteFailed);
    EXPECT_LT(Clock::now() - start, 15s);
    EXPECT_TRUE(port.ClosePort());
}

// The reader is blocked in its wait (idle, or in its hand-shake after a flag):
// closing wakes it at once.
TEST_F(CommPortTest, ClosePortWhileTheReaderWaits)
{
    for (bool afterFlag : {false, true}) {
        if (afterFlag) {
            modem.Write(Frame({0xD7}));
            ASSERT_TRUE(WaitUntil([&] { return port.QueuedBytes() > 0; }));
        } else {
            std::this_thread::sleep_for(50ms);
        }
        const auto start = Clock::now();
        EXPECT_TRUE(port.ClosePort());
        EXPECT_LT(Clock::now() - start, 2500ms) << afterFlag;  // well below the 3000 ms hand-shake
        EXPECT_FALSE(port.IsOpen());
        ASSERT_TRUE(port.OpenPort());
    }
}

// ClosePort waits for the running transaction instead of pulling the port
// from under it.
TEST_F(CommPortTest, ClosePortWaitsForTheTransaction)
{
    auto transaction = std::async(std::launch::async, [&] { return Run({0x00}, 3000).code; });
    ASSERT_TRUE(modem.ReadRequest().has_value());  // the transaction is waiting now
    const auto start = Clock::now();
    EXPECT_TRUE(port.ClosePort());
    // Only a close that waited for the time-out takes this long.
    EXPECT_GE(Clock::now() - start, 1000ms);
    ASSERT_EQ(transaction.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(transaction.get(), CCommPort::kTimeout);
    EXPECT_FALSE(port.IsOpen());
}

}  // namespace
}  // namespace brivex::test
