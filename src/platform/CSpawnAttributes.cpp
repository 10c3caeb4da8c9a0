#include "platform/CSpawnAttributes.h"

#include <csignal>

namespace brivex {

CSpawnAttributes::CSpawnAttributes()
{
    posix_spawnattr_init(&m_attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigfillset(&defaults);
    sigdelset(&defaults, SIGKILL);
    sigdelset(&defaults, SIGSTOP);
    posix_spawnattr_setsigmask(&m_attr, &none);
    posix_spawnattr_setsigdefault(&m_attr, &defaults);
    posix_spawnattr_setflags(&m_attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
}

CSpawnAttributes::~CSpawnAttributes() { posix_spawnattr_destroy(&m_attr); }

}  // namespace brivex
