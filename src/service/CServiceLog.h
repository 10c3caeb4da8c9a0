#pragma once

#include <ostream>
#include <string>

namespace brivex {

// The service's log lines: the system log (daemon facility, information
// level, identity "MODEVORTEX") in service mode, standard output otherwise.
class CServiceLog {
public:
    explicit CServiceLog(bool serviceMode, std::ostream* out = nullptr);
    ~CServiceLog();
    CServiceLog(const CServiceLog&) = delete;
    CServiceLog& operator=(const CServiceLog&) = delete;

    void Line(const std::string& text);
    bool ServiceMode() const { return m_serviceMode; }

private:
    bool m_serviceMode;
    std::ostream* m_out;
};

}  // namespace brivex
