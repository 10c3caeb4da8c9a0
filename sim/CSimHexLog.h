#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

namespace brivex::sim {

// The exchange log: one line per request and answer, in hex, with the port
// and a note ("dropped", "no answer: unknown command"), so a failing test can
// show what went over the line. Does nothing until a file is opened.
class CSimHexLog {
public:
    CSimHexLog() = default;
    ~CSimHexLog();
    CSimHexLog(const CSimHexLog&) = delete;
    CSimHexLog& operator=(const CSimHexLog&) = delete;

    bool Open(const std::string& path);
    void Close();
    // direction: "rx" for what the program sent, "tx" for what the simulator sends.
    void Line(const char* port, const char* direction, const std::uint8_t* data, std::size_t length,
              const std::string& note = {});
    void Note(const std::string& text);

    static std::string Hex(const std::uint8_t* data, std::size_t length);

private:
    std::mutex m_mutex;
    std::FILE* m_file = nullptr;
};

}  // namespace brivex::sim
