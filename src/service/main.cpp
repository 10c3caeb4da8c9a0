#include "platform/CKeyStore.h"
#include "platform/CSysfs.h"
#include "platform/CSystemPaths.h"
#include "service/CInstanceReset.h"
#include "service/CServiceLog.h"
#include "service/CServiceModule.h"
#include "service/CServiceRunner.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

using namespace brivex;

int main(int argc, char** argv)
{
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    CServiceModule module({CKeyStore::FromEnvironment(), CSystemPaths::UnitDir(), ec ? std::string() : self.string()});

    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const auto token = CServiceModule::ParseTokens(arguments);
    if (token != CServiceModule::Token::None)
        return module.Register(token);

    const auto localService = module.ReadServiceFlag();
    if (!localService)
        return CServiceModule::MissingRecord;
    // Service mode needs the service manager: systemd gives every unit it
    // starts an INVOCATION_ID. Started any other way, it runs as a process.
    const char* invocation = std::getenv("INVOCATION_ID");
    CServiceLog log(*localService && invocation && *invocation);
    CInstanceReset reset(CKeyStore::FromEnvironment(), CSysfs::FromEnvironment(), ::geteuid() == 0);
    return CServiceRunner(log, std::move(reset)).Run();
}
