#include "store/CDaoSmsDb.h"

#include "app/CDebugViews.h"
#include "store/CDaoException.h"

#include <algorithm>

namespace brivex {

CDaoSmsDb::CDaoSmsDb() : CDaoRecordset("ferrox_sms", CDaoDatabase::Sync::Off) {}

void CDaoSmsDb::DoFieldExchange(CDaoFieldExchange& fx)
{
    fx.Long("index", m_index);
    fx.Double("tag_type", m_tag_type);
    fx.Double("time", m_time);
    fx.Text("cb_number", m_cb_number);
    fx.Byte("new_flag", m_new_flag);
    fx.Byte("encoding", m_encoding);
    fx.Binary("message", m_message);
}

std::int32_t CDaoSmsDb::MessageWord(std::int32_t storage, std::uint16_t slot)
{
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(storage) << 16) | slot);
}

bool CDaoSmsDb::FindFirstIndex(std::int32_t messageWord)
{
    return FindFirst("index", std::int64_t{messageWord});
}

bool CDaoSmsDb::DeleteMessage(std::int32_t messageWord)
{
    try {
        if (!FindFirstIndex(messageWord))
            return false;
        Delete();
        return true;
    } catch (const CDaoException& e) {
        BX_LOG(LEVEL_DB, "%s", e.Description().c_str());
        return false;
    }
}

std::string CDaoSmsDb::MessageText() const
{
    const auto end = std::find(m_message.begin(), m_message.end(), std::uint8_t{0});
    return std::string(m_message.begin(), end);
}

void CDaoSmsDb::SetMessageText(std::string_view text)
{
    m_message.assign(kMessageBytes, 0);
    std::copy_n(text.begin(), std::min(text.size(), kMessageBytes), m_message.begin());
}

}  // namespace brivex
