#pragma once

#include "service/CInstanceReset.h"
#include "service/CServiceLog.h"

namespace brivex {

// The running service: the control requests arrive as signals, taken one at a
// time on the service's own thread.
//   SIGTERM, SIGINT      stop ("Service stopped")
//   SIGHUP, SIGCONT      pause/continue/interrogate: no action
//   SIGUSR1, SIGUSR2     requests it does not know: "Bad service request"
class CServiceRunner {
public:
    enum class Request { Stop, NoAction, Unknown };

    CServiceRunner(CServiceLog& log, CInstanceReset reset);

    static Request Classify(int signal);
    // Runs until a stop request; the exit status.
    int Run();

private:
    CServiceLog& m_log;
    CInstanceReset m_reset;
};

}  // namespace brivex
