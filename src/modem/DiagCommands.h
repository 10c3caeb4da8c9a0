#pragma once

#include <cstdint>

// Command codes, sub-commands and the code values of the diagnostic packets
// the program exchanges with the modem. Every builder and parser of the
// packet classes takes its numbers from here.

namespace brivex {

// Byte 0 of every packet.
enum DiagCommand : std::uint8_t {
    diag_verno_f = 0x00,          // software version, build date, hardware version
    diag_state_f = 0x0C,          // ESN and MIN
    diag_hs_key_req_type = 0x20,  // handset key press
    diag_orig_req_type = 0x35,    // voice call origination
    QOR_CMD_GENERAL = 0xCF,       // status, service, caller ID, battery, settings
    QOR_CMD_SMS = 0xD0,           // list, read, send, delete, SMS information
    QOR_CMD_PBOOK = 0xD1,         // phonebook info, read, write, delete
    QOR_CMD_RUIM = 0xD2,          // card status, PIN verification and unblocking
    QOR_CMD_NV_RELAY = 0xD5,      // NV item reads
};

// Sub-commands of the general vendor command (0xCF).
enum GeneralSubCommand : std::uint16_t {
    QOR_SUB_SERVICE = 0,
    QOR_SUB_STATUS = 1,
    QOR_SUB_CALLER_ID = 2,
    QOR_SUB_CM_SYS_SEL = 4,
    QOR_SUB_1X_DRC = 5,        // 1x data-rate read
    QOR_SUB_HDR_DRC = 7,       // EV-DO data-rate read
    QOR_SUB_INF_VER = 10,
    QOR_SUB_BATT_INFO = 11,
    QOR_SUB_NET_BANNER = 17,   // network banner read
    QOR_SUB_PCVOICE = 22,      // PC-voice enable
};

// Sub-commands of the SMS vendor command (0xD0).
enum SmsSubCommand : std::uint16_t {
    QOR_SUB_SMS_SEND = 0,      // qor_sms_send_req_type
    QOR_SUB_SMS_DELETE = 2,    // delete one
    QOR_SUB_SMS_GET_LIST = 4,  // qor_sms_get_list_req_type
    QOR_SUB_SMS_READ = 6,      // qor_sms_read_req_type
    QOR_SUB_INFO = 8,          // SMS information
};

// Sub-commands of the phonebook vendor command (0xD1).
enum PhonebookSubCommand : std::uint16_t {
    QOR_SUB_PB_INIT = 0,   // qor_pb_init_req_type
    QOR_SUB_PB_WRITE = 1,  // qor_pb_write_req_type
    QOR_SUB_PB_READ = 2,   // qor_pb_read_req_type
    QOR_SUB_PB_DEL = 3,    // qor_pb_del_req_type
};

// Sub-commands of the card vendor command (0xD2).
enum CardSubCommand : std::uint16_t {
    QOR_SUB_RUIM_STATUS = 0,
    QOR_SUB_RUIM_VERIFY_CHV = 1,   // qor_ruim_chvveri_req_type
    QOR_SUB_RUIM_UNBLOCK_CHV = 5,  // qor_ruim_unblock_req_type
};

// Sub-command of the NV relay (0xD5).
enum NvRelaySubCommand : std::uint16_t {
    QOR_SUB_NV_READ = 0x0026,
};

// NV items read through the relay.
enum NvItem : std::uint16_t {
    NV_PREF_MODE_I = 10,       // preferred mode (1, 9 or 10; 10 is EV-DO only)
    NV_DIR_NUMBER_PCS_I = 215, // own directory number
    NV_HYBRID_PREF_I = 562,    // hybrid preference (0 off, 1 on)
};

// The modem type port discovery reports when the diagnostic interface sits on
// the modem's own device; NV reads go out only for it.
inline constexpr int kModemTypeDiagDevice = 2;

// Handset key codes; digits, "*" and "#" go as their ASCII codes.
enum DiagKey : std::uint8_t {
    KEY_SEND = 0x50,
    KEY_END = 0x51,
    KEY_CLR = 0x52,
};

// The fixed tail of a call origination.
inline constexpr std::uint16_t kOriginationTail = 0x000B;

// SMS storages and tags.
enum SmsStorage : std::uint32_t {
    SMS_STORAGE_CARD = 5,
    SMS_STORAGE_MEMORY = 6,
};
enum SmsTag : std::uint32_t {
    SMS_TAG_READ = 1,
    SMS_TAG_UNREAD = 2,
};

// SMS encodings.
enum SmsEncoding : std::uint8_t {
    SMS_ENC_ASCII = 2,    // 7-bit ASCII
    SMS_ENC_IA5 = 3,
    SMS_ENC_UNICODE = 4,  // UTF-16 little-endian
    SMS_ENC_OCTET = 16,   // 8-bit text
};

// Phonebook storage byte and storage word.
enum PhonebookStorage : std::uint8_t {
    PB_STORAGE_CARD = 1,
    PB_STORAGE_MEMORY = 9,
};
inline constexpr std::uint16_t kPbStorageWordCard = 0xFF01;
inline constexpr std::uint16_t kPbStorageWordMemory = 0;

// Diagnostic call-state codes (byte 9 of the status record); 0 is no service.
enum DiagCallState : std::uint8_t {
    DIAG_D_NO_SERVICE = 0x00,
    DIAG_D_INIT_S = 0x81,
    DIAG_D_IDLE_S = 0x82,
    DIAG_D_VC_INIT_S = 0x83,
    DIAG_D_WFO_S = 0x84,
    DIAG_D_WFA_S = 0x85,
    DIAG_D_CONV_S = 0x86,
    DIAG_D_RELEASE_S = 0x87,
    DIAG_D_OVHD_S = 0x88,
    DIAG_D_ORIG_S = 0x89,
    DIAG_D_PAGE_RES_S = 0x8A,
    DIAG_D_ORD_RES_S = 0x8B,
    DIAG_D_REG_S = 0x8C,
    DIAG_D_MSG_S = 0x8D,
};

// System modes of the status record.
enum SystemMode : std::uint8_t {
    SYS_MODE_NO_SERVICE = 0,
    SYS_MODE_CDMA_1X = 2,
    SYS_MODE_EVDO = 4,
};

// Incoming-call indicator of the status record (1 and 2 come from the
// modem's ringing and given-up reports).
enum IncomingCallIndicator : std::uint8_t {
    INCALL_NONE = 0,
    INCALL_RINGING = 1,
    INCALL_GAVE_UP = 2,
    INCALL_ENDED = 3,
    INCALL_ORIGINATION = 4,
};

// Caller-ID presentation values.
enum CallerPresentation : std::uint8_t {
    PRESENTATION_RESTRICTED = 1,
    PRESENTATION_UNAVAILABLE = 2,
};

// Card state (byte 6 of the card status).
enum CardState : std::uint8_t {
    CARD_NO_CARD = 0,
    CARD_INVALID_CARD = 1,
    CARD_VALID_CARD = 2,
    CARD_NOT_INIT = 3,
    CARD_NOT_READY = 4,
    CARD_CARD_REINIT = 5,
};

// Lock state (byte 7 of the card status).
enum CardLockState : std::uint8_t {
    CARD_PIN_DISABLED = 1,
    CARD_PIN_ENABLED = 2,
    CARD_PIN_VERIFIED = 3,
    CARD_PIN_BLOCKED = 4,
    CARD_PIN_PERM_DISABLED = 5,
    CARD_PIN_NOT_VALID = 6,
};

// Status words of a CHV answer.
enum ChvStatusWord : std::uint8_t {
    CHV_SW1_SUCCESS = 0x90,
    CHV_SW1_FAILURE = 0x98,
    CHV_SW2_WRONG_CODE = 0x04,
    CHV_SW2_DISABLED = 0x08,
    CHV_SW2_BLOCKED = 0x40,
};

// Transaction time-outs of the requests, in milliseconds.
namespace timeouts {
inline constexpr std::uint32_t kDefault = 3000;
inline constexpr std::uint32_t kSmsSend = 15000;
inline constexpr std::uint32_t kSmsDelete = 10000;
inline constexpr std::uint32_t kSmsList = 5000;
inline constexpr std::uint32_t kPhonebook = 6000;
inline constexpr std::uint32_t kCard = 60000;
}  // namespace timeouts

}  // namespace brivex
