#include "app/CDebugViews.h"

#include "platform/CSystemPaths.h"

#include <cstdio>
#include <cstring>

namespace brivex {

namespace {

struct LevelEntry {
    std::uint32_t bit;
    const char* choice;
    const char* name;
};

constexpr LevelEntry kLevels[] = {
    {LEVEL_ST, "Level ST", "LEVEL_ST  "},        {LEVEL_ERR, "Level ERR", "LEVEL_ERR "},
    {LEVEL_RAS, "Level RAS", "LEVEL_RAS "},      {LEVEL_SIM, "Level SIM", "LEVEL_SIM "},
    {LEVEL_NOTI, "Level NOTI", "LEVEL_NOTI"},    {LEVEL_SMS, "Level SMS", "LEVEL_SMS "},
    {LEVEL_DM, "Level DM", "LEVEL_DM  "},        {LEVEL_PB, "Level PB", "LEVEL_PB  "},
    {LEVEL_STU, "Level STATUS", "LEVEL_STU "},   {LEVEL_DB, "Level DataBase", "LEVEL_DB  "},
    {LEVEL_COM, "Level ComPort", "LEVEL_COM "},
};

std::tm LocalNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return tm;
}

}  // namespace

CDebugViews& CDebugViews::Instance()
{
    static CDebugViews instance;
    return instance;
}

CDebugViews::CDebugViews() { ReloadEnvironment(); }

void CDebugViews::ReloadEnvironment()
{
    std::lock_guard lock(m_mutex);
    m_forcedFile = CSystemPaths::LogFile();
}

const std::vector<std::string>& CDebugViews::LevelChoices()
{
    static const std::vector<std::string> choices = [] {
        std::vector<std::string> c{"All View"};
        for (const auto& l : kLevels)
            c.emplace_back(l.choice);
        return c;
    }();
    return choices;
}

std::uint32_t CDebugViews::MaskForChoice(int entry)
{
    if (entry >= 1 && entry <= static_cast<int>(std::size(kLevels)))
        return kLevels[entry - 1].bit;
    return kAllView;
}

const char* CDebugViews::LevelName(std::uint32_t level)
{
    for (const auto& l : kLevels)
        if (l.bit == level)
            return l.name;
    return "LEVEL_SUM ";
}

std::string CDebugViews::SourceName(const char* file)
{
    std::string name = file ? file : "";
    const auto cut = name.find_last_of("/\\");
    if (cut != std::string::npos)
        name.erase(0, cut + 1);
    if (name.size() < 20)
        name.resize(20, ' ');
    return name;
}

std::string CDebugViews::FormatLine(const std::tm& localTime, std::uint32_t level, int line, const char* file,
                                    const char* message)
{
    char when[16];
    std::strftime(when, sizeof when, "%H:%M:%S", &localTime);
    const std::string source = SourceName(file);
    char head[64];
    std::snprintf(head, sizeof head, "%s %s: %5d  ", when, LevelName(level), line);
    std::string out = head;
    out += source;
    out += "  ";
    out += message;
    return out;
}

bool CDebugViews::Accepts(std::uint32_t level) const
{
    if (!m_forcedFile.empty())
        return true;
    return m_visible && !m_disabled && (level & m_mask) != 0;
}

void CDebugViews::Record(int line, const char* file, std::uint32_t level, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    RecordV(line, file, level, format, args);
    va_end(args);
}

void CDebugViews::RecordV(int line, const char* file, std::uint32_t level, const char* format, va_list args)
{
    std::function<void(const std::string&)> listener;
    std::string text;
    {
        std::lock_guard lock(m_mutex);
        if (!Accepts(level))
            return;
        char message[kMessageBuffer];
        std::vsnprintf(message, sizeof message, format, args);  // longer messages are cut
        text = FormatLine(LocalNow(), level, line, file, message);
        m_lines.push_back(text);
        if (m_lines.size() > kMaxLines)
            m_lines.pop_front();
        if (!m_forcedFile.empty()) {
            if (std::FILE* f = std::fopen(m_forcedFile.c_str(), "a")) {
                std::fprintf(f, "%s\n", text.c_str());
                std::fclose(f);
            }
        }
        listener = m_listener;
    }
    if (listener)
        listener(text);
}

void CDebugViews::Initialise()
{
    std::lock_guard lock(m_mutex);
    m_disabled = false;
    m_mask = 0xFFFFFFFFu & ~static_cast<std::uint32_t>(LEVEL_STU);
}

void CDebugViews::Destroy()
{
    std::lock_guard lock(m_mutex);
    m_mask = 0;
    m_disabled = true;
}

void CDebugViews::SetMask(std::uint32_t mask)
{
    std::lock_guard lock(m_mutex);
    m_mask = mask;
}

std::uint32_t CDebugViews::Mask() const
{
    std::lock_guard lock(m_mutex);
    return m_mask;
}

void CDebugViews::SetDisabled(bool disabled)
{
    std::lock_guard lock(m_mutex);
    m_disabled = disabled;
}

bool CDebugViews::Disabled() const
{
    std::lock_guard lock(m_mutex);
    return m_disabled;
}

void CDebugViews::SetVisible(bool visible)
{
    std::lock_guard lock(m_mutex);
    m_visible = visible;
}

bool CDebugViews::Visible() const
{
    std::lock_guard lock(m_mutex);
    return m_visible;
}

void CDebugViews::SelectLevel(int entry) { SetMask(MaskForChoice(entry)); }

std::vector<std::string> CDebugViews::Lines() const
{
    std::lock_guard lock(m_mutex);
    return {m_lines.begin(), m_lines.end()};
}

void CDebugViews::Clear()
{
    std::lock_guard lock(m_mutex);
    m_lines.clear();
}

std::string CDebugViews::Save(const std::string& directory) const
{
    const std::tm now = LocalNow();
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Hh%Mm%Ss", &now);
    char name[64];
    std::snprintf(name, sizeof name, "Debug Message %s.txt", stamp);
    std::string path = directory.empty() ? std::string(name) : directory + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return {};
    for (const auto& line : Lines())
        std::fprintf(f, "%s\r\n", line.c_str());
    std::fclose(f);
    return name;
}

void CDebugViews::SetListener(std::function<void(const std::string&)> listener)
{
    std::lock_guard lock(m_mutex);
    m_listener = std::move(listener);
}

}  // namespace brivex
