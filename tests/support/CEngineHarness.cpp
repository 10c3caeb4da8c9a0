#include "support/CEngineHarness.h"

#include "app/CConfig.h"
#include "app/CDebugViews.h"
#include "modem/WorkerCommands.h"
#include "store/CStoreFiles.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

namespace brivex::test {

using namespace std::chrono_literals;

namespace {

std::string ReadFile(const std::filesystem::path& file)
{
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The store file made from the build's schema, as the build makes OVL.MDB.
void CreateStoreFile(const std::filesystem::path& file)
{
    const std::string schema = ReadFile(BRIVEX_STORE_SCHEMA);
    ASSERT_FALSE(schema.empty()) << "schema not found: " BRIVEX_STORE_SCHEMA;
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    const int rc = sqlite3_exec(db, schema.c_str(), nullptr, nullptr, &error);
    const std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << message;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

CEngineHarness::CEngineHarness() : CEngineHarness(Options{}) {}

CEngineHarness::CEngineHarness(Options options) : m_options(std::move(options))
{
    sim::CSimModem::Options simOptions;
    simOptions.base = m_dir.path() / "B";
    simOptions.hexlog = (m_dir.path() / "hex.log").string();
    simOptions.tree = m_options.tree;
    m_sim = std::make_unique<sim::CSimModem>(simOptions);
    std::string error;
    EXPECT_TRUE(m_sim->Start(error)) << error;

    sim::CSimDeviceTree& tree = m_sim->Tree();
    m_envSysfs = std::make_unique<EnvGuard>("BRIVEX_SYSFS", tree.SysfsRoot().string());
    m_envDev = std::make_unique<EnvGuard>("BRIVEX_DEVDIR", tree.DevDir().string());
    m_envSys = std::make_unique<EnvGuard>("BRIVEX_SYSDIR", tree.SysDir().string());
    m_envRun = std::make_unique<EnvGuard>("BRIVEX_RUNDIR", tree.RunDir().string());
    m_envLog = std::make_unique<EnvGuard>("BRIVEX_LOG", std::nullopt);

    CDebugViews& log = CDebugViews::Instance();
    log.ReloadEnvironment();
    log.Clear();
    log.SetVisible(true);
    log.SetDisabled(false);
    log.SetMask(CDebugViews::kAllView);

    OpenDatabase();
    m_engine = std::make_unique<CEngine>(m_fake);
    m_engine->SetPhonebookStore(&m_pbook);
    // The window clears the call-state block and marks the worker halted before its first start.
    m_engine->State().currentCommand = DM_HALTED;
    m_engine->State().callStateWord = 0xFFF0;
    WireHandlers();
}

CEngineHarness::~CEngineHarness()
{
    if (m_engine) {
        Stop();
        // A handler that was waiting for the worker (a pop-up's delete) may
        // still be finishing on the fake's thread: let it end before the
        // engine goes away.
        m_fake.RunOnUiThread([] {});
        m_engine.reset();
    }
    if (m_sim)
        m_sim->Stop();
    if (::testing::Test::HasFailure()) {
        std::cerr << "---- simulator exchange log ----\n" << ReadFile(m_dir.path() / "hex.log") << "---- debug log ----\n";
        for (const std::string& line : CDebugViews::Instance().Lines())
            std::cerr << line << "\n";
        std::cerr << "--------\n";
    }
    CDebugViews::Instance().Destroy();
    CDebugViews::Instance().Clear();
}

void CEngineHarness::OpenDatabase()
{
    std::filesystem::create_directories(DatabaseDir());
    CreateStoreFile(CStoreFiles::StorePath(DatabaseDir()));
    const auto failure = CStoreFiles::OpenAtStart(DatabaseDir(), m_sms, m_pbook, m_vcall);
    EXPECT_FALSE(failure.has_value()) << failure.value_or("");
}

void CEngineHarness::WireHandlers()
{
    CWindowHandlers& handlers = m_engine->Handlers();
    using Target = CWindowSeam::Target;
    m_fake.SetHandler(Target::MainWindow, WM_MODEM_EVENT, [&handlers](std::uintptr_t wParam, std::intptr_t lParam) {
        return wParam == 10 ? handlers.OnPhonebookEvent(lParam) : std::intptr_t{0};
    });
    m_fake.SetHandler(Target::MainWindow, WM_LOOKUP_NAME, [&handlers](std::uintptr_t, std::intptr_t lParam) {
        if (lParam != 0)
            handlers.LookUpName(*reinterpret_cast<std::string*>(lParam));
        return std::intptr_t{0};
    });
    m_fake.SetHandler(Target::MainWindow, WM_SMS_POPUP, [&handlers](std::uintptr_t wParam, std::intptr_t) {
        handlers.OnSmsPopup(static_cast<std::uint32_t>(wParam), {});
        return std::intptr_t{0};
    });
    m_fake.SetTimerHandler(CWindowHandlers::kRetryTimer, [&handlers] { handlers.OnRetryTimer(); });
    m_fake.SetTimerHandler(CWindowHandlers::kExitTimer, [&handlers] { handlers.OnExitTimer(); });
    m_fake.SetTimerAutoFire(CWindowHandlers::kRetryTimer, m_options.autoRetry);
    m_fake.SetTimerAutoFire(CWindowHandlers::kExitTimer, m_options.autoExit);
}

void CEngineHarness::Start()
{
    m_fake.RunOnUiThread([this] { m_engine->Control().UserDmRestart(); });
}

void CEngineHarness::Stop()
{
    m_fake.RunOnUiThread([this] { m_engine->Control().Stop(); });
}

std::string CEngineHarness::Control(const std::string& line)
{
    const std::string answer = m_sim->Command(line);
    EXPECT_EQ(answer.rfind("ok", 0), 0u) << line << " -> " << answer;
    return answer;
}

bool CEngineHarness::WaitFor(const std::function<bool(const Events&)>& pred, int timeoutMs)
{
    return m_fake.WaitFor(pred, timeoutMs);
}

bool CEngineHarness::WaitForEvent(const std::string& kind, int id, std::optional<std::int64_t> a, int timeoutMs)
{
    return m_fake.WaitFor(
        [&](const Events& events) {
            for (const Event& e : events)
                if (e.kind == kind && e.id == id && (!a || e.a == *a))
                    return true;
            return false;
        },
        timeoutMs);
}

bool CEngineHarness::WaitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

bool CEngineHarness::WaitForCommand(std::uint16_t command, int timeoutMs)
{
    return WaitUntil([&] { return m_engine->State().currentCommand.load() == command; }, timeoutMs);
}

bool CEngineHarness::LogContains(const std::string& text) const
{
    for (const std::string& line : CDebugViews::Instance().Lines())
        if (line.find(text) != std::string::npos)
            return true;
    return false;
}

bool CEngineHarness::WaitForLog(const std::string& text, int timeoutMs)
{
    return WaitUntil([&] { return LogContains(text); }, timeoutMs);
}

std::vector<std::vector<std::uint8_t>> CEngineHarness::WireRequests() const
{
    std::vector<std::vector<std::uint8_t>> out;
    std::istringstream log(ReadFile(m_dir.path() / "hex.log"));
    std::string line;
    while (std::getline(log, line)) {
        const auto at = line.find(" diag rx [");
        if (at == std::string::npos)
            continue;
        const auto close = line.find("] ", at);
        if (close == std::string::npos)
            continue;
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = close + 2; i + 1 < line.size(); i += 3) {
            const int hi = HexValue(line[i]);
            const int lo = HexValue(line[i + 1]);
            if (hi < 0 || lo < 0)
                break;
            bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
        }
        out.push_back(std::move(bytes));
    }
    return out;
}

std::string CEngineHarness::Ini(const ProfileKey& key) const
{
    return CConfig::Text(key);
}

std::optional<std::int64_t> CEngineHarness::Indicator(int id) const
{
    std::optional<std::int64_t> value;
    for (const Event& e : m_fake.EventsOf("indicator"))
        if (e.id == id)
            value = e.a;
    return value;
}

}  // namespace brivex::test
