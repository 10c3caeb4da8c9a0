#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace brivex {

class CDaoPbookDb;
class CDaoSmsDb;
class CDaoVcallDb;

// The two database files beside the executable and the start-up steps that
// concern them: the store file "OVL.MDB" keeps the call history, the working
// copy "@OVL.MDB" is made afresh from it at every start and holds the SMS
// table and the phonebook mirror for one run.
class CStoreFiles {
public:
    static constexpr const char* kStoreFile = "OVL.MDB";
    static constexpr const char* kWorkingCopy = "@OVL.MDB";
    static constexpr const char* kNoDbFile = "There is no Db File. this program is executed";
    static constexpr const char* kDbOpened = "DB file is Opened. Closing Db file, Retrying to execute the program";

    static std::filesystem::path StorePath(const std::filesystem::path& dir);
    static std::filesystem::path WorkingCopyPath(const std::filesystem::path& dir);

    // Replaces the working copy by a byte copy of the store file, made in a
    // temporary file beside it and renamed into place, so the old copy stays
    // whole until the new one is complete. A journal left by an earlier run's
    // working copy is removed first, as it belongs to the old contents. While
    // copying, a read lock on the store file keeps a writer from changing it
    // half-way. False when the store file is missing or the copy failed.
    static bool PrepareWorkingCopy(const std::filesystem::path& dir);

    // The start-up steps in order: the working copy, the SMS recordset opened
    // for the run, the paths of the other two, and the history counter seeded
    // from the newest call record. Nothing on success; otherwise the text the
    // start-up shows before it stops (the SMS recordset is then closed).
    static std::optional<std::string> OpenAtStart(const std::filesystem::path& dir, CDaoSmsDb& sms, CDaoPbookDb& pbook,
                                                  CDaoVcallDb& vcall);
};

}  // namespace brivex
