// brivex-modemsim: the simulated modem on pseudo-terminals, for the demo and
// for trying the program by hand.
#include "CSimModem.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <poll.h>
#include <pthread.h>
#include <string>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int)
{
    g_stop = 1;
}

int Usage()
{
    std::fprintf(stderr, "usage: brivex-modemsim --dir DIR [--hexlog FILE] [--port-base N]\n");
    return 2;
}

// Reads standard input line by line without blocking the wait for a signal or
// for "quit" on the control socket; false at end of input.
bool PumpStdin(brivex::sim::CSimModem& modem, std::string& pending)
{
    pollfd p{STDIN_FILENO, POLLIN, 0};
    if (::poll(&p, 1, 200) <= 0)
        return true;
    char buffer[1024];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0)
        return false;
    pending.append(buffer, static_cast<std::size_t>(n));
    std::size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
        std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        std::cout << modem.Command(line) << std::endl;
    }
    if (pending.size() > 4096)
        pending.clear();
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    brivex::sim::CSimModem::Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc)
            return Usage();
        if (arg == "--dir")
            options.base = argv[++i];
        else if (arg == "--hexlog")
            options.hexlog = argv[++i];
        else if (arg == "--port-base") {
            char* end = nullptr;
            const long base = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || base < 0 || base > 250)
                return Usage();
            options.tree.portBase = static_cast<int>(base);
        } else
            return Usage();
    }
    if (options.base.empty())
        return Usage();
    options.controlSocket = true;

    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);

    // The serving threads keep SIGTERM and SIGINT blocked, so the signals
    // reach the main thread and end its wait at once.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    brivex::sim::CSimModem modem(options);
    std::string error;
    const bool started = modem.Start(error);
    pthread_sigmask(SIG_UNBLOCK, &stopSignals, nullptr);
    if (!started) {
        std::fprintf(stderr, "brivex-modemsim: %s\n", error.c_str());
        return 1;
    }
    for (const std::string& line : modem.ExportLines())
        std::cout << line << "\n";
    std::cout << "# control: type commands here or send lines to " << modem.SocketPath().string()
              << " (\"help\" lists them, \"quit\" ends)" << std::endl;

    std::string pending;
    while (!g_stop && !modem.QuitRequested() && PumpStdin(modem, pending)) {
    }
    modem.Stop();
    return 0;
}
