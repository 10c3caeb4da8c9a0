#include "modem/CEngine.h"

namespace brivex {

CEngine::CEngine(CWindowSeam& window)
    : m_window(window), m_ops(*this), m_poll(*this), m_calls(*this), m_control(*this), m_handlers(*this), m_worker(*this)
{
}

CEngine::~CEngine() = default;

}  // namespace brivex
