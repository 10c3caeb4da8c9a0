#include "app/CConfig.h"

#include "app/CDebugViews.h"
#include "platform/CProfileFile.h"
#include "platform/CSystemPaths.h"

#include <cerrno>
#include <cstring>

namespace brivex {

std::string CConfig::FilePath(ProfileFileId file)
{
    return CSystemPaths::SysDir() + "/" + (file == ProfileFileId::Dialer ? kDialerIni : kSysqorIni);
}

std::string CConfig::Text(const ProfileKey& key)
{
    return CProfileFile(FilePath(key.file)).ReadString(key.section, key.key, key.defText, key.bufferSize);
}

int CConfig::Int(const ProfileKey& key)
{
    return CProfileFile(FilePath(key.file)).ReadInt(key.section, key.key, key.defInt);
}

int CConfig::Number(const ProfileKey& key) { return CProfileFile::LeadingInt(Text(key)); }

bool CConfig::Write(const ProfileKey& key, std::string_view value)
{
    const std::string path = FilePath(key.file);
    const bool ok = CProfileFile(path).WriteString(key.section, key.key, value);
    if (!ok)
        BX_LOG(LEVEL_ERR, "profile write [%s] %s failed in %s: %s", key.section, key.key, path.c_str(),
               std::strerror(errno));
    return ok;
}

bool CConfig::WriteInt(const ProfileKey& key, long long value) { return Write(key, std::to_string(value)); }

}  // namespace brivex
