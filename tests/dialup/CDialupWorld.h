#pragma once

#include "CSimModem.h"
#include "support/EnvGuard.h"
#include "support/TempDir.h"

#include <memory>
#include <string>
#include <vector>

namespace brivex::test {

// A scratch machine for the dial-up tests: the simulated modem's device tree
// and ports, the profile, pid and traffic directories, and the pppd stand-in
// as $BRIVEX_PPPD, all pointed at through the environment.
class CDialupWorld {
public:
    explicit CDialupWorld(const std::string& product = "CORVANA CDMA 1x EV-DO USB Modem");
    ~CDialupWorld();

    // The stand-in's test options ("fake-fail chat 8", "fake-delay 50", ...).
    void FakeOptions(const std::string& text) const;
    // Every line the stand-in recorded so far.
    std::vector<std::string> Record() const;
    bool RecordHas(const std::string& line) const;
    std::string TrafficDir() const { return (m_dir.path() / "traffic/").string(); }
    std::string RunDir() const;
    std::string SysfsRoot() const;
    std::string AtTty() const;  // $BRIVEX_DEVDIR/ttyUSB<n> of interface 00
    sim::CSimModem& Modem() { return *m_modem; }
    const TempDir& Dir() const { return m_dir; }

private:
    TempDir m_dir;
    std::unique_ptr<sim::CSimModem> m_modem;
    std::vector<std::unique_ptr<EnvGuard>> m_env;
};

}  // namespace brivex::test
