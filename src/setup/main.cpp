#include "setup/CUlvoApp.h"

#include <csignal>

int main(int argc, char** argv)
{
    // Standard output normally goes nowhere; a closed pipe must not end the watcher.
    std::signal(SIGPIPE, SIG_IGN);
    const brivex::CUlvoApp app(brivex::CUlvoApp::FromProcSelf());
    return app.Run(brivex::CUlvoApp::OptionFromArguments(argc, argv));
}
