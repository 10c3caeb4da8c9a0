#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>

namespace brivex {

// Result and state codes of the dial-up client, in the numbering the rest of
// the program knows them by.
namespace ras {

inline constexpr int kSuccess = 0;
inline constexpr int kInvalidName = 123;        // an entry name no file can carry
inline constexpr int kAlreadyExists = 183;      // create entry: the entry is there already
inline constexpr int kBufferTooSmall = 603;
inline constexpr int kCannotFindEntry = 623;    // dial of an entry that is not in the phonebook
inline constexpr int kCannotWriteEntry = 627;   // the phonebook file could not be written
inline constexpr int kNoEntry = 838;            // get entry: the entry does not exist
inline constexpr int kNoErrorCode = 839;        // error text asked for error code 0
inline constexpr int kUnknownError = 87;        // error text: no text for that code

// Connection states (the platform's standard codes).
inline constexpr int kOpenPort = 0;
inline constexpr int kPortOpened = 1;
inline constexpr int kConnectDevice = 2;
inline constexpr int kDeviceConnected = 3;
inline constexpr int kAllDevicesConnected = 4;
inline constexpr int kAuthenticate = 5;
inline constexpr int kAuthProject = 10;
inline constexpr int kAuthenticated = 14;
inline constexpr int kProjected = 18;
inline constexpr int kConnected = 8192;
inline constexpr int kDisconnected = 8193;

// Entry option bits.
inline constexpr std::uint32_t kOptIpHeaderCompression = 0x008;
inline constexpr std::uint32_t kOptRemoteDefaultGateway = 0x010;
inline constexpr std::uint32_t kOptModemLights = 0x100;
inline constexpr std::uint32_t kOptSwCompression = 0x200;
inline constexpr std::uint32_t kProgramOptions = 0x318;

inline constexpr std::uint32_t kProtocolIp = 4;
inline constexpr std::uint32_t kFramingPpp = 1;

// The message number the progress callback receives with every state.
inline constexpr unsigned kDialEventMessage = 0xCCCD;

}  // namespace ras

// One dial-up entry of the private phonebook.
struct RasEntry {
    std::string deviceType;      // "modem"
    std::string deviceName;      // the modem device's name
    std::string phoneNumber;     // local phone number
    std::uint32_t protocols = 0; // ras::kProtocolIp
    std::uint32_t framing = 0;   // ras::kFramingPpp
    std::uint32_t options = 0;   // ras::kOpt... bits
};

// The stored account of an entry.
struct RasDialParams {
    std::string entryName;
    std::string phoneNumber;
    std::string userName;
    std::string password;
    std::string domain;
};

// A dial-up device: for the modem a USB serial port on interface 00.
struct RasDevice {
    std::string type;   // "modem"
    std::string name;   // the USB device's product string
    std::string tty;    // the device node pppd opens
};

// The connection statistics record (sizes and counters as the platform has them).
struct RasStatistics {
    std::uint32_t size = 60;
    std::uint32_t bytesXmited = 0;
    std::uint32_t bytesRcved = 0;
    std::uint32_t framesXmited = 0;
    std::uint32_t framesRcved = 0;
    std::uint32_t crcErr = 0;
    std::uint32_t timeoutErr = 0;
    std::uint32_t alignmentErr = 0;
    std::uint32_t hardwareOverrunErr = 0;
    std::uint32_t framingErr = 0;
    std::uint32_t bufferOverrunErr = 0;
    std::uint32_t compressionRatioIn = 0;
    std::uint32_t compressionRatioOut = 0;
    std::uint32_t bps = 0;
    std::uint32_t connectDuration = 0;  // ms
};

// An active connection: a pppd with its link pid file.
struct RasConnection {
    pid_t pid = 0;
    std::string linkName;    // the entry name pppd was given as its link name
    std::string ifName;      // "ppp0" once the interface is up
    std::string deviceName;  // the dial-up device it runs on, when known
    std::string pidFile;
};

}  // namespace brivex
