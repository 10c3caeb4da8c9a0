#include "platform/CProfileFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace brivex {
namespace {

using test::TempDir;

class ProfileFileTest : public ::testing::Test {
protected:
    TempDir dir;
    CProfileFile ini{(dir / "fer_dialer.ini").string()};
};

TEST_F(ProfileFileTest, AMissingFileReadsAsDefaults)
{
    EXPECT_EQ(ini.ReadString("phonenumber", "text", "#777", 64), "#777");
    EXPECT_EQ(ini.ReadInt("pref_mode", "num", -1), -1);
}

TEST_F(ProfileFileTest, WritesAreReadBackCaseInsensitively)
{
    ASSERT_TRUE(ini.WriteString("comport", "num", "3"));
    ASSERT_TRUE(ini.WriteString("Username", "Text", "me@realm"));
    EXPECT_EQ(ini.ReadInt("COMPORT", "NUM", 0), 3);
    EXPECT_EQ(ini.ReadString("username", "text", "", 64), "me@realm");
    ASSERT_TRUE(ini.WriteString("comport", "num", "12"));
    EXPECT_EQ(ini.ReadInt("comport", "num", 0), 12);
    EXPECT_NE(dir.read("fer_dialer.ini").find("num=12"), std::string::npos);
}

TEST_F(ProfileFileTest, StringReadsAreCutToTheBuffer)
{
    ini.WriteString("history_num", "num", "123456");
    EXPECT_EQ(ini.ReadString("history_num", "num", "0", 6), "12345");
    EXPECT_EQ(ini.ReadString("x", "y", "defaultvalue", 4), "def");
    EXPECT_EQ(ini.ReadString("history_num", "num", "0", 0), "");
}

TEST_F(ProfileFileTest, IntegerReadsParseLeadingDigits)
{
    const struct {
        const char* text;
        int value;
    } cases[] = {{"42", 42}, {"  7x", 7}, {"-1", -1}, {"abc", 0}, {"", 0}, {"99999999999", 2147483647}};
    for (const auto& c : cases) {
        ini.WriteString("v", "num", c.text);
        EXPECT_EQ(ini.ReadInt("v", "num", 5), c.value) << c.text;
        EXPECT_EQ(CProfileFile::LeadingInt(c.text), c.value) << c.text;
    }
}

TEST_F(ProfileFileTest, GarbageLinesKeepTheReadableKeys)
{
    dir.write("fer_dialer.ini", "\x01\x02 garbage\n[top]\nnum=1\nno equals sign here\n[[[\n[dtmf_len]\nnum=0\n");
    EXPECT_EQ(ini.ReadInt("top", "num", 0), 1);
    EXPECT_EQ(ini.ReadString("dtmf_len", "num", "-1", 64), "0");
    ASSERT_TRUE(ini.WriteString("top", "num", "0"));
    EXPECT_EQ(ini.ReadString("dtmf_len", "num", "-1", 64), "0");
}

TEST_F(ProfileFileTest, VeryLongValuesAreCut)
{
    const std::string huge(100000, 'a');
    ASSERT_TRUE(ini.WriteString("password", "text", huge));
    EXPECT_EQ(ini.ReadString("password", "text", "KWD", 64), std::string(63, 'a'));
}

TEST_F(ProfileFileTest, NewFilesAreGroupReadableOnly)
{
    ASSERT_TRUE(ini.WriteString("chv1", "num", "1234"));
    struct stat st {};
    ASSERT_EQ(::stat(ini.Path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0660u);
}

TEST_F(ProfileFileTest, AFileInAMissingDirectoryFailsToWrite)
{
    CProfileFile nowhere((dir / "no/such/dir/x.ini").string());
    EXPECT_FALSE(nowhere.WriteString("a", "b", "c"));
    EXPECT_EQ(nowhere.ReadString("a", "b", "d", 8), "d");
}

TEST_F(ProfileFileTest, ConcurrentWritersInThreadsLoseNoKey)
{
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([this, t] {
            for (int i = 0; i < 25; ++i)
                ini.WriteString("s" + std::to_string(t), "k" + std::to_string(i), std::to_string(i));
        });
    for (auto& w : writers)
        w.join();
    for (int t = 0; t < 4; ++t)
        for (int i = 0; i < 25; ++i)
            EXPECT_EQ(ini.ReadInt("s" + std::to_string(t), "k" + std::to_string(i), -1), i);
}

TEST_F(ProfileFileTest, ConcurrentWritersInProcessesLoseNoKey)
{
    std::vector<pid_t> children;
    for (int p = 0; p < 3; ++p) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            for (int i = 0; i < 20; ++i)
                ini.WriteString("p" + std::to_string(p), "k" + std::to_string(i), "v");
            ::_exit(0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    for (int p = 0; p < 3; ++p)
        for (int i = 0; i < 20; ++i)
            EXPECT_EQ(ini.ReadString("p" + std::to_string(p), "k" + std::to_string(i), "-", 8), "v");
}

TEST_F(ProfileFileTest, AnUnreadableFileIsNotReplaced)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    ini.WriteString("a", "b", "c");
    ::chmod(ini.Path().c_str(), 0);
    EXPECT_EQ(ini.ReadString("a", "b", "d", 8), "d");
    EXPECT_FALSE(ini.WriteString("x", "y", "z"));
    ::chmod(ini.Path().c_str(), 0600);
    EXPECT_EQ(ini.ReadString("a", "b", "d", 8), "c");
}

}  // namespace
}  // namespace brivex
