#pragma once

#include "platform/CKeyStore.h"
#include "service/CServiceUnit.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace brivex {

// MODEVORTEX: registration ("RegServer", "UnregServer", "Service"), and the
// run that resets the modem instance and then idles until it is stopped.
class CServiceModule {
public:
    enum class Token { None, RegServer, UnregServer, Service };

    static constexpr const char* ServiceName = "MODEVORTEX";
    static constexpr const char* AppIdRoot = "HKEY_CLASSES_ROOT\\AppID";
    static constexpr const char* AppId = "{BAA898A4-84FB-4A5A-BBA3-F368FDA91B50}";
    static constexpr const char* ExecutableName = "MODEVORTEX.EXE";
    // What the program returns when its AppID record is missing ("file not found").
    static constexpr int MissingRecord = 2;

    struct SContext {
        CKeyStore store;
        std::string unitDirectory;
        std::string executablePath;
        std::ostream* err = nullptr;  // standard error when null
    };

    explicit CServiceModule(SContext context);

    // Arguments starting with '-' or '/' are tokens, compared ignoring case;
    // the first recognised one decides.
    static Token ParseTokens(const std::vector<std::string>& arguments);

    // Registration for the token; the exit status (non-zero after a message).
    int Register(Token token) const;
    // "LocalService" is present in the AppID record; nullopt when the record is missing.
    std::optional<bool> ReadServiceFlag() const;

    static std::string AppIdKey();
    static std::string ExecutableKey();

private:
    bool ApplyRegistryScript() const;
    void RemoveRegistryScript() const;
    bool ReportFailure(CServiceUnit::Result result) const;

    SContext m_context;
};

}  // namespace brivex
