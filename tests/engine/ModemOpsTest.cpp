// The modem operations against the simulated modem, run the way the worker
// runs them (on-worker flag set) with the worker itself not started: the
// test thread holds the diagnostic port.
#include "app/CConfig.h"
#include "modem/CUtf8.h"
#include "modem/DiagCommands.h"
#include "modem/PhonebookEntry.h"
#include "modem/PhonebookSlot.h"
#include "modem/WorkerCommands.h"
#include "store/CStoreFiles.h"
#include "support/CEngineHarness.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace brivex::test {
namespace {

using Icon = CWindowSeam::Icon;
using Target = CWindowSeam::Target;
using Bytes = std::vector<std::uint8_t>;

struct StoredEntry {
    int storage = 0;
    int index = 0;
    std::string name;
    std::string number;
};

class ModemOpsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CCommPort& port = h.Engine().DiagPort();
        port.SetPortNumber(sim::CSimModem::kDiagInterface + 1);  // COM<n+1> is ttyUSB<n>
        port.SetEventMask(CCommPort::kEvRxFlag);
        ASSERT_TRUE(port.OpenPort()) << port.DevicePath();
        h.State().modemType = kModemTypeDiagDevice;
        h.State().lastCallState = DIAG_D_IDLE_S;
    }

    std::uint16_t Op(std::uint16_t id, std::uintptr_t argument = 0)
    {
        return h.Engine().Ops().DmSub(id, argument, true);
    }

    // The requests of one vendor command and sub-command that reached the modem.
    std::vector<Bytes> Requests(std::uint8_t code, std::uint16_t sub) const
    {
        std::vector<Bytes> out;
        for (const Bytes& r : h.WireRequests())
            if (r.size() >= 3 && r[0] == code && (r[1] | (r[2] << 8)) == sub)
                out.push_back(r);
        return out;
    }

    std::vector<StoredEntry> Stored(int storage)
    {
        std::vector<StoredEntry> out;
        CDaoPbookDb& store = h.Pbook();
        store.OpenStorage(storage);
        if (store.GetRecordCount() > 0)
            for (store.MoveFirst(); !store.IsEOF(); store.MoveNext())
                out.push_back({store.m_storage_type, store.m_index, store.m_name, store.m_phone_number});
        store.Close();
        return out;
    }

    void Store(const CDaoPbookDb::Entry& entry)
    {
        h.Pbook().Open();
        h.Pbook().AddEntries(std::span(&entry, 1));
        h.Pbook().Close();
    }

    std::vector<CFakeWindow::Event> Posts(unsigned message) const
    {
        std::vector<CFakeWindow::Event> out;
        for (const auto& e : h.Fake().EventsOf("post"))
            if (e.id == static_cast<int>(message))
                out.push_back(e);
        return out;
    }

    std::vector<CFakeWindow::Event> Boxes() const { return h.Fake().EventsOf("box"); }

    mutable CEngineHarness h;
};

// Whatever the modem's UCS-2 holds, the store and the windows get valid UTF-8.
TEST(ModemText, Utf16BecomesValidUtf8)
{
    struct Case {
        std::u16string units;
        std::string utf8;
    };
    const Case cases[] = {
        {u"Ana", "Ana"},
        {u"\u00E9\u0416\u20AC", "\xC3\xA9\xD0\x96\xE2\x82\xAC"},
        {{0xD83D, 0xDE00}, "\xF0\x9F\x98\x80"},          // a surrogate pair
        {{0xD83D, 'x'}, "\xEF\xBF\xBDx"},                 // a lone high surrogate
        {{0xDE00}, "\xEF\xBF\xBD"},                       // a lone low surrogate
        {{'a', 0, 'b'}, "a"},                               // a zero ends the text
    };
    for (const Case& c : cases)
        EXPECT_EQ(CUtf8::FromUtf16(c.units), c.utf8);
    EXPECT_EQ(CUtf8::FromUtf16Le(Bytes{'h', 0, 'i', 0, 'x'}), "hi");  // an odd last byte is dropped
}

// ---------------------------------------------------------------- SMS list

TEST_F(ModemOpsTest, ListRaisesOnePopupPerUnreadMemoryMessage)
{
    h.Control("sms 3 tag=1 an old one");
    h.Control("sms 5 tag=7 not for the user");
    h.Control("sms 7 hello there");
    h.Control("sms 9 the second");
    h.Control("sms 2 storage=5 on the card");

    EXPECT_EQ(Op(DM_SMS_LIST, SMS_STORAGE_MEMORY), 0);
    EXPECT_EQ(h.State().smsMemoryCount.load(), 4);
    EXPECT_TRUE(h.State().popupRaised.load());
    EXPECT_EQ(h.State().popupText, "hello there");
    auto posts = Posts(WM_SMS_POPUP);
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].a, 7);
    EXPECT_EQ(posts[0].target, static_cast<int>(Target::MainWindow));
    // Only the first unread slot was read; tag 7 was passed over.
    ASSERT_EQ(Requests(QOR_CMD_SMS, QOR_SUB_SMS_READ).size(), 1u);

    // While the pop-up is up, a further list raises nothing.
    EXPECT_EQ(Op(DM_SMS_LIST, SMS_STORAGE_MEMORY), 0);
    EXPECT_EQ(Posts(WM_SMS_POPUP).size(), 1u);

    // Once the window let it go, the next unread message comes (7 was read).
    h.State().popupRaised = false;
    EXPECT_EQ(Op(DM_SMS_LIST, SMS_STORAGE_MEMORY), 0);
    posts = Posts(WM_SMS_POPUP);
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[1].a, 9);
    EXPECT_EQ(h.State().popupText, "the second");

    // A card list counts the card's messages and raises no pop-up.
    h.State().popupRaised = false;
    EXPECT_EQ(Op(DM_SMS_LIST, SMS_STORAGE_CARD), 0);
    EXPECT_EQ(h.State().smsCardCount.load(), 1);
    EXPECT_EQ(Posts(WM_SMS_POPUP).size(), 2u);
    EXPECT_TRUE(h.LogContains("total count = 1"));
}

TEST_F(ModemOpsTest, PopupTextIsDecodedByTheMessageEncoding)
{
    struct Case {
        const char* control;
        std::string text;
    };
    const Case cases[] = {
        {"sms 1 enc=4 caf\xC3\xA9 \xD0\x96", "caf\xC3\xA9 \xD0\x96"},  // UTF-16LE on the wire
        {"sms 1 enc=16 hex=4361E9", "Ca\xC3\xA9"},                     // 8-bit text
        {"sms 1 enc=2 hex=414200434445", "AB"},                        // a zero ends the text
        {"sms 1 enc=3 plain text", "plain text"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        h.State().popupRaised = false;
        h.Control(c.control);
        ASSERT_EQ(Op(DM_SMS_LIST, SMS_STORAGE_MEMORY), 0);
        EXPECT_EQ(h.State().popupText, c.text);
    }
}

TEST_F(ModemOpsTest, VoiceMailCountAndRemoval)
{
    h.Control("voicemail 4 3");
    ASSERT_EQ(Op(DM_SMS_LIST, SMS_STORAGE_MEMORY), 0);
    EXPECT_EQ(h.State().voiceMailSlot.load(), 4);

    EXPECT_EQ(Op(DM_SMS_VOICENUM), DM_SMS_VOICENUM);
    EXPECT_EQ(h.State().voiceMailCount.load(), 3);

    EXPECT_EQ(Op(DM_SMS_REMOVEAT), DM_SMS_REMOVEAT);
    EXPECT_TRUE(h.Fake().TimerRunning(110));
    EXPECT_EQ(h.Sim().WithState([](auto& s) { return s.FindSms(6, 4); }), nullptr);

    // The slot is gone from the modem: a second removal is refused.
    EXPECT_EQ(Op(DM_SMS_REMOVEAT), DM_RESULT_MODEM_REFUSED);

    h.Control("voicemail none");
    ASSERT_EQ(Op(DM_SMS_LIST, SMS_STORAGE_MEMORY), 0);
    EXPECT_EQ(h.State().voiceMailSlot.load(), -1);
    const auto before = h.WireRequests().size();
    EXPECT_EQ(Op(DM_SMS_VOICENUM), DM_RESULT_MISSING_ARGUMENT);
    EXPECT_EQ(Op(DM_SMS_REMOVEAT), DM_RESULT_MISSING_ARGUMENT);
    EXPECT_EQ(h.WireRequests().size(), before);
}

TEST_F(ModemOpsTest, ListFailuresAreCounted)
{
    h.Control("corrupt 1");
    EXPECT_EQ(Op(DM_SMS_LIST, SMS_STORAGE_MEMORY), DM_RESULT_TRANSACTION_FAILED);
    EXPECT_TRUE(h.LogContains("sms get info list error"));
}

// ---------------------------------------------------------------- SMS send

TEST_F(ModemOpsTest, SendTextLimits)
{
    struct Case {
        std::uint8_t encoding;
        std::size_t bytes;
        bool sent;
    };
    const Case cases[] = {
        {SMS_ENC_ASCII, 229, true},
        {SMS_ENC_ASCII, 230, false},
        {SMS_ENC_OCTET, 229, true},
        {SMS_ENC_UNICODE, 228, true},   // 114 characters
        {SMS_ENC_UNICODE, 230, false},  // 115 characters
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "encoding " << int(c.encoding) << ", " << c.bytes << " bytes");
        h.Fake().ClearEvents();
        h.Sim().WithState([](auto& s) { s.sms.sent.clear(); });
        h.State().smsEncoding = c.encoding;
        {
            std::lock_guard lock(h.State().mutex);
            h.State().smsDestination = "51230";
            h.State().smsCallback.clear();
            h.State().smsText.assign(c.bytes, 'b');
            if (c.encoding == SMS_ENC_UNICODE)
                for (std::size_t i = 1; i < c.bytes; i += 2)
                    h.State().smsText[i] = 0;
        }
        const std::uint16_t result = Op(DM_SMS_SEND);
        const auto sent = h.Sim().WithState([](auto& s) { return s.sms.sent; });
        if (c.sent) {
            EXPECT_EQ(result, DM_SMS_SEND);
            ASSERT_EQ(sent.size(), 1u);
            EXPECT_EQ(sent[0].text.size(), c.bytes);
            EXPECT_EQ(sent[0].address, "51230");
            EXPECT_EQ(sent[0].encoding, c.encoding);
            EXPECT_TRUE(Boxes().empty());
            EXPECT_TRUE(Posts(WM_SMS_SEND_STEP).empty());
        } else {
            EXPECT_EQ(result, DM_RESULT_TRANSACTION_FAILED);
            EXPECT_TRUE(sent.empty());
            const auto boxes = Boxes();
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, "The status of the modem is in no service area.\nCannot send the message(s).");
            EXPECT_EQ(boxes[0].id, static_cast<int>(Icon::Error));
            const auto posts = Posts(WM_SMS_SEND_STEP);
            ASSERT_EQ(posts.size(), 1u);
            EXPECT_EQ(posts[0].a, 0);
            EXPECT_EQ(posts[0].b, DM_RESULT_WORKER_ENDING);
            EXPECT_EQ(posts[0].target, static_cast<int>(Target::SmsView));
        }
    }
}

TEST_F(ModemOpsTest, SendRefusals)
{
    {
        std::lock_guard lock(h.State().mutex);
        h.State().smsDestination = "51230";
        h.State().smsText = {'b', 'a', 'l'};
    }
    h.State().smsEncoding = SMS_ENC_ASCII;

    // Not idle: refused before anything is sent, the SMS view told with 402.
    h.State().lastCallState = DIAG_D_INIT_S;
    EXPECT_EQ(Op(DM_SMS_SEND), DM_SMS_SEND);
    auto posts = Posts(WM_SMS_SEND_STEP);
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].a, 0);
    EXPECT_EQ(posts[0].b, 402);
    EXPECT_TRUE(Requests(QOR_CMD_SMS, QOR_SUB_SMS_SEND).empty());
    EXPECT_TRUE(h.LogContains("No Idle..."));

    // The modem refuses without service.
    h.State().lastCallState = DIAG_D_IDLE_S;
    h.Control("sysmode 0");
    EXPECT_EQ(Op(DM_SMS_SEND), DM_RESULT_MODEM_REFUSED);
    EXPECT_TRUE(h.LogContains("dm result error = 0x"));

    // No answer.
    h.Control("sysmode 2");
    h.Control("corrupt 1");
    EXPECT_EQ(Op(DM_SMS_SEND), DM_RESULT_TRANSACTION_FAILED);
    EXPECT_TRUE(h.LogContains("send message error(line="));
}

// ---------------------------------------------------------------- phonebook

TEST_F(ModemOpsTest, PhonebookReadsInBlocksIntoTheStore)
{
    struct Case {
        bool card;
        int entries;
        std::vector<int> blocks;
    };
    const Case cases[] = {
        {false, 25, {10, 10, 5}},
        {false, 20, {10, 10}},
        {false, 9, {9}},
        {false, 0, {}},
        {true, 12, {10, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.card ? "card " : "memory ") << c.entries);
        const char* storage = c.card ? "card" : "memory";
        const int storageType = c.card ? CDaoPbookDb::kRuim : CDaoPbookDb::kMemory;
        const int otherType = c.card ? CDaoPbookDb::kMemory : CDaoPbookDb::kRuim;
        h.Control(std::string("phonebook clear ") + storage);
        if (c.entries > 0)
            h.Control("phonebook fill " + std::string(storage) + " " + std::to_string(c.entries));
        // A stale row of this storage goes; the other storage's row stays.
        h.Pbook().EmptyMirror();
        Store({storageType, 900, "stale", "1"});
        Store({otherType, 901, "other", "2"});
        const auto readsBefore = Requests(QOR_CMD_PBOOK, QOR_SUB_PB_READ).size();

        ASSERT_EQ(Op(DM_PBOOK_INFO, c.card ? PB_STORAGE_CARD : PB_STORAGE_MEMORY), DM_PBOOK_INFO);
        EXPECT_EQ(h.State().pbInUse[c.card ? 1 : 0].load(), c.entries);
        ASSERT_EQ(Op(DM_PBOOK_READ, c.card ? kPbStorageWordCard : kPbStorageWordMemory), DM_PBOOK_READ);

        const auto reads = Requests(QOR_CMD_PBOOK, QOR_SUB_PB_READ);
        std::vector<int> blocks;
        for (std::size_t i = readsBefore; i < reads.size(); ++i) {
            ASSERT_EQ(reads[i].size(), 6u);
            EXPECT_EQ(reads[i][3] | (reads[i][4] << 8), c.card ? 0xFF01 : 0);
            blocks.push_back(reads[i][5]);
        }
        EXPECT_EQ(blocks, c.blocks);
        EXPECT_EQ(h.Engine().Ops().LastPhonebookRead().transactions, static_cast<int>(c.blocks.size()));

        const auto stored = Stored(storageType);
        ASSERT_EQ(stored.size(), static_cast<std::size_t>(c.entries));
        for (int i = 0; i < c.entries; ++i) {
            EXPECT_EQ(stored[i].index, i + 1);
            EXPECT_EQ(stored[i].name, "Contact " + std::to_string(i + 1));
            EXPECT_EQ(stored[i].number, "555" + std::to_string(1000 + i));
        }
        const auto other = Stored(otherType);
        ASSERT_EQ(other.size(), 1u);
        EXPECT_EQ(other[0].name, "other");
        EXPECT_FALSE(h.Pbook().IsOpen());
    }
}

TEST_F(ModemOpsTest, PhonebookNumbersAndNamesAreDecoded)
{
    h.Control("phonebook clear memory");
    h.Control("phonebook add memory 1 555E12?3 Plain Name");
    h.Control("phonebook add memory 2 1 hex:800410041100");              // UCS-2, high byte first
    h.Control("phonebook add memory 3 2 hex:8102088581");                // base 0x08 * 128
    h.Control("phonebook add memory 4 3 hex:820204008182");              // base 0x0400
    h.Control("phonebook add memory 5 4 hex:810208D800");                // a zero ends the name
    h.Control("phonebook clear card");
    h.Control("phonebook add card 7 12345678901234567890123 Card Entry");  // card numbers keep 20 digits

    ASSERT_EQ(Op(DM_PBOOK_INFO, PB_STORAGE_MEMORY), DM_PBOOK_INFO);
    ASSERT_EQ(Op(DM_PBOOK_READ, kPbStorageWordMemory), DM_PBOOK_READ);
    ASSERT_EQ(Op(DM_PBOOK_INFO, PB_STORAGE_CARD), DM_PBOOK_INFO);
    ASSERT_EQ(Op(DM_PBOOK_READ, kPbStorageWordCard), DM_PBOOK_READ);

    const auto memory = Stored(CDaoPbookDb::kMemory);
    ASSERT_EQ(memory.size(), 5u);
    EXPECT_EQ(memory[0].number, "555123");
    EXPECT_EQ(memory[0].name, "Plain Name");
    EXPECT_EQ(memory[1].name, "\xD0\x90\xD0\x91");  // U+0410 U+0411
    EXPECT_EQ(memory[2].name, "\xD0\x85\xD0\x81");  // U+0405 U+0401
    EXPECT_EQ(memory[3].name, "\xD0\x81\xD0\x82");  // U+0401 U+0402
    EXPECT_EQ(memory[4].name, "\xD1\x98");          // U+0458, then the name ends
    const auto card = Stored(CDaoPbookDb::kRuim);
    ASSERT_EQ(card.size(), 1u);
    EXPECT_EQ(card[0].number, "12345678901234567890");
    EXPECT_EQ(card[0].storage, CDaoPbookDb::kRuim);
}

// The modem hands out the next records with every read, so a lost answer
// would lose its records: the read starts its pass again and ends up with
// every entry exactly once.
TEST_F(ModemOpsTest, PhonebookBlockFailingTwiceThenSucceeding)
{
    h.Control("phonebook clear memory");
    h.Control("phonebook fill memory 25");
    ASSERT_EQ(Op(DM_PBOOK_INFO, PB_STORAGE_MEMORY), DM_PBOOK_INFO);
    h.Control("corrupt 2");
    ASSERT_EQ(Op(DM_PBOOK_READ, kPbStorageWordMemory), DM_PBOOK_READ);
    EXPECT_TRUE(h.LogContains("phonebook read error "));
    const auto stored = Stored(CDaoPbookDb::kMemory);
    std::set<int> indexes;
    for (const auto& e : stored)
        indexes.insert(e.index);
    EXPECT_EQ(stored.size(), 25u);
    EXPECT_EQ(indexes.size(), 25u);
    EXPECT_EQ(*indexes.begin(), 1);
    EXPECT_EQ(*indexes.rbegin(), 25);
}

TEST_F(ModemOpsTest, PhonebookThreeFailuresEndTheRead)
{
    h.Control("phonebook clear memory");
    h.Control("phonebook fill memory 25");
    ASSERT_EQ(Op(DM_PBOOK_INFO, PB_STORAGE_MEMORY), DM_PBOOK_INFO);
    h.Control("corrupt 3");
    EXPECT_EQ(Op(DM_PBOOK_READ, kPbStorageWordMemory), DM_RESULT_TRANSACTION_FAILED);
    EXPECT_EQ(h.Engine().Ops().LastPhonebookRead().transactions, 3);
    EXPECT_FALSE(h.Pbook().IsOpen());
}

TEST_F(ModemOpsTest, PhonebookStoreFailureIsLoggedAndEndsTheRead)
{
    h.Control("phonebook fill memory 5");
    ASSERT_EQ(Op(DM_PBOOK_INFO, PB_STORAGE_MEMORY), DM_PBOOK_INFO);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(CStoreFiles::WorkingCopyPath(h.DatabaseDir()).c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "DROP TABLE ferrox_pbook", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    EXPECT_EQ(Op(DM_PBOOK_READ, kPbStorageWordMemory), DM_PBOOK_READ);
    EXPECT_TRUE(h.LogContains("no such table"));
    EXPECT_TRUE(Requests(QOR_CMD_PBOOK, QOR_SUB_PB_READ).empty());
    EXPECT_FALSE(h.Pbook().IsOpen());
}

TEST_F(ModemOpsTest, PhonebookInformationArguments)
{
    h.Control("phonebook clear card");
    h.Control("phonebook capacity card 120 24");
    h.Control("phonebook fill card 3");
    EXPECT_EQ(Op(DM_PBOOK_INFO, PB_STORAGE_CARD), DM_PBOOK_INFO);
    EXPECT_EQ(h.State().pbMaxRecords[1].load(), 120);
    EXPECT_EQ(h.State().pbInUse[1].load(), 3);
    EXPECT_EQ(h.State().pbMaxNameLength.load(), 24);
    EXPECT_EQ(h.State().pbMaxNumberLength.load(), 32);
    EXPECT_EQ(Op(DM_PBOOK_INFO, 2), DM_RESULT_MISSING_ARGUMENT);
    h.Control("corrupt 1");
    EXPECT_EQ(Op(DM_PBOOK_INFO, PB_STORAGE_MEMORY), DM_RESULT_TRANSACTION_FAILED);
}

TEST_F(ModemOpsTest, PhonebookWriteAndDelete)
{
    h.Control("phonebook clear memory");
    PhonebookEntry entry;
    entry.storage = PB_STORAGE_MEMORY;
    entry.index = 12;
    entry.number = "0215551234";
    entry.name = {0x80, 0x04, 0x10};
    EXPECT_EQ(h.Engine().Ops().DmSub(DM_PBOOK_WRITE, reinterpret_cast<std::uintptr_t>(&entry), true),
              DM_PBOOK_WRITE);
    const auto writes = Requests(QOR_CMD_PBOOK, QOR_SUB_PB_WRITE);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].size(), 42u + 3u);
    const auto kept = h.Sim().WithState([](auto& s) { return s.Phonebook(9)->entries; });
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].number, "0215551234");
    EXPECT_EQ(kept[0].name, entry.name);

    PhonebookSlot slot{PB_STORAGE_MEMORY, 12};
    EXPECT_EQ(h.Engine().Ops().DmSub(DM_PBOOK_DEL, reinterpret_cast<std::uintptr_t>(&slot), true), DM_PBOOK_DEL);
    EXPECT_TRUE(h.Sim().WithState([](auto& s) { return s.Phonebook(9)->entries.empty(); }));
    // The modem refuses a second delete of the same entry.
    EXPECT_EQ(h.Engine().Ops().DmSub(DM_PBOOK_DEL, reinterpret_cast<std::uintptr_t>(&slot), true),
              DM_RESULT_MODEM_REFUSED);
    EXPECT_TRUE(h.LogContains("phonebook delete error "));

    EXPECT_EQ(Op(DM_PBOOK_WRITE, 0), DM_RESULT_MISSING_ARGUMENT);
    EXPECT_EQ(Op(DM_PBOOK_DEL, 0), DM_RESULT_MISSING_ARGUMENT);
    h.Control("corrupt 1");
    EXPECT_EQ(h.Engine().Ops().DmSub(DM_PBOOK_WRITE, reinterpret_cast<std::uintptr_t>(&entry), true),
              DM_RESULT_TRANSACTION_FAILED);
    EXPECT_TRUE(h.LogContains("phonebook write error "));
}

// ---------------------------------------------------------------- identity

TEST_F(ModemOpsTest, ServiceWritesTheIdentity)
{
    struct Case {
        std::string digits;
        std::string mdn;
    };
    const Case cases[] = {
        {"5551234567", "5551234567"},
        {"55512A4567", "----------"},
        {"555 123", "----------"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.digits);
        h.Sim().WithState([&](auto& s) {
            s.identity.ownNumber = c.digits;
            s.identity.swVersion = "brx1.2.a";
        });
        ASSERT_EQ(Op(DM_GET_SERVICE), DM_GET_SERVICE);
        EXPECT_EQ(h.Ini(keys::ModemMdn), c.mdn);
    }
    EXPECT_EQ(h.Ini(keys::ModemSwVer), "BRX1.2.A");
    EXPECT_EQ(h.Ini(keys::ModemCompDate), "MAR 14 2008");
    EXPECT_EQ(h.Ini(keys::ModemHwVer), "1A0B");
    EXPECT_EQ(h.Ini(keys::ModemEsn), "9E3C6502");
    EXPECT_EQ(h.Ini(keys::ChgUsb), "0");
}

TEST_F(ModemOpsTest, ServiceFailures)
{
    // Another modem type has no NV relay: nothing is asked, the read fails.
    h.State().modemType = 0;
    EXPECT_EQ(Op(DM_GET_SERVICE), DM_RESULT_TRANSACTION_FAILED);
    EXPECT_TRUE(h.LogContains("read nv_dir_number pcs error "));
    EXPECT_TRUE(Requests(QOR_CMD_NV_RELAY, QOR_SUB_NV_READ).empty());

    h.State().modemType = kModemTypeDiagDevice;
    h.Control("corrupt 1");
    EXPECT_EQ(Op(DM_GET_SERVICE), DM_RESULT_TRANSACTION_FAILED);
    EXPECT_TRUE(h.LogContains("diag_verno_f error"));
}

// ---------------------------------------------------------------- card

TEST_F(ModemOpsTest, PinVerificationAndUnblocking)
{
    struct Case {
        const char* name;
        std::vector<std::string> controls;
        const char* pin;          // [chv1] num; nullptr: the default
        const char* unblockCode;  // [chv1_temp] num
        std::uintptr_t sub;
        std::uint16_t result;
        const char* message;
        Icon icon;
        const ProfileKey* counter;
        const char* count;
    };
    const Case cases[] = {
        {"verify with the default PIN", {"lock 2", "pin 5960", "retries 3 10"}, nullptr, "", 1, DM_RUIM_VERIFY,
         "Successful Pin Code Verification.", Icon::Information, &keys::Chv1Count, "3"},
        {"wrong PIN", {"lock 2", "retries 3 10"}, "1111", "", 1, DM_RUIM_VERIFY,
         "Unsuccessful PIN verification, at least one attempt left", Icon::Error, &keys::Chv1Count, "2"},
        {"last attempt wrong", {"lock 2", "retries 1 10"}, "1111", "", 1, DM_RESULT_PIN_BLOCKED,
         "Unsuccessful PIN verification, no attempt left (PIN blocked)", Icon::Error, &keys::Chv1Count, "0"},
        {"unblock", {"lock 4", "retries 0 10", "puk 12345678"}, "4321", "12345678", 5, DM_RUIM_VERIFY,
         "Successful UnBlock Pin Code Verification.", Icon::Information, &keys::Chv1PukCount, "10"},
        {"wrong unblock code", {"lock 4", "retries 0 10"}, "4321", "87654321", 5, DM_RUIM_VERIFY,
         "Unsuccessful Unblock Pin verification, at least one attempt left", Icon::Error, &keys::Chv1PukCount, "9"},
        {"last unblock attempt wrong", {"lock 4", "retries 0 1"}, "4321", "87654321", 5, DM_RUIM_VERIFY,
         "Unsuccessful Unblock Pin verification, no attempt left (Unblock Pin blocked)", Icon::Error,
         &keys::Chv1PukCount, "0"},
        {"card disabled", {"lock 5"}, "5960", "", 1, DM_RUIM_VERIFY, "RUIM Card is disabled.", Icon::Error,
         &keys::Chv1Count, "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const std::string& line : c.controls)
            h.Control(line);
        if (c.pin != nullptr)
            CConfig::Write(keys::Chv1, c.pin);
        CConfig::Write(keys::Chv1Temp, c.unblockCode);
        h.Fake().ClearEvents();
        EXPECT_EQ(Op(DM_RUIM_VERIFY, c.sub), c.result);
        const auto boxes = Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.message);
        EXPECT_EQ(boxes[0].id, static_cast<int>(c.icon));
        EXPECT_EQ(h.Ini(*c.counter), c.count);
        EXPECT_TRUE(h.LogContains("sw1=0x"));
    }
    // The unblock set the new PIN on the card.
    EXPECT_EQ(h.Sim().WithState([](auto& s) { return s.card.pin; }), "4321");
}

TEST_F(ModemOpsTest, PinRequestPacksTheStoredCodes)
{
    CConfig::Write(keys::Chv1, "12");
    CConfig::Write(keys::Chv1Temp, "87654321");
    Op(DM_RUIM_VERIFY, 1);
    Op(DM_RUIM_VERIFY, 5);
    const auto verify = Requests(QOR_CMD_RUIM, QOR_SUB_RUIM_VERIFY_CHV);
    const auto unblock = Requests(QOR_CMD_RUIM, QOR_SUB_RUIM_UNBLOCK_CHV);
    ASSERT_EQ(verify.size(), 1u);
    ASSERT_EQ(unblock.size(), 1u);
    EXPECT_EQ(verify[0], (Bytes{0xD2, 0x01, 0x00, '1', '2', 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Bytes(unblock[0].begin() + 3, unblock[0].end()),
              (Bytes{'8', '7', '6', '5', '4', '3', '2', '1', '1', '2', 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));

    const auto before = h.WireRequests().size();
    EXPECT_EQ(Op(DM_RUIM_VERIFY, 3), DM_RESULT_MODEM_REFUSED);
    EXPECT_EQ(Op(DM_RUIM_VERIFY, 0), DM_RESULT_MODEM_REFUSED);
    EXPECT_EQ(h.WireRequests().size(), before);
    h.Control("corrupt 1");
    EXPECT_EQ(Op(DM_RUIM_VERIFY, 1), DM_RESULT_TRANSACTION_FAILED);
    EXPECT_TRUE(h.LogContains("ruim chv1 verify error "));
}

// ---------------------------------------------------------------- data rates

TEST_F(ModemOpsTest, DataRatesSetTheirIndicators)
{
    h.Control("datarate evdo 5353535353535353");
    EXPECT_EQ(Op(DM_PREF_HDR_DRC), DM_PREF_HDR_DRC);
    const auto evdo = h.Fake().EventsOf("indicator");
    ASSERT_EQ(evdo.size(), 1u);  // set once: the later bytes show the same level
    EXPECT_EQ(evdo[0].id, 5);
    EXPECT_EQ(evdo[0].a, 5);

    h.Control("datarate 1x 650");
    EXPECT_EQ(Op(DM_PREF_1X_DRC), DM_PREF_1X_DRC);
    EXPECT_EQ(h.Indicator(6), 3);

    h.Control("corrupt 2");
    EXPECT_EQ(Op(DM_PREF_HDR_DRC), DM_RESULT_TRANSACTION_FAILED);
    EXPECT_EQ(Op(DM_PREF_1X_DRC), DM_RESULT_TRANSACTION_FAILED);
}

TEST_F(ModemOpsTest, EveryOperationLogsItsName)
{
    Op(DM_PREF_1X_DRC);
    Op(DM_PBOOK_INFO, PB_STORAGE_MEMORY);
    Op(DM_PBOOK_READ, kPbStorageWordMemory);
    Op(DM_SMS_SEND);
    EXPECT_TRUE(h.LogContains("Dm Sub DM_PREF_1X_DRC:"));
    EXPECT_TRUE(h.LogContains("Dm Sub DM_PBOOK_INFO:"));
    EXPECT_TRUE(h.LogContains("Dm Sub DM_PBOOK_READ:"));
    EXPECT_TRUE(h.LogContains("Dm Sub DM_SMS_SEND: "));
    EXPECT_EQ(Op(0x1234), DM_RESULT_MISSING_ARGUMENT);
}

}  // namespace
}  // namespace brivex::test
