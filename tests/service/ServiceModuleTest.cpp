#include "support/TempDir.h"

#include "service/CServiceModule.h"
#include "service/CServiceUnit.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace brivex {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using Token = CServiceModule::Token;

struct STokenCase {
    std::vector<std::string> arguments;
    Token token;
};

void PrintTo(const STokenCase& c, std::ostream* os)
{
    for (const auto& a : c.arguments)
        *os << '[' << a << ']';
}

class TokenTable : public ::testing::TestWithParam<STokenCase> {};

TEST_P(TokenTable, FirstRecognisedTokenDecides)
{
    EXPECT_EQ(CServiceModule::ParseTokens(GetParam().arguments), GetParam().token);
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, TokenTable,
    ::testing::Values(STokenCase{{"-RegServer"}, Token::RegServer}, STokenCase{{"/regserver"}, Token::RegServer},
                      STokenCase{{"-UNREGSERVER"}, Token::UnregServer}, STokenCase{{"/UnregServer"}, Token::UnregServer},
                      STokenCase{{"-Service"}, Token::Service}, STokenCase{{"/sErViCe"}, Token::Service},
                      STokenCase{{"-service", "-regserver"}, Token::Service},
                      STokenCase{{"-x", "/unregserver", "-service"}, Token::UnregServer},
                      STokenCase{{"RegServer"}, Token::None}, STokenCase{{"-Services"}, Token::None},
                      STokenCase{{"--service"}, Token::None}, STokenCase{{"-"}, Token::None},
                      STokenCase{{""}, Token::None}, STokenCase{{}, Token::None}));

// A scratch key store and unit directory.
class Registration : public ::testing::Test {
protected:
    CServiceModule Module(const std::string& executable = "/opt/brivex/MODEVORTEX")
    {
        fs::create_directories(m_dir / "units");
        return CServiceModule({Store(), (m_dir / "units").string(), executable, &m_err});
    }
    CKeyStore Store() const { return CKeyStore((m_dir / "sysdir").string()); }
    std::string Unit() const { return (m_dir / "units/MODEVORTEX.service").string(); }

    TempDir m_dir;
    std::ostringstream m_err;
};

TEST_F(Registration, ServiceWritesTheRecordAndTheUnit)
{
    ASSERT_EQ(Module().Register(Token::Service), 0);
    const CKeyStore store = Store();
    const std::string appId = CServiceModule::AppIdKey();
    EXPECT_EQ(store.ReadValue(appId, ""), "MODEVORTEX");
    EXPECT_EQ(store.ReadValue(appId, "LocalService"), "MODEVORTEX");
    EXPECT_EQ(store.ReadValue(appId, "ServiceParameters"), "-Service");
    EXPECT_EQ(store.ReadValue(CServiceModule::ExecutableKey(), "AppID"), "{BAA898A4-84FB-4A5A-BBA3-F368FDA91B50}");
    EXPECT_EQ(Module().ReadServiceFlag(), true);

    const std::string unit = m_dir.read("units/MODEVORTEX.service");
    EXPECT_NE(unit.find("ExecStart=\"/opt/brivex/MODEVORTEX\"\n"), std::string::npos);
    EXPECT_NE(unit.find("WantedBy=multi-user.target\n"), std::string::npos);
    EXPECT_TRUE(m_err.str().empty());
}

TEST_F(Registration, RegServerRemovesTheUnitAndTheServiceFlag)
{
    ASSERT_EQ(Module().Register(Token::Service), 0);
    ASSERT_EQ(Module().Register(Token::RegServer), 0);
    EXPECT_FALSE(fs::exists(Unit()));
    EXPECT_EQ(Module().ReadServiceFlag(), false);
}

TEST_F(Registration, UnregServerRemovesItsEntriesButNotTheAppIdKey)
{
    ASSERT_TRUE(Store().WriteValue("HKEY_CLASSES_ROOT\\AppID\\{OTHER}", "", "someone else"));
    ASSERT_EQ(Module().Register(Token::Service), 0);
    ASSERT_EQ(Module().Register(Token::UnregServer), 0);
    EXPECT_FALSE(fs::exists(Unit()));
    EXPECT_EQ(Module().ReadServiceFlag(), std::nullopt);
    EXPECT_FALSE(Store().KeyExists(CServiceModule::ExecutableKey()));
    EXPECT_EQ(Store().SubKeys(CServiceModule::AppIdRoot), std::vector<std::string>{"{OTHER}"});
    // Nothing installed any more: a second removal succeeds too.
    EXPECT_EQ(Module().Register(Token::UnregServer), 0);
}

struct SFailureCase {
    const char* name;
    std::function<void(const TempDir&)> prepare;
    Token token;
    const char* executable;
    const char* message;
};

void PrintTo(const SFailureCase& c, std::ostream* os) { *os << c.name; }

class RegistrationFailures : public Registration, public ::testing::WithParamInterface<SFailureCase> {};

TEST_P(RegistrationFailures, ShowTheirMessageAndFail)
{
    const auto& c = GetParam();
    auto module = Module(c.executable);
    c.prepare(m_dir);
    EXPECT_NE(module.Register(c.token), 0);
    EXPECT_EQ(m_err.str(), std::string("MODEVORTEX: ") + c.message + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Failures, RegistrationFailures,
    ::testing::Values(
        SFailureCase{"NoUnitDirectory", [](const TempDir& d) { fs::remove_all(d / "units"); }, Token::Service,
                     "/opt/brivex/MODEVORTEX", "Couldn't open service manager"},
        SFailureCase{"UnitIsNoFile", [](const TempDir& d) { fs::create_directories(d / "units/MODEVORTEX.service"); },
                     Token::UnregServer, "/opt/brivex/MODEVORTEX", "Couldn't open service"},
        SFailureCase{"PathUnfitForAUnit", [](const TempDir&) {}, Token::Service, "/opt/\"odd\"/MODEVORTEX",
                     "Couldn't create service"},
        SFailureCase{"RelativePath", [](const TempDir&) {}, Token::Service, "MODEVORTEX", "Couldn't create service"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ServiceUnit, PercentSignsAreEscapedInTheUnit)
{
    EXPECT_NE(CServiceUnit::UnitText("/opt/100%/MODEVORTEX").find("ExecStart=\"/opt/100%%/MODEVORTEX\""),
              std::string::npos);
    EXPECT_EQ(CServiceUnit::UnitText("/opt/a\nb"), "");
}

TEST_F(Registration, InstallLeavesAnExistingUnitAlone)
{
    fs::create_directories(m_dir / "units");
    m_dir.write("units/MODEVORTEX.service", "kept");
    EXPECT_EQ(CServiceUnit((m_dir / "units").string()).Install("/opt/brivex/MODEVORTEX"), CServiceUnit::Result::Ok);
    EXPECT_EQ(m_dir.read("units/MODEVORTEX.service"), "kept");
}

}  // namespace
}  // namespace brivex
