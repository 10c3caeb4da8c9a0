#include "dialup/CTrafficFiles.h"

#include "app/CConfig.h"
#include "app/CDebugViews.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace brivex {

namespace {

constexpr std::size_t kBlockRecords = 43690;  // about 1 MiB per read

// Reads the whole records of a file block by block and hands each block to f.
template <class F>
bool ForEachBlock(const std::string& path, F&& f)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const std::size_t blockBytes = kBlockRecords * SessionRecord::kSize;
    std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[blockBytes]);
    std::size_t filled = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.get() + filled, blockBytes - filled);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        filled += static_cast<std::size_t>(n);
        const std::size_t whole = filled - filled % SessionRecord::kSize;
        if (filled == blockBytes || whole > 0) {
            f(buffer.get(), whole / SessionRecord::kSize);
            // A torn tail stays for the next read to complete, or is ignored at the end.
            const std::size_t rest = filled - whole;
            for (std::size_t i = 0; i < rest; ++i)
                buffer[i] = buffer[whole + i];
            filled = rest;
        }
    }
    ::close(fd);
    return true;
}

}  // namespace

std::string CTrafficFiles::MonthFile() { return CConfig::Text(keys::CurDir) + kFiles[0]; }

bool CTrafficFiles::Append(const std::string& path, const SessionRecord& record)
{
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (ok) {
        const off_t size = st.st_size;
        const off_t boundary = size - size % static_cast<off_t>(SessionRecord::kSize);
        if (boundary != size)
            BX_LOG(LEVEL_RAS, "%s: %lld torn bytes at the end are overwritten\n", path.c_str(),
                   static_cast<long long>(size - boundary));
        const auto bytes = record.Encode();
        ok = ::pwrite(fd, bytes.data(), bytes.size(), boundary) == static_cast<ssize_t>(bytes.size());
    }
    ::close(fd);
    return ok;
}

void CTrafficFiles::AppendSession(std::uint32_t durationMs, std::uint32_t bytesSent, std::uint32_t bytesReceived)
{
    AppendSession(CConfig::Text(keys::CurDir), durationMs, bytesSent, bytesReceived);
}

void CTrafficFiles::AppendSession(const std::string& prefix, std::uint32_t durationMs, std::uint32_t bytesSent,
                                  std::uint32_t bytesReceived)
{
    for (const char* name : kFiles) {
        SessionRecord record;
        record.time = static_cast<std::int64_t>(std::time(nullptr));
        record.durationMs = durationMs;
        record.bytesSent = bytesSent;
        record.bytesReceived = bytesReceived;
        Append(prefix + name, record);  // failures are not reported
    }
}

std::uint64_t CTrafficFiles::SumSince(const std::string& path, std::int64_t start, Field field)
{
    std::uint64_t sum = 0;
    const std::size_t offset = field == Field::Received ? 20 : 16;
    ForEachBlock(path, [&](const std::uint8_t* data, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* p = data + i * SessionRecord::kSize;
            std::uint64_t t = 0;
            for (int b = 0; b < 8; ++b)
                t |= static_cast<std::uint64_t>(p[b]) << (8 * b);
            if (static_cast<std::int64_t>(t) < start)
                continue;
            sum += static_cast<std::uint32_t>(p[offset]) | static_cast<std::uint32_t>(p[offset + 1]) << 8 |
                   static_cast<std::uint32_t>(p[offset + 2]) << 16 | static_cast<std::uint32_t>(p[offset + 3]) << 24;
        }
    });
    return sum;
}

std::vector<SessionRecord> CTrafficFiles::ReadAll(const std::string& path)
{
    std::vector<SessionRecord> records;
    ForEachBlock(path, [&](const std::uint8_t* data, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i)
            records.push_back(SessionRecord::Decode(data + i * SessionRecord::kSize));
    });
    return records;
}

std::time_t CTrafficFiles::MonthStart(std::time_t now)
{
    std::tm local{};
    localtime_r(&now, &local);
    local.tm_mday = 1;
    local.tm_hour = 0;
    local.tm_min = 0;
    local.tm_sec = 0;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

}  // namespace brivex
