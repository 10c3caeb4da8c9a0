#include "service/CServiceRunner.h"

#include <cerrno>
#include <csignal>

namespace brivex {

namespace {

constexpr int ControlSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGCONT, SIGUSR1, SIGUSR2};

}  // namespace

CServiceRunner::CServiceRunner(CServiceLog& log, CInstanceReset reset) : m_log(log), m_reset(std::move(reset)) {}

CServiceRunner::Request CServiceRunner::Classify(int signal)
{
    switch (signal) {
    case SIGTERM:
    case SIGINT: return Request::Stop;
    case SIGHUP:
    case SIGCONT: return Request::NoAction;
    default: return Request::Unknown;
    }
}

int CServiceRunner::Run()
{
    sigset_t requests;
    sigemptyset(&requests);
    for (const int s : ControlSignals)
        sigaddset(&requests, s);
    if (pthread_sigmask(SIG_BLOCK, &requests, nullptr) != 0) {
        m_log.Line("Handler not installed");
        return 1;
    }

    m_log.Line("Service started");
    // A failed deletion or re-bind is no reason to stop the service.
    m_reset.Run();

    for (;;) {
        int signal = 0;
        if (sigwait(&requests, &signal) != 0)
            continue;
        const Request request = Classify(signal);
        if (request == Request::Stop)
            break;
        if (request == Request::Unknown)
            m_log.Line("Bad service request");
    }
    m_log.Line("Service stopped");
    return 0;
}

}  // namespace brivex
