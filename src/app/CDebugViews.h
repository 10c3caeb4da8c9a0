#pragma once

#include "app/LogLevel.h"

#include <cstdarg>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace brivex {

// The program's one diagnostic log. Records are filtered by a level mask and
// only made while the log window is visible and logging is enabled; the
// window (a Qt dialog) shows Lines() and listens through SetListener. With
// BRIVEX_LOG naming a file, logging is on for the whole run with every level
// and each line is also appended to that file.
class CDebugViews {
public:
    static constexpr std::uint32_t kAllView = 0xFFFF;
    static constexpr std::size_t kMessageBuffer = 1025;
    static constexpr std::size_t kMaxLines = 50000;  // the oldest lines go first

    static CDebugViews& Instance();

    // Level choice of the window: 0 "All View", 1..11 one level each.
    static const std::vector<std::string>& LevelChoices();
    static std::uint32_t MaskForChoice(int entry);
    static const char* LevelName(std::uint32_t level);  // 10 characters, blank-padded

    // The three steps of one record taken as one call, so concurrent writers
    // never mix their source line and file.
    void Record(int line, const char* file, std::uint32_t level, const char* format, ...)
        __attribute__((format(printf, 5, 6)));
    void RecordV(int line, const char* file, std::uint32_t level, const char* format, va_list args);

    // Window initialisation: enabled, every level but LEVEL_STU.
    void Initialise();
    // Window destruction: mask 0 and disabled.
    void Destroy();
    void SetMask(std::uint32_t mask);
    std::uint32_t Mask() const;
    void SetDisabled(bool disabled);
    bool Disabled() const;
    void SetVisible(bool visible);
    bool Visible() const;
    void SelectLevel(int entry);

    std::vector<std::string> Lines() const;
    void Clear();
    // Writes every line followed by "\r\n" to "Debug Message %Hh%Mm%Ss.txt" in
    // the directory; returns the file name, empty when it could not be made.
    std::string Save(const std::string& directory) const;

    // Called with each new line (from the recording thread).
    void SetListener(std::function<void(const std::string&)> listener);

    // "%s %s: %5d  %s  %s": time, level name, line, padded source file, message.
    static std::string FormatLine(const std::tm& localTime, std::uint32_t level, int line, const char* file,
                                  const char* message);
    // The part of the path after the last separator, blank-padded to 20.
    static std::string SourceName(const char* file);

    // For tests: forget the BRIVEX_LOG decision and read the environment again.
    void ReloadEnvironment();

private:
    CDebugViews();
    bool Accepts(std::uint32_t level) const;

    mutable std::mutex m_mutex;
    std::uint32_t m_mask = 0;
    bool m_disabled = true;
    bool m_visible = false;
    std::string m_forcedFile;  // BRIVEX_LOG
    std::deque<std::string> m_lines;
    std::function<void(const std::string&)> m_listener;
};

}  // namespace brivex

// Every module records through this macro; it fills in the source line and file.
#define BX_LOG(level, ...) ::brivex::CDebugViews::Instance().Record(__LINE__, __FILE__, (level), __VA_ARGS__)
