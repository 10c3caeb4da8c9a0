#pragma once

#include <spawn.h>

namespace brivex {

// posix_spawn attributes that give the child an empty signal mask and the
// default action for every signal, whatever the parent blocks or ignores.
class CSpawnAttributes {
public:
    CSpawnAttributes();
    ~CSpawnAttributes();
    CSpawnAttributes(const CSpawnAttributes&) = delete;
    CSpawnAttributes& operator=(const CSpawnAttributes&) = delete;

    const posix_spawnattr_t* Get() const { return &m_attr; }

private:
    posix_spawnattr_t m_attr;
};

}  // namespace brivex
