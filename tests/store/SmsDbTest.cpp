#include "StoreFixture.h"

#include "store/CDaoSmsDb.h"

namespace brivex {
namespace {

using test::StoreFixture;

class SmsDbTest : public StoreFixture {
protected:
    void SetUp() override
    {
        Point(sms, StoreFile());
        voiceMail = CDaoSmsDb::MessageWord(CDaoSmsDb::kMemoryStorage, 3);
    }

    CDaoSmsDb sms;
    std::int32_t voiceMail = 0;
};

TEST_F(SmsDbTest, AllSevenColumnsRoundTrip)
{
    sms.Open();
    sms.AddNew();
    sms.m_index = voiceMail;
    sms.m_tag_type = 2;
    sms.m_time = 1234567890;
    sms.m_cb_number = "01055500";
    sms.m_new_flag = 1;
    sms.m_encoding = 4;
    sms.SetMessageText("hello");
    sms.Update();
    sms.Close();

    sms.Open();
    ASSERT_EQ(sms.GetRecordCount(), 1);
    EXPECT_EQ(sms.m_index, 0x60003);
    EXPECT_EQ(sms.m_tag_type, 2);
    EXPECT_EQ(sms.m_time, 1234567890);
    EXPECT_EQ(sms.m_cb_number, "01055500");
    EXPECT_EQ(sms.m_new_flag, 1);
    EXPECT_EQ(sms.m_encoding, 4);
    EXPECT_EQ(sms.m_message.size(), CDaoSmsDb::kMessageBytes);
    EXPECT_EQ(sms.MessageText(), "hello");
}

TEST_F(SmsDbTest, TheVoiceMailCleanUpDeletesOnlyItsRow)
{
    Exec(StoreFile(), "INSERT INTO ferrox_sms (\"index\", tag_type) VALUES (" + std::to_string(voiceMail + 1)
                          + ", 1), (" + std::to_string(voiceMail) + ", 2), (" + std::to_string(0x50003) + ", 1);");
    sms.Open();
    EXPECT_TRUE(sms.FindFirstIndex(voiceMail));
    EXPECT_EQ(sms.m_tag_type, 2);
    EXPECT_TRUE(sms.DeleteMessage(voiceMail));
    EXPECT_FALSE(sms.DeleteMessage(voiceMail));  // gone already
    EXPECT_TRUE(sms.IsOpen());                   // it stays open for the run
    EXPECT_EQ(CountRows(StoreFile(), "ferrox_sms"), 2);
}

TEST_F(SmsDbTest, AMessageWithoutTerminatorIsReadOnlyAsFarAsItGoes)
{
    // 229 text bytes and no zero byte, as a full message leaves it.
    Exec(StoreFile(), "INSERT INTO ferrox_sms (\"index\", message) VALUES (1, zeroblob(0)),"
                      " (2, CAST(replace(hex(zeroblob(229)), '00', 'x') AS BLOB));");
    sms.Open();
    EXPECT_EQ(sms.MessageText(), "");
    sms.MoveNext();
    EXPECT_EQ(sms.MessageText(), std::string(229, 'x'));
    sms.SetMessageText(std::string(300, 'y'));
    EXPECT_EQ(sms.m_message.size(), CDaoSmsDb::kMessageBytes);
}

}  // namespace
}  // namespace brivex
