#include "SimFixture.h"

#include "link/CHdlcCodec.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <cstring>
#include <filesystem>

namespace brivex::test {
namespace {

using Bytes = DiagClient::Bytes;
namespace fs = std::filesystem;

class SimModemTest : public SimFixture {};

// Each control command shows in the answer the program reads for it.
TEST_F(SimModemTest, ControlCommandsChangeTheAnswers)
{
    struct Case {
        std::vector<std::string> commands;
        Bytes request;
        std::size_t offset;
        Bytes expected;
    };
    const Bytes status = Vendor(0xCF, 1);
    const Case cases[] = {
        {{"signal 7 9"}, status, 14, {7, 9}},
        {{"sysmode 4", "datamode 4"}, status, 5, {4}},
        {{"roaming 1", "storagefull 1"}, status, 20, {1, 1}},
        {{"alert 5"}, status, 25, {5}},
        {{"layout long", "signal 300 70000"}, status, 14, {0x2C, 0x01, 0, 0, 0x70, 0x11, 0x01, 0}},
        {{"layout long", "roaming 2", "storagefull 3"}, status, 26, {2, 3}},
        {{"battery 3000 4"}, Vendor(0xCF, 11), 5, {4, 0, 0xB8, 0x0B}},
        {{"banner HELLO NET"}, Vendor(0xCF, 17), 6, {9, 'H', 'E', 'L', 'L', 'O', ' ', 'N', 'E', 'T'}},
        {{"servicemode 0x81"}, Vendor(0xCF, 0), 5, {0x81}},
        {{"card connected 0", "card state 1", "lock 2", "retries 2"}, Vendor(0xD2, 0), 5, {0, 1, 2, 2}},
        {{"lock 4", "retries 0 7"}, Vendor(0xD2, 0), 7, {4, 7}},
        {{"prefmode 10 0"}, Vendor(0xD5, 0x26, {10, 0, 0}, 24), 8, {10, 0}},
        {{"prefmode 1 0"}, Vendor(0xD5, 0x26, {0x32, 0x02, 0}, 24), 7, {0}},
        {{"mdn 5550001111"}, Vendor(0xD5, 0x26, {215, 0, 0}, 24), 8, {10, '5', '5', '5', '0', '0', '0', '1', '1', '1', '1'}},
        {{"datarate 1x 600"}, Vendor(0xCF, 5), 5, {0x58, 0x02}},
        {{"datarate evdo 0102030405060708"}, Vendor(0xCF, 7), 5, {1, 2, 3, 4, 5, 6, 7, 8}},
        {{"smsinit 0 20"}, Vendor(0xD0, 8), 5, {0, 20}},
        {{"min 5551234 123"}, Bytes{0x0C}, 20, {12, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.commands.front());
        modem->WithState([](sim::CSimModemState& s) { s = sim::CSimModemState{}; });
        for (const std::string& command : c.commands)
            Control({command});
        const Bytes answer = Ask(c.request);
        ASSERT_GE(answer.size(), c.offset + c.expected.size());
        EXPECT_EQ(Bytes(answer.begin() + c.offset, answer.begin() + c.offset + c.expected.size()), c.expected);
        if (c.request[0] >= 0xCF) {
            EXPECT_EQ(Le16(answer, 3), 0) << "vendor result";
        }
    }
}

TEST_F(SimModemTest, BadControlCommandsAnswerError)
{
    for (const char* line : {"", "nonsense", "signal", "signal x", "sysmode 300", "layout wide", "garbage 1",
                             "phonebook add tape 1 2 x", "call ring", "min 12 3"}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(modem->Command(line).rfind("error", 0), 0u);
    }
    EXPECT_NE(modem->Command("help").find("unplug"), std::string::npos);
    EXPECT_NE(modem->Command("status").find("callstate=0x82"), std::string::npos);
}

TEST_F(SimModemTest, UnknownAndShortRequestsGetNoAnswer)
{
    for (const Bytes& request : {Bytes{0x42, 1, 2}, Vendor(0xCF, 99), Vendor(0xD2, 1), Bytes{0xD0, 4}}) {
        SCOPED_TRACE(int(request[0]));
        EXPECT_FALSE(client->Transact(request, 300).has_value());
    }
    // The line is still in step: the next request gets its own answer.
    EXPECT_EQ(Status()[0], 0xCF);
    EXPECT_EQ(modem->GetCounters().unanswered, 4u);
}

TEST_F(SimModemTest, SmsListReadAndDelete)
{
    Control({"sms 3 from=5550199 Hello there", "sms 1 tag=1 Old one", "sms 0 storage=5 On the card",
             "sms 7 enc=4 Hi"});
    EXPECT_EQ(Le16(Status(), 18), 2) << "two unread in modem memory";

    const Bytes list = Ask(Vendor(0xD0, 4, U32(6), 7));
    ASSERT_EQ(list.size(), 1605u);
    EXPECT_EQ(Le32(list, 5), 3u);
    EXPECT_EQ(Le32(list, 9), 6u);
    const std::uint32_t entries[][2] = {{1, 1}, {3, 2}, {7, 2}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(Le32(list, 21 + 8 * i), entries[i][0]);
        EXPECT_EQ(Le32(list, 25 + 8 * i), entries[i][1]);
    }

    const Bytes read = Ask(Vendor(0xD0, 6, Cat(U32(3), U32(6)), 11));
    ASSERT_EQ(read.size(), 321u);
    EXPECT_EQ(read[13], 2) << "encoding";
    EXPECT_EQ(read[16], 7) << "address length";
    EXPECT_EQ(std::string(read.begin() + 20, read.begin() + 27), "5550199");
    EXPECT_EQ(Le16(read, 18), 11);
    EXPECT_EQ(std::string(read.begin() + 92, read.begin() + 103), "Hello there");
    EXPECT_EQ(Le16(Status(), 18), 1) << "reading marks the message read";

    const Bytes unicode = Ask(Vendor(0xD0, 6, Cat(U32(7), U32(6)), 11));
    EXPECT_EQ(unicode[13], 4);
    EXPECT_EQ(Le16(unicode, 18), 4);
    EXPECT_EQ(Bytes(unicode.begin() + 92, unicode.begin() + 96), (Bytes{'H', 0, 'i', 0}));

    EXPECT_EQ(Le16(Ask(Vendor(0xD0, 2, Cat(U32(3), U32(6)), 11)), 3), 0);
    EXPECT_NE(Le16(Ask(Vendor(0xD0, 2, Cat(U32(3), U32(6)), 11)), 3), 0) << "already gone";
    EXPECT_NE(Le16(Ask(Vendor(0xD0, 6, Cat(U32(3), U32(6)), 11)), 3), 0);
    EXPECT_EQ(Le32(Ask(Vendor(0xD0, 4, U32(5), 7)), 5), 1u) << "the card store";
}

TEST_F(SimModemTest, VoiceMailSlotIsListedWithItsCount)
{
    Control({"voicemail 9 2"});
    const Bytes list = Ask(Vendor(0xD0, 4, U32(6), 7));
    EXPECT_EQ(Le32(list, 13), 9u);
    EXPECT_EQ(Le32(list, 17), 1u);
    EXPECT_EQ(Ask(Vendor(0xD0, 6, Cat(U32(9), U32(6)), 11))[15], 2);
    Control({"voicemail 9 0"});
    EXPECT_EQ(Le32(Ask(Vendor(0xD0, 4, U32(6), 7)), 17), 0u);
}

TEST_F(SimModemTest, SmsSendIsKeptAndRefusedWithoutService)
{
    Bytes send = Vendor(0xD0, 0, {}, 311);
    send[3] = 2;
    send[6] = 5;
    send[7] = 4;
    std::memcpy(&send[45], "51230", 5);
    std::memcpy(&send[81], "BAL?", 4);
    EXPECT_EQ(Le16(Ask(send), 3), 0);
    modem->WithState([](sim::CSimModemState& s) {
        ASSERT_EQ(s.sms.sent.size(), 1u);
        EXPECT_EQ(s.sms.sent[0].address, "51230");
        EXPECT_EQ(std::string(s.sms.sent[0].text.begin(), s.sms.sent[0].text.end()), "BAL?");
    });
    Control({"sysmode 0"});
    EXPECT_NE(Le16(Ask(send), 3), 0);
}

TEST_F(SimModemTest, PhonebookIsReadInBlocksAfterItsInformation)
{
    Control({"phonebook fill memory 25", "phonebook capacity memory 300 20"});
    const Bytes info = Ask(Vendor(0xD1, 0, {9, 0, 0}, 6));
    EXPECT_EQ(Le16(info, 5), 300);
    EXPECT_EQ(Le16(info, 7), 25);
    EXPECT_EQ(Le16(info, 9), 20);

    std::vector<std::uint32_t> indices;
    for (std::uint8_t block : {10, 10, 5}) {
        const Bytes read = Ask(Vendor(0xD1, 2, {0, 0, block}, 6));
        ASSERT_EQ(read.size(), 1045u);
        for (std::size_t r = 0; r < 10; ++r) {
            const std::size_t at = 5 + r * 104;
            if (r >= block) {
                EXPECT_NE(read[at], 0) << "place " << r << " holds no record";
                continue;
            }
            EXPECT_EQ(read[at], 0);
            indices.push_back(Le32(read, at + 1));
            EXPECT_EQ(read[at + 5], 7) << "number length";
        }
    }
    ASSERT_EQ(indices.size(), 25u);
    for (std::uint32_t i = 0; i < 25; ++i)
        EXPECT_EQ(indices[i], i + 1);

    // A write lands, a delete removes, both on the right storage.
    Bytes write = Vendor(0xD1, 1, {1}, 42 + 3);
    write[4] = 42;
    write[8] = 4;
    std::memcpy(&write[9], "5551", 4);
    write[41] = 3;
    std::memcpy(&write[42], "Bob", 3);
    EXPECT_EQ(Le16(Ask(write), 3), 0);
    EXPECT_EQ(Le16(Ask(Vendor(0xD1, 0, {1, 0x01, 0xFF}, 6)), 7), 1);
    const Bytes card = Ask(Vendor(0xD1, 2, {0x01, 0xFF, 1}, 6));
    EXPECT_EQ(Le32(card, 6), 42u);
    EXPECT_EQ(std::string(card.begin() + 44, card.begin() + 47), "Bob");
    EXPECT_EQ(Le16(Ask(Vendor(0xD1, 3, Cat({1}, U32(42)), 8)), 3), 0);
    EXPECT_NE(Le16(Ask(Vendor(0xD1, 3, Cat({1}, U32(42)), 8)), 3), 0);
    EXPECT_EQ(Le16(Ask(Vendor(0xD1, 0, {1, 0x01, 0xFF}, 6)), 7), 0);
}

TEST_F(SimModemTest, PhonebookWriteWithAFalseNameLengthStaysInsideTheRequest)
{
    Bytes write = Vendor(0xD1, 1, {9}, 44);
    write[41] = 200;  // claims far more name than was sent
    write[42] = 'A';
    write[43] = 'B';
    EXPECT_EQ(Le16(Ask(write), 3), 0);
    modem->WithState([](sim::CSimModemState& s) {
        ASSERT_EQ(s.phonebook.at(9).entries.size(), 1u);
        EXPECT_EQ(s.phonebook.at(9).entries[0].name.size(), 2u);
    });
}

TEST_F(SimModemTest, PinVerificationAndUnblockFollowTheCardRules)
{
    Control({"lock 2", "pin 1234", "puk 87654321"});
    auto code = [](const std::string& digits) {
        Bytes field(8, 0xFF);
        std::copy(digits.begin(), digits.end(), field.begin());
        return field;
    };
    auto verify = [&](const std::string& pin) { return Ask(Vendor(0xD2, 1, code(pin), 11)); };
    auto unblock = [&](const std::string& puk, const std::string& pin) {
        return Ask(Vendor(0xD2, 5, Cat(code(puk), code(pin)), 19));
    };
    struct Step {
        const char* name;
        std::function<Bytes()> run;
        std::uint8_t sw1, sw2, attempts, lockAfter;
    };
    const Step steps[] = {
        {"wrong PIN", [&] { return verify("0000"); }, 0x98, 0x04, 2, 2},
        {"wrong PIN again", [&] { return verify("1111"); }, 0x98, 0x04, 1, 2},
        {"last attempt blocks", [&] { return verify("2222"); }, 0x98, 0x40, 0, 4},
        {"right PIN while blocked", [&] { return verify("1234"); }, 0x98, 0x40, 0, 4},
        {"wrong unblock code", [&] { return unblock("11111111", "4321"); }, 0x98, 0x04, 9, 4},
        {"right unblock code", [&] { return unblock("87654321", "4321"); }, 0x90, 0x00, 10, 3},
        {"the new PIN", [&] { return verify("4321"); }, 0x90, 0x00, 3, 3},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        const Bytes answer = step.run();
        ASSERT_EQ(answer.size(), 9u);
        EXPECT_EQ(answer[5], step.sw1);
        EXPECT_EQ(answer[6], step.sw2);
        EXPECT_EQ(answer[7], step.attempts);
        EXPECT_EQ(Ask(Vendor(0xD2, 0))[7], step.lockAfter);
    }
    Control({"lock 4", "retries 0 1"});
    EXPECT_EQ(unblock("00000000", "1")[6], 0x40) << "the last unblock attempt";
    EXPECT_EQ(Ask(Vendor(0xD2, 0))[8], 0) << "no unblock attempt left";
}

// A call's state moves as a real modem's: each step is followed by a status read.
TEST_F(SimModemTest, CallStateMoves)
{
    enum Kind { kControl, kKey, kDial, kRead };
    struct Step {
        Kind kind;
        std::string arg;
        std::uint8_t code;
        std::uint8_t indicator;
    };
    struct Scenario {
        const char* name;
        std::vector<Step> steps;
    };
    const Scenario scenarios[] = {
        {"answered and ended",
         {{kControl, "call incoming 5551234", 0x85, 1},
          {kRead, "", 0x85, 1},
          {kKey, "\x50", 0x86, 0},
          {kKey, "5", 0x86, 0},
          {kKey, "\x51", 0x87, 3},
          {kRead, "", 0x82, 0}}},
        {"caller gave up", {{kControl, "call incoming 5551234", 0x85, 1}, {kControl, "call giveup", 0x87, 2}, {kRead, "", 0x82, 0}}},
        {"rejected", {{kControl, "call incoming -", 0x85, 1}, {kKey, "\x51", 0x87, 3}, {kRead, "", 0x82, 0}}},
        {"dialled", {{kDial, "5550000", 0x89, 4}, {kRead, "", 0x86, 0}, {kControl, "call hangup", 0x87, 3}, {kRead, "", 0x82, 0}}},
        {"waiting call taken",
         {{kControl, "call incoming 5551234", 0x85, 1},
          {kKey, "\x50", 0x86, 0},
          {kControl, "call incoming 5559876", 0x86, 1},
          {kKey, "\x50", 0x86, 0},
          {kKey, "\x51", 0x87, 3},
          {kRead, "", 0x82, 0}}},
        {"waiting caller gave up",
         {{kControl, "call incoming 5551234", 0x85, 1},
          {kKey, "\x50", 0x86, 0},
          {kControl, "call incoming 5559876", 0x86, 1},
          {kControl, "call giveup", 0x86, 2},
          {kRead, "", 0x86, 0}}},
    };
    for (const Scenario& scenario : scenarios) {
        SCOPED_TRACE(scenario.name);
        modem->WithState([](sim::CSimModemState& s) { s = sim::CSimModemState{}; });
        for (const Step& step : scenario.steps) {
            SCOPED_TRACE(step.arg);
            if (step.kind == kControl) {
                Control({step.arg});
            } else if (step.kind == kKey) {
                EXPECT_EQ(Ask(Bytes{0x20, 0, static_cast<std::uint8_t>(step.arg[0])}).size(), 3u);
            } else if (step.kind == kDial) {
                Bytes orig(36, 0);
                orig[0] = 0x35;
                orig[1] = static_cast<std::uint8_t>(step.arg.size());
                std::copy(step.arg.begin(), step.arg.end(), orig.begin() + 2);
                orig[34] = 0x0B;
                Ask(orig);
            }
            const Bytes status = Status();
            EXPECT_EQ(status[9], step.code);
            EXPECT_EQ(status[17], step.indicator);
        }
    }
}

TEST_F(SimModemTest, CallerIdCarriesTheIncomingCall)
{
    Control({"call incoming 5551234 second=Office redirect=5550001"});
    Bytes id = Ask(Vendor(0xCF, 2));
    ASSERT_EQ(id.size(), 270u);
    EXPECT_EQ(id[7], 0);
    EXPECT_EQ(id[9], 7);
    EXPECT_EQ(std::string(id.begin() + 10, id.begin() + 17), "5551234");
    EXPECT_EQ(std::string(id.begin() + 75, id.begin() + 81), "Office");
    EXPECT_EQ(std::string(id.begin() + 139, id.begin() + 146), "5550001");
    EXPECT_EQ(id[203], 0);

    Control({"call incoming - restricted waiting"});
    id = Ask(Vendor(0xCF, 2));
    EXPECT_EQ(id[7], 1);
    EXPECT_EQ(id[9], 0);
    EXPECT_EQ(id[203], 1);
    EXPECT_EQ(id[268], 1);
}

TEST_F(SimModemTest, FaultsDropCorruptDelayAndInsert)
{
    // Dropped: no frame for the first request comes before the second's answer.
    Control({"drop 1"});
    EXPECT_FALSE(client->Transact(Vendor(0xCF, 11), 300).has_value());
    client->ClearSeen();
    EXPECT_EQ(Ask(Bytes{0x0C})[0], 0x0C);
    EXPECT_EQ(client->Seen().size(), 1u);

    // Corrupted: the answer arrives with a bad check sequence, the next is good.
    Control({"corrupt 1"});
    client->ClearSeen();
    EXPECT_FALSE(client->Transact(Vendor(0xCF, 1), 1000).has_value());
    ASSERT_EQ(client->Seen().size(), 1u);
    EXPECT_FALSE(client->Seen()[0].good);
    EXPECT_EQ(Status()[0], 0xCF);

    // Garbage, then an unsolicited frame, then the answer, all in one write.
    Control({"garbage", "unsolicited 7B 01 02"});
    client->ClearSeen();
    EXPECT_EQ(Status()[0], 0xCF);
    ASSERT_EQ(client->Seen().size(), 3u);
    EXPECT_FALSE(client->Seen()[0].good);
    EXPECT_TRUE(client->Seen()[1].good);
    EXPECT_EQ(client->Seen()[1].payload, (Bytes{0x7B, 0x01, 0x02}));
    client->ClearSeen();
    Status();
    EXPECT_EQ(client->Seen().size(), 1u) << "inserted only once";

    // Delayed: the answer waits at least that long.
    Control({"delay 300"});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Status()[0], 0xCF);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
    Control({"delay 0"});
}

TEST_F(SimModemTest, BadRequestFramesAreNotAnswered)
{
    Bytes frame = CHdlcCodec::Encode(Bytes{0x0C}.data(), 1);
    frame[1] ^= 0x01;  // spoil the check sequence
    ASSERT_TRUE(client->SendRaw(frame));
    EXPECT_EQ(Ask(Bytes{0x00})[0], 0x00) << "the version request after it is answered";
    EXPECT_EQ(client->Seen().size(), 1u);
    EXPECT_EQ(modem->GetCounters().badFrames, 1u);
}

TEST_F(SimModemTest, UnplugHangsUpAndRemovesThePortsReplugBringsThemBack)
{
    const fs::path driverDir = modem->Tree().SysfsRoot() / "bus/usb-serial/drivers/option1";
    Control({"unplug"});
    EXPECT_TRUE(client->WaitHangUp());
    EXPECT_TRUE(fs::is_empty(driverDir));
    EXPECT_FALSE(fs::exists(modem->Tree().DeviceDir()));
    EXPECT_FALSE(fs::is_symlink(modem->DevicePath(2)));
    EXPECT_NE(modem->Command("status").find("plugged=0"), std::string::npos);

    Control({"replug"});
    EXPECT_EQ(std::distance(fs::directory_iterator(driverDir), fs::directory_iterator()), 3);
    client = std::make_unique<DiagClient>(modem->DevicePath(2));
    ASSERT_TRUE(client->IsOpen());
    EXPECT_EQ(Status()[0], 0xCF);
}

TEST_F(SimModemTest, AtPortAnswersOkAndConnect)
{
    DiagClient at(modem->DevicePath(sim::CSimModem::kAtInterface));
    ASSERT_TRUE(at.IsOpen());
    const std::string ok = "ATZ\r";
    ASSERT_TRUE(at.SendRaw(Bytes(ok.begin(), ok.end())));
    EXPECT_EQ(at.ReadUntil("OK\r\n"), "OK\r\n");
    const std::string dial = "ATDT#777\r";
    ASSERT_TRUE(at.SendRaw(Bytes(dial.begin(), dial.end())));
    EXPECT_EQ(at.ReadUntil("CONNECT\r\n"), "CONNECT\r\n");
}

TEST_F(SimModemTest, ControlSocketTakesTheSameCommands)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = modem->SocketPath().string();
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << path;
    const std::string lines = "signal 42 43\nbogus\n";
    ASSERT_EQ(::write(fd, lines.data(), lines.size()), static_cast<ssize_t>(lines.size()));
    std::string got;
    while (std::count(got.begin(), got.end(), '\n') < 2) {
        char buffer[256];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        ASSERT_GT(n, 0);
        got.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    EXPECT_EQ(got.substr(0, 3), "ok\n");
    EXPECT_EQ(got.substr(3, 5), "error");
    EXPECT_EQ(Status()[14], 42);
}

TEST_F(SimModemTest, HexLogShowsTheExchange)
{
    Status();
    Control({"drop 1"});
    client->Transact(Bytes{0x0C}, 300);
    std::ifstream log(dir.path() / "hex.log");
    std::stringstream text;
    text << log.rdbuf();
    EXPECT_NE(text.str().find("diag rx [3] CF 01 00"), std::string::npos);
    EXPECT_NE(text.str().find("diag tx [26] CF 01 00"), std::string::npos);
    EXPECT_NE(text.str().find("dropped"), std::string::npos);
}

}  // namespace
}  // namespace brivex::test
