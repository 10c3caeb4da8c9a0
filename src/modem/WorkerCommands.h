#pragma once

#include <cstdint>

namespace brivex {

// Worker command ids; the modem operations share the numbering.
enum WorkerCommand : std::uint16_t {
    DM_GET_INFO = 1,
    DM_IN_CALL = 2,
    DM_OUT_CALL = 3,
    DM_KEY_PRESS = 4,
    DM_STOP_WORK = 5,
    DM_UI_ENABLE = 9,
    DM_SMS_SEND = 16,
    DM_SMS_LIST = 18,
    DM_SMS_REMOVEAT = 21,
    DM_SMS_VOICENUM = 24,
    DM_SMS_INFO2 = 26,
    DM_PREF_CM_SYS_SEL = 80,
    DM_PREF_HDR_DRC = 82,
    DM_PREF_1X_DRC = 84,
    DM_PCVOICE_ENABLE = 87,
    DM_PBOOK_READ = 144,
    DM_PBOOK_WRITE = 145,
    DM_PBOOK_DEL = 146,
    DM_PBOOK_INFO = 148,
    DM_GET_SERVICE = 0x8001,
    DM_PARKED = 0x8005,
    DM_PREF_READ = 0x8007,
    DM_RUIM_STATUS = 0x800A,
    DM_RUIM_VERIFY = 0x800B,
    DM_RUIM_UNBLOCK = 0x800E,
    DM_HALTED = 0xFFF0,
    DM_END_WORK = 0xFFF1,
    DM_DEVICE_NULL = 0xFFF2,
};

// Results of the modem operations other than the operation's own id.
enum DmResult : std::uint16_t {
    DM_RESULT_TRANSACTION_FAILED = 0x7001,
    DM_RESULT_MODEM_REFUSED = 0x7002,
    DM_RESULT_PREF_WRITTEN = 0x7008,
    DM_RESULT_UNKNOWN_CHV = 0x7009,
    DM_RESULT_MISSING_ARGUMENT = 0x700A,
    DM_RESULT_WORKER_ENDING = 0x7FF0,
    DM_RESULT_PIN_BLOCKED = 0x8009,
};

// The numbered window messages (WM_USER + n).
enum WindowMessage : unsigned {
    WM_SMS_SEND_STEP = 1525,     // SMS view: wParam 1 batch step, 0 result in lParam
    WM_SETTINGS_NOTIFY = 1527,   // settings view: 2, 0xFFFFFFFF, 3, 4, 44
    WM_MODEM_EVENT = 1529,       // main window: 4 call display, 6 empty phonebook, 10 phonebook read, 13 missed call
    WM_RING_STOP = 1531,
    WM_RING_START = 1532,
    WM_BRING_FRONT = 1533,       // wParam 1: and open the voice view
    WM_OPEN_HISTORY = 1534,
    WM_LOOKUP_NAME = 1535,       // lParam: std::string* number, replaced by the name
    WM_SECOND_INSTANCE = 1536,
    WM_SMS_POPUP = 1537,         // wParam: the modem-memory slot
};

}  // namespace brivex
