#pragma once

#include <array>
#include <cstdint>

namespace brivex {

// One session of the traffic files: 24 bytes, little-endian, no header.
struct SessionRecord {
    static constexpr std::size_t kSize = 24;

    std::int64_t time = 0;          // when it was written, seconds since 1970 UTC
    std::uint32_t reserved = 0;
    std::uint32_t durationMs = 0;
    std::uint32_t bytesSent = 0;
    std::uint32_t bytesReceived = 0;

    std::array<std::uint8_t, kSize> Encode() const
    {
        std::array<std::uint8_t, kSize> out{};
        Put(out.data(), static_cast<std::uint64_t>(time), 8);
        Put(out.data() + 8, reserved, 4);
        Put(out.data() + 12, durationMs, 4);
        Put(out.data() + 16, bytesSent, 4);
        Put(out.data() + 20, bytesReceived, 4);
        return out;
    }
    static SessionRecord Decode(const std::uint8_t* in)
    {
        SessionRecord r;
        r.time = static_cast<std::int64_t>(Get(in, 8));
        r.reserved = static_cast<std::uint32_t>(Get(in + 8, 4));
        r.durationMs = static_cast<std::uint32_t>(Get(in + 12, 4));
        r.bytesSent = static_cast<std::uint32_t>(Get(in + 16, 4));
        r.bytesReceived = static_cast<std::uint32_t>(Get(in + 20, 4));
        return r;
    }

private:
    static void Put(std::uint8_t* p, std::uint64_t v, int n)
    {
        for (int i = 0; i < n; ++i)
            p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    static std::uint64_t Get(const std::uint8_t* p, int n)
    {
        std::uint64_t v = 0;
        for (int i = 0; i < n; ++i)
            v |= static_cast<std::uint64_t>(p[i]) << (8 * i);
        return v;
    }
};

}  // namespace brivex
