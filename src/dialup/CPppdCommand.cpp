#include "dialup/CPppdCommand.h"

#include <cctype>
#include <cstring>

namespace brivex {

std::string CPppdCommand::DialDigits(const std::string& number)
{
    static const char* allowed = "0123456789*#+,!@WwPpTtAaBbCcDd";
    std::string out;
    for (char c : number)
        if (c != '\0' && std::strchr(allowed, c) && out.size() < 64)
            out.push_back(c);
    return out;
}

std::string CPppdCommand::OptionWord(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F)
            continue;
        if (c == '\\' || c == '"')
            out.push_back('\\');
        out.push_back(static_cast<char>(c));
    }
    out.push_back('"');
    return out;
}

std::string CPppdCommand::ShellWord(const std::string& text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out.push_back(c);
    }
    out.push_back('\'');
    return out;
}

std::vector<std::string> CPppdCommand::Arguments(const SInput& in)
{
    std::vector<std::string> argv{in.pppd, in.tty, "115200"};
    if (!in.privileged) {
        // The peer file supplies the privileged options (noauth, the link
        // name and the connect script); a normal user may give the rest.
        argv.insert(argv.end(), {"call", kPeerName});
    } else {
        argv.insert(argv.end(), {"linkname", in.linkName});
    }
    argv.insert(argv.end(), {"nodetach", "file", in.optionsFile});
    return argv;
}

std::string CPppdCommand::OptionsText(const SInput& in)
{
    std::string text = "# One dial of the program's entry; this file holds the account (mode 0600).\n";
    if (in.privileged) {
        text += "noauth\n";
        text += "connect " + OptionWord(std::string(kChat) + " -V -f " + ShellWord(in.chatFile)) + "\n";
    }
    text += "user " + OptionWord(in.params.userName) + "\n";
    text += "password " + OptionWord(in.params.password) + "\n";
    text += "hide-password\n";
    text += "noipdefault\n";
    text += "usepeerdns\n";
    // The entry's options in pppd's words.
    text += (in.entry.options & ras::kOptRemoteDefaultGateway) ? "defaultroute\n" : "nodefaultroute\n";
    if (!(in.entry.options & ras::kOptSwCompression))
        text += "noccp\n";
    if (!(in.entry.options & ras::kOptIpHeaderCompression))
        text += "novj\n";
    return text;
}

std::string CPppdCommand::ChatText(const std::string& phoneNumber)
{
    std::string text;
    text += "ABORT \"NO CARRIER\"\n";
    text += "ABORT \"BUSY\"\n";
    text += "ABORT \"NO DIALTONE\"\n";
    text += "ABORT \"ERROR\"\n";
    text += "TIMEOUT 45\n";
    text += "\"\" \"AT\"\n";
    text += "OK \"ATDT" + DialDigits(phoneNumber) + "\"\n";
    text += "CONNECT \"\"\n";
    return text;
}

}  // namespace brivex
