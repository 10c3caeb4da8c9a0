#include "service/CServiceModule.h"

#include <cctype>

#include <iostream>

namespace brivex {

namespace {

bool EqualsIgnoringCase(const std::string& a, const char* b)
{
    const std::string other(b);
    if (a.size() != other.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(other[i])))
            return false;
    return true;
}

}  // namespace

CServiceModule::CServiceModule(SContext context) : m_context(std::move(context)) {}

std::string CServiceModule::AppIdKey() { return std::string(AppIdRoot) + "\\" + AppId; }
std::string CServiceModule::ExecutableKey() { return std::string(AppIdRoot) + "\\" + ExecutableName; }

CServiceModule::Token CServiceModule::ParseTokens(const std::vector<std::string>& arguments)
{
    for (const auto& argument : arguments) {
        if (argument.empty() || (argument[0] != '-' && argument[0] != '/'))
            continue;
        const std::string token = argument.substr(1);
        if (EqualsIgnoringCase(token, "UnregServer"))
            return Token::UnregServer;
        if (EqualsIgnoringCase(token, "RegServer"))
            return Token::RegServer;
        if (EqualsIgnoringCase(token, "Service"))
            return Token::Service;
    }
    return Token::None;
}

bool CServiceModule::ApplyRegistryScript() const
{
    const CKeyStore& store = m_context.store;
    return store.CreateKey(AppIdRoot) && store.WriteValue(AppIdKey(), CKeyStore::DefaultValue, ServiceName) &&
           store.WriteValue(ExecutableKey(), "AppID", AppId);
}

void CServiceModule::RemoveRegistryScript() const
{
    // The AppID key itself is shared and stays.
    m_context.store.DeleteTree(AppIdKey());
    m_context.store.DeleteTree(ExecutableKey());
}

bool CServiceModule::ReportFailure(CServiceUnit::Result result) const
{
    if (result == CServiceUnit::Result::Ok)
        return false;
    std::ostream& err = m_context.err ? *m_context.err : std::cerr;
    err << ServiceName << ": " << CServiceUnit::Message(result) << '\n' << std::flush;
    return true;
}

int CServiceModule::Register(Token token) const
{
    const CServiceUnit unit(m_context.unitDirectory);
    const CKeyStore& store = m_context.store;
    if (ReportFailure(unit.Uninstall()))
        return 1;
    if (token == Token::UnregServer) {
        RemoveRegistryScript();
        return 0;
    }
    if (!ApplyRegistryScript() || !store.DeleteValue(AppIdKey(), "LocalService"))
        return 1;
    if (token == Token::RegServer)
        return 0;
    if (!store.WriteValue(AppIdKey(), "LocalService", ServiceName) ||
        !store.WriteValue(AppIdKey(), "ServiceParameters", "-Service"))
        return 1;
    return ReportFailure(unit.Install(m_context.executablePath)) ? 1 : 0;
}

std::optional<bool> CServiceModule::ReadServiceFlag() const
{
    if (!m_context.store.KeyExists(AppIdKey()))
        return std::nullopt;
    return m_context.store.HasValue(AppIdKey(), "LocalService");
}

}  // namespace brivex
