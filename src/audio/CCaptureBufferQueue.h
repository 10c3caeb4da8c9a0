#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

namespace brivex {

// The buffers a recording device holds, in the order they were handed to
// it. Recorded bytes, in chunks of any size, fill the front buffer; a full
// buffer leaves the queue and is announced with its index. Bytes that
// arrive while no buffer is queued are dropped (and counted), as a device
// with no buffer loses them. Thread-safe; the done callback runs without
// the queue's lock, so it may hand the buffer back at once.
class CCaptureBufferQueue {
public:
    using BufferDone = std::function<void(int index)>;

    explicit CCaptureBufferQueue(BufferDone done);

    bool Add(int index, std::uint8_t* data, std::size_t size);
    void Feed(const std::uint8_t* data, std::size_t length);
    // Forgets every buffer (none is announced).
    void Clear();

    std::size_t Held() const;
    std::size_t DroppedBytes() const;

private:
    struct Buffer {
        int index;
        std::uint8_t* data;
        std::size_t size;
        std::size_t filled;
    };

    BufferDone m_done;
    mutable std::mutex m_mutex;
    std::deque<Buffer> m_buffers;
    std::size_t m_dropped = 0;
};

}  // namespace brivex
