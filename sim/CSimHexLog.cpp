#include "CSimHexLog.h"

#include <chrono>
#include <ctime>

namespace brivex::sim {

namespace {

// Wall-clock time of day with milliseconds, to line up with other logs.
std::string Stamp()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(ms));
    return text;
}

}  // namespace

CSimHexLog::~CSimHexLog()
{
    Close();
}

bool CSimHexLog::Open(const std::string& path)
{
    std::lock_guard lock(m_mutex);
    if (m_file)
        std::fclose(m_file);
    m_file = std::fopen(path.c_str(), "a");
    return m_file != nullptr;
}

void CSimHexLog::Close()
{
    std::lock_guard lock(m_mutex);
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
}

std::string CSimHexLog::Hex(const std::uint8_t* data, std::size_t length)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(length * 3);
    for (std::size_t i = 0; i < length; ++i) {
        if (i)
            out.push_back(' ');
        out.push_back(digits[data[i] >> 4]);
        out.push_back(digits[data[i] & 0x0F]);
    }
    return out;
}

void CSimHexLog::Line(const char* port, const char* direction, const std::uint8_t* data, std::size_t length,
                      const std::string& note)
{
    std::lock_guard lock(m_mutex);
    if (!m_file)
        return;
    std::fprintf(m_file, "%s %s %s [%zu] %s%s%s\n", Stamp().c_str(), port, direction, length, Hex(data, length).c_str(),
                 note.empty() ? "" : "  # ", note.c_str());
    std::fflush(m_file);
}

void CSimHexLog::Note(const std::string& text)
{
    std::lock_guard lock(m_mutex);
    if (!m_file)
        return;
    std::fprintf(m_file, "%s # %s\n", Stamp().c_str(), text.c_str());
    std::fflush(m_file);
}

}  // namespace brivex::sim
