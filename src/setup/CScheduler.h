#pragma once

#include <ctime>
#include <string>
#include <vector>

namespace brivex {

// "-D": a later run of "veku -T" through `at`, at the start of the next
// minute, or of the one after when fewer than ten seconds are left.
class CScheduler {
public:
    struct STime {
        int hour = 0;
        int minute = 0;
    };

    // The local wall-clock time of the job for the moment `now`.
    static STime ScheduledTime(std::time_t now);
    // "H:MM" as `at` takes it.
    static std::string AtTimeArgument(const STime& time);
    // The job text `at` reads: the own executable, quoted for the shell, with "-T".
    static std::string JobText(const std::string& executablePath);

    // Runs `at` found on PATH; false when it could not be run or failed.
    static bool Schedule(std::time_t now, const std::string& executablePath);
};

}  // namespace brivex
