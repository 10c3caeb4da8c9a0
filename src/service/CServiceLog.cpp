#include "service/CServiceLog.h"

#include <iostream>
#include <syslog.h>

namespace brivex {

CServiceLog::CServiceLog(bool serviceMode, std::ostream* out) : m_serviceMode(serviceMode), m_out(out ? out : &std::cout)
{
    if (m_serviceMode)
        openlog("MODEVORTEX", LOG_PID, LOG_DAEMON);
}

CServiceLog::~CServiceLog()
{
    if (m_serviceMode)
        closelog();
}

void CServiceLog::Line(const std::string& text)
{
    if (m_serviceMode)
        syslog(LOG_INFO, "%s", text.c_str());
    else
        *m_out << text << '\n' << std::flush;
}

}  // namespace brivex
