#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace brivex {

// A byte-level reader of a framed stream: it consumes everything it is fed,
// hands over each decoded frame, and resynchronises on every flag byte. A
// frame longer than the bound is dropped whole (counted) and reading resumes
// after the next flag.
class CFrameReader {
public:
    struct Frame {
        std::vector<std::uint8_t> payload;  // without the check bytes
        bool good = false;                  // a packet with a good check sequence
    };
    using Handler = std::function<void(const Frame&)>;

    explicit CFrameReader(std::size_t maxPayload = 4096) : m_maxPayload(maxPayload) {}

    // Feeds received bytes; the handler is called for every non-empty frame.
    void Feed(const std::uint8_t* data, std::size_t length, const Handler& handler);
    void Reset();

    std::size_t DroppedOversize() const { return m_droppedOversize; }

private:
    Frame DecodeFrame() const;

    std::size_t m_maxPayload;
    std::vector<std::uint8_t> m_raw;
    bool m_overflow = false;
    std::size_t m_droppedOversize = 0;
};

}  // namespace brivex
