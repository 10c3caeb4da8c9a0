#pragma once

#include "platform/CEvent.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace brivex {

// One serial port of the modem (the diagnostic port or the voice port): the
// tty $BRIVEX_DEVDIR/ttyUSB<n-1> for port number n, opened raw and exclusive,
// with a reader thread that moves arriving bytes into the port's own bounded
// input queue and raises the rx event when an event character (0x7E, the
// frame flag) arrived, and the request/response transaction of the
// diagnostic framing.
//
// Transactions on a port run one at a time under one lock, which OpenPort
// and ClosePort take too: a close waits for a running transaction, which
// ends within its time-out plus its fixed sleeps.
//
// A transaction waits for an event character that arrives after it began
// (bytes already queued do not end the wait), then reads the whole queue, so
// a late answer to an earlier request is read first. When the time-out
// passes with no new flag, an answer already waiting in the queue is still
// taken; otherwise the queue is left as it is. Transact needs the event mask
// bit kEvRxFlag (the worker sets it), as the rx event depends on it.
class CCommPort {
public:
    static constexpr std::size_t kBufferSize = 4096;      // frame and payload buffers
    static constexpr std::size_t kInputQueueSize = 4096;  // the port's input queue
    static constexpr std::size_t kMaxRead = 10240;        // one transaction's read
    static constexpr std::size_t kMinResponse = 1605;     // the response buffer of the array form
    static constexpr int kSettleMs = 50;
    static constexpr int kConsumedWaitMs = 3000;
    static constexpr int kWriteConstantMs = 5000;
    static constexpr int kMaxPreWaitMs = 10000;
    static constexpr std::uint32_t kEvRxFlag = 0x0002;  // event mask bit: event character received

    enum Result : int {
        kAnswer = 0,       // the answer's payload is in the response buffer
        kWriteFailed = 1,  // writing failed, the port is not open or it was unplugged
        kNothingRead = 2,  // the rx event came but nothing could be read
        kTimeout = 3,      // no end-of-frame byte arrived within the time-out
        kNoAnswer = 4,     // data arrived but no good frame answered; response[0] is 0xFF
    };

    CCommPort();
    ~CCommPort();
    CCommPort(const CCommPort&) = delete;
    CCommPort& operator=(const CCommPort&) = delete;

    void SetPortNumber(std::uint32_t number);
    void SetBaudRate(std::uint32_t baud);
    void SetEventMask(std::uint32_t mask);  // only the low 16 bits are kept
    // Stores the line settings (parity and stop bits in the Windows codes:
    // parity 0 none, 1 odd, 2 even, 3 mark, 4 space; stop bits 0 one, 1 one
    // and a half, 2 two) and applies them when the port is open. False when
    // the port is not open or the tty refused them.
    bool SetCommParams(std::uint8_t eventChar, std::uint32_t baud, std::uint8_t byteSize, std::uint8_t parity,
                       std::uint8_t stopBits);

    bool OpenPort();
    bool ClosePort();
    bool IsOpen() const { return m_open.load(); }
    bool OpenFailed() const { return m_openFailed.load(); }
    // The far end went away (the tty hung up); reads and writes fail from then on.
    bool IsUnplugged() const { return m_unplugged.load(); }

    // Takes up to capacity bytes from the input queue; 0 for none or error.
    std::size_t ReadData(std::uint8_t* buffer, std::size_t capacity);
    // Writes all bytes; the count written, 0 on error or time-out.
    std::size_t WriteData(const std::uint8_t* data, std::size_t length);

    // Frames the packet into the frame buffer; its length, 0 when the packet
    // could not fit (longer than 2045 bytes).
    std::size_t BuildFrame(const std::uint8_t* packet, std::size_t length);
    const std::uint8_t* FrameBuffer() const { return m_frame.data(); }
    std::size_t FrameLength() const { return m_frameLength; }

    // Decodes one received frame (without its closing flag) into the payload
    // buffer; true when its check sequence is good. Input that would decode
    // to more than the payload buffer is a bad frame.
    bool ParseFrame(const std::uint8_t* bytes, std::size_t count);
    const std::uint8_t* PayloadBuffer() const { return m_payload.data(); }
    std::size_t PayloadLength() const { return m_payloadLength; }

    // One request/response transaction; result 0 to 4 (Result). The response
    // buffer is cleared to zeros over its capacity, then response[0] = 0xFF;
    // no more than the capacity is ever written. LastResponseLength() gives
    // the answer's length (at most the capacity), 0 when there was none.
    int Transact(const std::uint8_t* request, std::uint8_t* response, std::size_t requestLength,
                 std::uint32_t timeoutMs, std::size_t responseCapacity);
    template <std::size_t N>
    int Transact(const std::uint8_t* request, std::uint8_t (&response)[N], std::size_t requestLength,
                 std::uint32_t timeoutMs)
    {
        static_assert(N >= kMinResponse, "a response buffer holds at least 1605 bytes");
        return Transact(request, response, requestLength, timeoutMs, N);
    }
    std::size_t LastResponseLength() const { return m_responseLength; }

    // Ends the answer wait of a running transaction, and of every later one
    // until ResumeWaits, as a time-out, so an end request need not wait out
    // a long read (the card status takes up to 60 s).
    void CancelWaits();
    void ResumeWaits();

    // Input queue figures: bytes waiting, and bytes dropped (oldest first)
    // because the queue was full, since the port was opened.
    std::size_t QueuedBytes() const;
    std::size_t DroppedBytes() const;

    std::string DevicePath() const;

private:
    struct Settings {
        std::uint32_t baudRate = 115200;
        std::uint8_t byteSize = 8;
        std::uint8_t parity = 0;
        std::uint32_t portNumber = 1;
        std::uint8_t stopBits = 0;
        std::uint32_t eventMask = 0;
        std::uint8_t eventChar = 0x7E;
    };

    bool ApplyLineSettings(int fd, const Settings& settings);
    void SetModemLines(int fd, bool raise);
    void ReleaseDevice();
    void ReaderLoop();
    void DrainDevice(bool& hungUp);
    std::uint64_t FlagsSeen() const;
    void Enqueue(const std::uint8_t* data, std::size_t length);
    bool WaitWritable(int fd, int wakeFd, int timeoutMs);
    // Waits until an event character arrives after 'seen' was counted (or
    // the port hangs up); false on time-out.
    bool WaitForFlag(std::uint64_t seen, std::uint32_t timeoutMs);
    int TakeAnswer(const std::uint8_t* request, std::size_t requestLength, std::uint8_t* response,
                   std::size_t capacity, std::size_t readCount);
    bool TakeWaitingAnswer(const std::uint8_t* request, std::size_t requestLength, std::uint8_t* response,
                           std::size_t capacity);
    static int PreWaitMs();

    mutable std::mutex m_settingsMutex;
    Settings m_settings;

    // Held by Transact, OpenPort and ClosePort: one transaction at a time,
    // and no close during one.
    std::mutex m_transactMutex;
    // Guards the descriptor for writers and for the close.
    std::mutex m_ioMutex;
    int m_fd = -1;
    int m_wakeFd = -1;  // eventfd: readable once the port is closing
    std::atomic<bool> m_open{false};
    std::atomic<bool> m_openFailed{false};
    std::atomic<bool> m_unplugged{false};
    std::atomic<bool> m_cancelWaits{false};
    std::thread m_reader;

    CEvent m_rxEvent{CEvent::Reset::Auto};
    CEvent m_consumedEvent{CEvent::Reset::Manual, true};
    CEvent m_threadEnded{CEvent::Reset::Manual};

    mutable std::mutex m_queueMutex;
    std::deque<std::uint8_t> m_queue;
    std::size_t m_dropped = 0;
    std::uint64_t m_flagsSeen = 0;  // event characters received (with the mask bit set)

    std::array<std::uint8_t, kBufferSize> m_frame{};
    std::size_t m_frameLength = 0;
    std::array<std::uint8_t, kBufferSize> m_payload{};
    std::size_t m_payloadLength = 0;
    std::array<std::uint8_t, kMaxRead> m_received{};
    std::size_t m_responseLength = 0;
};

}  // namespace brivex
