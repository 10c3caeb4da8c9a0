#pragma once

#include "CSimDeviceTree.h"
#include "CSimHexLog.h"
#include "CSimModemState.h"
#include "CSimPty.h"
#include "CSimVoice.h"
#include "link/CFrameReader.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace brivex::sim {

class CSimControlSocket;

// The simulated modem: builds the device tree under a base directory, serves
// interface 00 (AT: "OK", "CONNECT" for ATDT), 01 (voice: CSimVoice) and 02
// (diagnostic: every request of the catalogue answered from the state model)
// on pseudo-terminals, and takes control commands (Command) from the test,
// from standard input or from the Unix socket B/modemsim.sock.
class CSimModem {
public:
    static constexpr int kAtInterface = 0;
    static constexpr int kVoiceInterface = 1;
    static constexpr int kDiagInterface = 2;

    struct Options {
        std::filesystem::path base;
        CSimDeviceTree::Options tree;
        std::string hexlog;          // empty: no exchange log
        bool controlSocket = false;  // serve B/modemsim.sock
    };
    // Faults applied to the coming diagnostic answers.
    struct Faults {
        int drop = 0;     // answers not sent
        int corrupt = 0;  // answers sent with a wrong check sequence
        int delayMs = 0;  // every answer waits this long
        int cardStatusDelayMs = 0;  // the card-status answers wait this long (a slow card)
        bool noCarrier = false;     // the data port answers ATD with NO CARRIER
        std::vector<std::uint8_t> garbage;      // raw bytes sent before the next answer
        std::vector<std::uint8_t> unsolicited;  // a packet framed and sent before the next answer
    };
    struct Counters {
        std::uint64_t requests = 0;  // good diagnostic frames received
        std::uint64_t answers = 0;   // answers written
        std::uint64_t unanswered = 0;
        std::uint64_t badFrames = 0;  // frames with a bad check sequence
        std::uint64_t atCommands = 0;
    };

    explicit CSimModem(Options options);
    ~CSimModem();
    CSimModem(const CSimModem&) = delete;
    CSimModem& operator=(const CSimModem&) = delete;

    // Builds the tree, opens the ports and starts serving.
    bool Start(std::string& error);
    // Stops serving and closes the ports; the tree stays.
    void Stop();
    // The ports go away (their ptys close, so the program sees a hang-up)
    // with the device's directories and driver entries; Replug brings them
    // back on new ptys.
    void Unplug();
    bool Replug(std::string& error);
    bool IsPlugged() const { return m_plugged; }

    // One control command line; the answer is one line "ok ..." or "error ...".
    std::string Command(const std::string& line);
    void RequestQuit();
    bool QuitRequested() const { return m_quit; }
    // Waits until quit is requested or the time-out passes; true when requested.
    bool WaitForQuit(int timeoutMs);

    CSimDeviceTree& Tree() { return m_tree; }
    std::string DevicePath(int iface) const { return m_tree.DevicePath(iface).string(); }
    std::string PtyPath(int iface) const;
    std::filesystem::path SocketPath() const { return m_tree.Base() / "modemsim.sock"; }
    // The shell lines that point the program at this tree.
    std::vector<std::string> ExportLines() const;

    // Runs f(state) under the simulator's lock.
    template <class F>
    auto WithState(F&& f)
    {
        std::lock_guard lock(m_mutex);
        return f(m_state);
    }
    template <class F>
    auto WithFaults(F&& f)
    {
        std::lock_guard lock(m_mutex);
        return f(m_faults);
    }
    Counters GetCounters() const;
    CSimHexLog& HexLog() { return m_hexlog; }
    CSimVoice& Voice() { return m_voice; }

private:
    struct Port {
        int iface = 0;
        CSimPty pty;
        std::thread thread;
        int wake[2] = {-1, -1};
    };

    bool OpenPorts(std::string& error);
    void ClosePorts();
    void Serve(Port& port);
    void ServeDiag(Port& port, const std::uint8_t* data, std::size_t length, CFrameReader& reader);
    void ServeAt(Port& port, const std::uint8_t* data, std::size_t length, std::string& line);
    void AnswerDiag(Port& port, const std::vector<std::uint8_t>& request);
    // Waits up to ms on the port's wake pipe; false when woken (stop).
    static bool Pause(const Port& port, int ms);
    static bool WriteAll(const Port& port, const std::uint8_t* data, std::size_t length);
    // PC voice on and a call in conversation: the voice port carries frames.
    bool VoiceActive() const;
    void ServeVoice(Port& port);

    Options m_options;
    CSimDeviceTree m_tree;
    CSimHexLog m_hexlog;
    mutable std::mutex m_mutex;  // state, faults, counters
    CSimModemState m_state;
    Faults m_faults;
    Counters m_counters;
    CSimVoice m_voice;
    std::mutex m_plugMutex;  // start, stop, unplug, replug
    std::array<Port, CSimDeviceTree::kInterfaces> m_ports;
    std::atomic<bool> m_plugged{false};
    std::atomic<bool> m_running{false};
    std::unique_ptr<CSimControlSocket> m_socket;
    std::mutex m_quitMutex;
    std::condition_variable m_quitCv;
    std::atomic<bool> m_quit{false};
};

}  // namespace brivex::sim
