#pragma once

#include "dialup/RasTypes.h"

#include <string>
#include <vector>

namespace brivex {

// What one dial hands pppd: the command line, the options file (mode 0600,
// it carries the password) and the chat script that dials the number.
class CPppdCommand {
public:
    static constexpr const char* kChat = "/usr/sbin/chat";
    // The peer file a normal user's installation provides (/etc/ppp/peers/brivex).
    static constexpr const char* kPeerName = "brivex";

    struct SInput {
        std::string pppd;         // executable
        std::string tty;          // device node
        std::string linkName;     // the entry name
        RasEntry entry;
        RasDialParams params;     // number, user name, password
        std::string optionsFile;  // where the options file goes
        std::string chatFile;     // where the chat script goes
        bool privileged = true;   // running as root: every option is ours to give
    };

    // The arguments (argv[0] first). Never holds the password.
    static std::vector<std::string> Arguments(const SInput& in);
    // The options file: the account, the connect script and the entry's options.
    static std::string OptionsText(const SInput& in);
    static std::string ChatText(const std::string& phoneNumber);

    // The dial characters of a number (digits, * # + , and the dial modifiers); the rest is dropped.
    static std::string DialDigits(const std::string& number);
    // A word for a pppd options file: double-quoted, backslash and quote escaped, control characters dropped.
    static std::string OptionWord(const std::string& text);
    // A word for /bin/sh: single-quoted.
    static std::string ShellWord(const std::string& text);
};

}  // namespace brivex
