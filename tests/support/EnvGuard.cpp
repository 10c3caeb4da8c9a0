#include "support/EnvGuard.h"

#include <cstdlib>

namespace brivex::test {

EnvGuard::EnvGuard(std::string name, const std::optional<std::string>& value) : m_name(std::move(name))
{
    if (const char* old = std::getenv(m_name.c_str()))
        m_old = old;
    if (value)
        setenv(m_name.c_str(), value->c_str(), 1);
    else
        unsetenv(m_name.c_str());
}

EnvGuard::~EnvGuard()
{
    if (m_old)
        setenv(m_name.c_str(), m_old->c_str(), 1);
    else
        unsetenv(m_name.c_str());
}

}  // namespace brivex::test
