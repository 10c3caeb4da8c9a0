#include "store/CStoreFiles.h"

#include "app/CDebugViews.h"
#include "store/CDaoException.h"
#include "store/CDaoPbookDb.h"
#include "store/CDaoSmsDb.h"
#include "store/CDaoVcallDb.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace brivex {
namespace {

constexpr int kCopyLockTimeoutMs = 2000;

// A read transaction on the store file for as long as the object lives;
// nothing when the file is no database the engine can read (then the copy
// goes ahead and the error shows when the copy is opened).
class ReadLock {
public:
    explicit ReadLock(const std::filesystem::path& file)
    {
        if (sqlite3_open_v2(file.c_str(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            return;
        sqlite3_busy_timeout(m_db, kCopyLockTimeoutMs);
        // Reading the schema takes the shared lock and rolls back a journal
        // that an interrupted write left behind.
        m_locked = sqlite3_exec(m_db, "BEGIN; SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr) == SQLITE_OK;
        if (!m_locked)
            BX_LOG(LEVEL_DB, "store file not locked for the copy: %s", sqlite3_errmsg(m_db));
    }
    ~ReadLock()
    {
        if (m_locked)
            sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(m_db);
    }
    ReadLock(const ReadLock&) = delete;
    ReadLock& operator=(const ReadLock&) = delete;

private:
    sqlite3* m_db = nullptr;
    bool m_locked = false;
};

bool CopyBytes(int from, int to)
{
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = read(from, buffer, sizeof buffer);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = write(to, buffer + done, static_cast<std::size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            done += put;
        }
    }
}

bool CopyToTemporary(const std::filesystem::path& store, std::string& temporary)
{
    const int from = open(store.c_str(), O_RDONLY | O_CLOEXEC);
    if (from < 0)
        return false;
    std::string pattern = temporary + ".XXXXXX";
    const int to = mkostemp(pattern.data(), O_CLOEXEC);
    if (to < 0) {
        close(from);
        return false;
    }
    temporary = pattern;
    // The copy keeps the store file's permissions rather than the temporary's 0600.
    struct stat info {};
    if (fstat(from, &info) == 0)
        fchmod(to, info.st_mode & 0666);
    const bool copied = CopyBytes(from, to);
    close(from);
    const bool closed = close(to) == 0;
    if (!copied || !closed) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace

std::filesystem::path CStoreFiles::StorePath(const std::filesystem::path& dir)
{
    return dir / kStoreFile;
}

std::filesystem::path CStoreFiles::WorkingCopyPath(const std::filesystem::path& dir)
{
    return dir / kWorkingCopy;
}

bool CStoreFiles::PrepareWorkingCopy(const std::filesystem::path& dir)
{
    const std::filesystem::path store = StorePath(dir);
    const std::filesystem::path copy = WorkingCopyPath(dir);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(store, ec)) {
        BX_LOG(LEVEL_DB, "no store file %s", store.c_str());
        return false;
    }
    std::string temporary = copy.string();
    {
        ReadLock lock(store);
        if (!CopyToTemporary(store, temporary)) {
            BX_LOG(LEVEL_DB, "copy of %s failed: %s", store.c_str(), std::strerror(errno));
            return false;
        }
    }
    for (const char* suffix : {"-journal", "-wal", "-shm"})
        std::filesystem::remove(copy.string() + suffix, ec);
    std::filesystem::rename(temporary, copy, ec);
    if (ec) {
        BX_LOG(LEVEL_DB, "working copy %s not replaced: %s", copy.c_str(), ec.message().c_str());
        std::filesystem::remove(temporary, ec);
        return false;
    }
    return true;
}

std::optional<std::string> CStoreFiles::OpenAtStart(const std::filesystem::path& dir, CDaoSmsDb& sms,
                                                    CDaoPbookDb& pbook, CDaoVcallDb& vcall)
{
    if (!PrepareWorkingCopy(dir))
        return std::string(kNoDbFile);
    sms.SetDatabasePath(WorkingCopyPath(dir));
    if (sms.IsOpen())
        return std::string(kDbOpened);
    try {
        sms.Open();
    } catch (const CDaoException& e) {
        BX_LOG(LEVEL_DB, "%s", e.Description().c_str());
        return e.Description();
    }
    pbook.SetDatabasePath(WorkingCopyPath(dir));
    vcall.SetDatabasePath(StorePath(dir));
    if (vcall.IsOpen()) {
        sms.Close();
        return std::string(kDbOpened);
    }
    vcall.SeedCounter();
    return std::nullopt;
}

}  // namespace brivex
