#include "setup/CScheduler.h"

#include "platform/CChildProcess.h"

#include <chrono>
#include <cstdio>

namespace brivex {

CScheduler::STime CScheduler::ScheduledTime(std::time_t now)
{
    std::tm local{};
    localtime_r(&now, &local);
    const std::time_t when = now + (local.tm_sec < 50 ? 60 : 120);
    localtime_r(&when, &local);
    return STime{local.tm_hour, local.tm_min};
}

std::string CScheduler::AtTimeArgument(const STime& time)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d", time.hour % 24, time.minute % 60);
    return text;
}

std::string CScheduler::JobText(const std::string& executablePath)
{
    std::string quoted = "'";
    for (char c : executablePath) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "' -T\n";
}

bool CScheduler::Schedule(std::time_t now, const std::string& executablePath)
{
    CChildProcess::SOptions options;
    options.searchPath = true;
    options.input = JobText(executablePath);
    const auto status = CChildProcess::Run({"at", AtTimeArgument(ScheduledTime(now))}, options, std::chrono::seconds(10));
    return status && *status == 0;
}

}  // namespace brivex
