#pragma once

// Every section, key and default of the two profile files, in one place: no
// caller spells a section, key or default of its own.

namespace brivex {

enum class ProfileFileId { Dialer, Sysqor };

struct ProfileKey {
    ProfileFileId file;
    const char* section;
    const char* key;
    const char* defText;   // default of a string read
    int defInt;            // default of an integer read
    unsigned bufferSize;   // buffer of a string read, terminator included
};

inline constexpr const char* kDialerIni = "fer_dialer.ini";
inline constexpr const char* kSysqorIni = "sysqor.ini";

// The default dial-up account: the operator's provisioned user at its realm.
inline constexpr const char* kDefaultUserName = "cdma@corvana.example";

namespace keys {

using F = ProfileFileId;
// clang-format off
inline constexpr ProfileKey PhoneNumber   {F::Dialer, "phonenumber",     "text",        "#777",   0,  64};
inline constexpr ProfileKey UserName      {F::Dialer, "username",        "text",        kDefaultUserName, 0, 64};
inline constexpr ProfileKey Password      {F::Dialer, "password",        "text",        "KWD",    0,  64};
inline constexpr ProfileKey BaudRate      {F::Dialer, "baudrate",        "num",         "115200", 0,  64};
inline constexpr ProfileKey ComPort       {F::Dialer, "comport",         "num",         "",       0,  11};
inline constexpr ProfileKey Top           {F::Dialer, "top",             "num",         "0",      0,  64};
inline constexpr ProfileKey DtmfLen       {F::Dialer, "dtmf_len",        "num",         "-1",     0,  64};
inline constexpr ProfileKey PrefMode      {F::Dialer, "pref_mode",       "num",         "-1",    -1,  64};
inline constexpr ProfileKey Hybrid        {F::Dialer, "hybrid",          "num",         "-1",    -1,  64};
inline constexpr ProfileKey ChgUsb        {F::Dialer, "chg_usb",         "num",         "0",      0,  64};
inline constexpr ProfileKey CallbackMax   {F::Dialer, "callback_max",    "num",         "",       0,  64};
inline constexpr ProfileKey UnicodeMax    {F::Dialer, "unicode_max",     "num",         "",       0,  64};
inline constexpr ProfileKey AsciiMax      {F::Dialer, "ascii_max",       "num",         "",       0,  64};
inline constexpr ProfileKey SmsCount      {F::Dialer, "SmsC",            "smscnt",      "",       0,  64};
inline constexpr ProfileKey CallId        {F::Dialer, "call_id",         "num",         "",       0,  64};
inline constexpr ProfileKey ChvEnable     {F::Dialer, "chv_enable",      "num",         "0",      0,  64};
inline constexpr ProfileKey Chv1Count     {F::Dialer, "chv1_cnt",        "num",         "0",      0,  64};
inline constexpr ProfileKey Chv1PukCount  {F::Dialer, "chv1_pukcnt",     "num",         "0",      0,  64};
inline constexpr ProfileKey Chv1          {F::Dialer, "chv1",            "num",         "5960",   0,   9};
inline constexpr ProfileKey Chv1Temp      {F::Dialer, "chv1_temp",       "num",         "",       0,   9};
inline constexpr ProfileKey RssiOneEvdo   {F::Dialer, "rssi",            "OneEVDO",     "16",     0,  64};
inline constexpr ProfileKey RssiOneOne    {F::Dialer, "rssi",            "OneOne",      "9",      0,  64};
inline constexpr ProfileKey RssiOne       {F::Dialer, "rssi",            "One",         "16",     0,  64};
inline constexpr ProfileKey RssiEvdo      {F::Dialer, "rssi",            "EVDO",        "21",     0,  64};
inline constexpr ProfileKey ModemSwVer    {F::Dialer, "modem",           "sw_ver",      " ",      0,  64};
inline constexpr ProfileKey ModemCompDate {F::Dialer, "modem",           "comp_date",   "",       0,  64};
inline constexpr ProfileKey ModemHwVer    {F::Dialer, "modem",           "hw_ver",      "",       0,  64};
inline constexpr ProfileKey ModemMin      {F::Dialer, "modem",           "min",         "",       0,  64};
inline constexpr ProfileKey ModemEsn      {F::Dialer, "modem",           "esn",         "",       0,  64};
inline constexpr ProfileKey ModemMdn      {F::Dialer, "modem",           "mdn",         "",       0,  64};
inline constexpr ProfileKey UserFlag      {F::Dialer, "userflag",        "num",         "0",      0,  64};
inline constexpr ProfileKey HistoryNum    {F::Dialer, "history_num",     "num",         "0",      0,   6};
inline constexpr ProfileKey DownloadMax   {F::Dialer, "UserSetMaxLimit", "DownloadMax", "50",    50,  64};
inline constexpr ProfileKey UploadMax     {F::Dialer, "UserSetMaxLimit", "UploadMax",   "50",    50,  64};
inline constexpr ProfileKey CurDir        {F::Dialer, "Curdir",          "dir",         "",       0, 260};
inline constexpr ProfileKey SysinfSleep   {F::Sysqor, "sysinf",          "slps",        "5",      5,  64};
// clang-format on

}  // namespace keys
}  // namespace brivex
