// A stand-in for pppd 2.4.9 as far as the dial-up client sees it: it takes
// the client's arguments and options files, dials through the chat script of
// the connect option on the given tty, prints pppd's progress lines on
// standard output, keeps the link pid file in $BRIVEX_RUNDIR and interface
// counters under $BRIVEX_SYSFS/class/net/<if>/statistics, and ends on
// SIGTERM with "Connection terminated." and exit status 5.
//
// Test-only options (in any options file, or in the file named by
// $BRIVEX_FAKE_PPPD_OPTIONS, read first like pppd's /etc/ppp/options):
//   fake-fail <chat|lcp|auth|connected> <status>   fail there with that exit status
//   fake-after <ms>                                 time connected before a "connected" failure
//   fake-delay <ms>                                 pause between progress steps (default 150)
//   fake-rate <rx> <tx>                             bytes per second counted while connected
// Every run appends what it was given to $BRIVEX_RUNDIR/fake-pppd.record.

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::atomic<int> g_signal{0};

void OnSignal(int sig) { g_signal = sig; }

struct Options {
    std::string tty;
    std::string linkName;
    std::string user;
    std::string password;
    std::string connect;
    std::string failPhase;
    int failStatus = 0;
    int failAfterMs = 1500;
    int delayMs = 150;
    long rxRate = 20000;
    long txRate = 5000;
    std::vector<std::string> words;  // every option word, for the record
};

std::string g_runDir;
std::string g_sysfs;
std::string g_record;

void Say(const std::string& line)
{
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void Chat(const std::string& line)
{
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

void Record(const std::string& line)
{
    std::ofstream out(g_record, std::ios::app);
    out << line << "\n";
}

[[noreturn]] void Exit(int status, const std::string& why = {})
{
    if (!why.empty())
        Say(why);
    Record("exit " + std::to_string(status));
    std::exit(status);
}

// Sleeps in small steps; false when a terminating signal arrived.
bool Pause(int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        if (g_signal)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return !g_signal;
}

// pppd's options-file words: '#' comments, double-quoted words with backslash escapes.
std::vector<std::string> FileWords(const std::string& text)
{
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        if (c == '#') {
            while (i < text.size() && text[i] != '\n')
                ++i;
            continue;
        }
        std::string word;
        if (c == '"' || c == '\'') {
            const char quote = c;
            ++i;
            while (i < text.size() && text[i] != quote) {
                if (text[i] == '\\' && i + 1 < text.size())
                    ++i;
                word.push_back(text[i++]);
            }
            ++i;
        } else {
            while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i]))) {
                if (text[i] == '\\' && i + 1 < text.size())
                    ++i;
                word.push_back(text[i++]);
            }
        }
        words.push_back(word);
    }
    return words;
}

// /bin/sh words of a command (single quotes, double quotes, backslashes).
std::vector<std::string> ShellWords(const std::string& text)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\'') {
            inWord = true;
            while (++i < text.size() && text[i] != '\'')
                word.push_back(text[i]);
        } else if (c == '"') {
            inWord = true;
            while (++i < text.size() && text[i] != '"') {
                if (text[i] == '\\' && i + 1 < text.size())
                    ++i;
                word.push_back(text[i]);
            }
        } else if (c == '\\' && i + 1 < text.size()) {
            inWord = true;
            word.push_back(text[++i]);
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            inWord = true;
            word.push_back(c);
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

std::string ReadFile(const std::string& path, bool& ok)
{
    std::ifstream in(path);
    ok = static_cast<bool>(in);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Parse(const std::vector<std::string>& words, Options& o, bool fromFile);

void ParseFile(const std::string& path, Options& o)
{
    bool ok = false;
    const std::string text = ReadFile(path, ok);
    if (!ok)
        Exit(2, "pppd: Can't open options file " + path + ": " + std::strerror(errno));
    struct stat st {};
    ::stat(path.c_str(), &st);
    char mode[16];
    std::snprintf(mode, sizeof mode, "%03o", static_cast<unsigned>(st.st_mode & 0777));
    Record("optfile " + path + " " + mode);
    Parse(FileWords(text), o, true);
}

void Parse(const std::vector<std::string>& words, Options& o, bool fromFile)
{
    static const std::set<std::string> flags = {
        "nodetach", "noauth", "auth", "defaultroute", "nodefaultroute", "noccp", "novj", "usepeerdns",
        "noipdefault", "hide-password", "modem", "crtscts", "lock", "local", "persist", "debug", "noipx", "+ipv6"};
    static const std::set<std::string> withValue = {"remotename", "logfd", "mru", "mtu", "lcp-echo-interval",
                                                    "lcp-echo-failure", "asyncmap", "ipparam", "idle", "maxfail",
                                                    "holdoff", "bsdcomp", "deflate"};
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= words.size())
                Exit(2, "pppd: option '" + w + "' requires an argument");
            return words[++i];
        };
        o.words.push_back((fromFile ? "opt " : "arg ") + w);
        if (flags.count(w)) {
            continue;
        } else if (withValue.count(w)) {
            o.words.push_back((fromFile ? "opt " : "arg ") + value());
        } else if (w == "linkname") {
            o.linkName = value();
            o.words.push_back("linkname-value " + o.linkName);
        } else if (w == "user") {
            o.user = value();
            o.words.push_back("user-value " + o.user);
        } else if (w == "password") {
            o.password = value();
            o.words.push_back(std::string(fromFile ? "password-in-file " : "password-on-command-line ") + o.password);
        } else if (w == "connect") {
            o.connect = value();
            o.words.push_back("connect-value " + o.connect);
        } else if (w == "file") {
            ParseFile(value(), o);
        } else if (w == "call") {
            const std::string peer = "/etc/ppp/peers/" + value();
            if (fs::exists(peer))
                ParseFile(peer, o);
        } else if (w == "fake-fail") {
            o.failPhase = value();
            o.failStatus = std::atoi(value().c_str());
        } else if (w == "fake-after") {
            o.failAfterMs = std::atoi(value().c_str());
        } else if (w == "fake-delay") {
            o.delayMs = std::atoi(value().c_str());
        } else if (w == "fake-rate") {
            o.rxRate = std::atol(value().c_str());
            o.txRate = std::atol(value().c_str());
        } else if (!fromFile && !w.empty() && w[0] == '/') {
            o.tty = w;
        } else if (!fromFile && !w.empty() && std::isdigit(static_cast<unsigned char>(w[0]))) {
            continue;  // the speed
        } else {
            Exit(2, "pppd: unrecognized option '" + w + "'");
        }
    }
}

// --- the chat script of the connect option -----------------------------------------

std::string Visible(const std::string& s)
{
    std::string out;
    for (char c : s) {
        if (c == '\r')
            out += "^M";
        else if (c == '\n')
            out += "^J";
        else
            out.push_back(c);
    }
    return out;
}

// Runs the chat file named after -f in the connect command; true when every expect was met.
bool RunChat(int fd, const std::string& connect, int delayMs)
{
    const auto words = ShellWords(connect);
    std::string chatFile;
    for (std::size_t i = 0; i + 1 < words.size(); ++i)
        if (words[i] == "-f")
            chatFile = words[i + 1];
    bool ok = false;
    const std::string script = ReadFile(chatFile, ok);
    if (!ok) {
        Chat("Can't open chat file " + chatFile);
        return false;
    }
    Record("chatfile " + chatFile);
    const auto tokens = FileWords(script);
    std::vector<std::string> aborts;
    int timeoutMs = 45000;
    std::size_t i = 0;
    bool expecting = true;
    std::string seen;
    while (i < tokens.size()) {
        const std::string& t = tokens[i];
        if (t == "ABORT" && i + 1 < tokens.size()) {
            Chat("abort on (" + tokens[i + 1] + ")");
            aborts.push_back(tokens[i + 1]);
            i += 2;
            continue;
        }
        if (t == "TIMEOUT" && i + 1 < tokens.size()) {
            timeoutMs = std::atoi(tokens[i + 1].c_str()) * 1000;
            Chat("timeout set to " + tokens[i + 1] + " seconds");
            i += 2;
            continue;
        }
        if (expecting) {
            Chat("expect (" + t + ")");
            const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
            while (!t.empty() && seen.find(t) == std::string::npos) {
                for (const auto& a : aborts)
                    if (seen.find(a) != std::string::npos) {
                        Chat(Visible(seen));
                        Chat("Failed (" + a + ")");
                        return false;
                    }
                if (g_signal || std::chrono::steady_clock::now() >= end) {
                    Chat("alarm");
                    Chat("Failed");
                    return false;
                }
                pollfd p{fd, POLLIN, 0};
                if (::poll(&p, 1, 50) > 0) {
                    char buf[256];
                    const ssize_t n = ::read(fd, buf, sizeof buf);
                    if (n > 0)
                        seen.append(buf, static_cast<std::size_t>(n));
                    if (seen.size() > 1024)
                        seen.erase(0, seen.size() - 1024);
                }
            }
            if (!t.empty()) {
                Chat(Visible(seen.substr(0, seen.find(t) + t.size())));
                Chat(" -- got it");
                seen.erase(0, seen.find(t) + t.size());
            }
        } else {
            // A modem takes its time; so does this one.
            if (!Pause(delayMs))
                return false;
            Chat("send (" + Visible(t + "\r") + ")");
            const std::string out = t + "\r";
            if (::write(fd, out.data(), out.size()) != static_cast<ssize_t>(out.size()))
                return false;
        }
        expecting = !expecting;
        ++i;
    }
    return true;
}

// --- the link -------------------------------------------------------------------------

struct Link {
    std::string pidFile;
    std::string ifName;
    std::string statsDir;
    unsigned long long rx = 0, tx = 0;
};
Link g_link;

void WritePidFile(bool withInterface)
{
    if (g_link.pidFile.empty())
        return;
    std::string text = std::to_string(::getpid()) + "\n";
    if (withInterface)
        text += g_link.ifName + "\n";
    const std::string temp = g_link.pidFile + ".tmp";
    std::ofstream(temp) << text;
    fs::rename(temp, g_link.pidFile);
}

void WriteCounter(const char* name, unsigned long long value)
{
    const std::string path = g_link.statsDir + "/" + name;
    std::ofstream(path + ".tmp") << value << "\n";
    fs::rename(path + ".tmp", path);
}

void RemoveLink()
{
    std::error_code ec;
    if (!g_link.pidFile.empty())
        fs::remove(g_link.pidFile, ec);
    if (!g_link.ifName.empty())
        fs::remove_all(g_sysfs + "/class/net/" + g_link.ifName, ec);
}

[[noreturn]] void End(int status, bool connected, double startedSeconds)
{
    if (connected) {
        char line[128];
        std::snprintf(line, sizeof line, "Connect time %.1f minutes.", startedSeconds / 60.0);
        Say(line);
        Say("Sent " + std::to_string(g_link.tx) + " bytes, received " + std::to_string(g_link.rx) + " bytes.");
    }
    RemoveLink();
    Say("Connection terminated.");
    Exit(status);
}

[[noreturn]] void Terminated(bool connected, double seconds)
{
    Say("Terminating on signal " + std::to_string(g_signal.load()));
    End(5, connected, seconds);
}

}  // namespace

int main(int argc, char** argv)
{
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
    std::signal(SIGHUP, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);
    const char* run = std::getenv("BRIVEX_RUNDIR");
    const char* sysfs = std::getenv("BRIVEX_SYSFS");
    if (!run || !*run || !sysfs || !*sysfs || std::string(sysfs) == "/sys") {
        std::fprintf(stderr, "fake-pppd: BRIVEX_RUNDIR and BRIVEX_SYSFS must name a scratch tree\n");
        return 1;
    }
    g_runDir = run;
    g_sysfs = sysfs;
    g_record = g_runDir + "/fake-pppd.record";
    Record("start " + std::to_string(::getpid()));

    Options o;
    if (const char* extra = std::getenv("BRIVEX_FAKE_PPPD_OPTIONS"); extra && *extra && fs::exists(extra))
        ParseFile(extra, o);
    Parse(std::vector<std::string>(argv + 1, argv + argc), o, false);
    for (const auto& w : o.words)
        Record(w);

    if (o.tty.empty())
        Exit(2, "pppd: no device specified and stdin is not a tty");
    if (!o.linkName.empty()) {
        g_link.pidFile = g_runDir + "/ppp-" + o.linkName + ".pid";
        WritePidFile(false);
    }
    const int fd = ::open(o.tty.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        RemoveLink();
        Exit(7, "Failed to open " + o.tty + ": " + std::strerror(errno));
    }
    termios tio {};
    if (::tcgetattr(fd, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(fd, TCSANOW, &tio);
    }

    // The connect script.
    if (!o.connect.empty()) {
        const bool dialled = RunChat(fd, o.connect, o.delayMs);
        if (g_signal)
            Terminated(false, 0);
        if (!dialled || (o.failPhase == "chat")) {
            RemoveLink();
            Say("Connect script failed");
            Exit(o.failPhase == "chat" && o.failStatus ? o.failStatus : 8);
        }
    }
    if (!Pause(o.delayMs))
        Terminated(false, 0);
    Say("Serial connection established.");
    if (!Pause(o.delayMs))
        Terminated(false, 0);

    // The interface: the first pppN not taken under the scratch tree.
    for (int n = 0; n < 64; ++n) {
        const std::string name = "ppp" + std::to_string(n);
        std::error_code ec;
        if (fs::create_directories(g_sysfs + "/class/net/" + name + "/statistics", ec)) {
            g_link.ifName = name;
            break;
        }
    }
    g_link.statsDir = g_sysfs + "/class/net/" + g_link.ifName + "/statistics";
    WriteCounter("rx_bytes", 0);
    WriteCounter("tx_bytes", 0);
    Say("Using interface " + g_link.ifName);
    Say("Connect: " + g_link.ifName + " <--> " + o.tty);
    WritePidFile(true);
    if (!Pause(o.delayMs))
        Terminated(false, 0);
    if (o.failPhase == "lcp") {
        Say("LCP: timeout sending Config-Requests");
        End(o.failStatus ? o.failStatus : 10, false, 0);
    }
    if (!o.user.empty()) {
        if (o.failPhase == "auth") {
            Say("PAP authentication failed");
            End(o.failStatus ? o.failStatus : 19, false, 0);
        }
        Say("PAP authentication succeeded");
        if (!Pause(o.delayMs))
            Terminated(false, 0);
    }
    Say("local  IP address 10.64.64.64");
    Say("remote IP address 10.64.64.65");

    const auto up = std::chrono::steady_clock::now();
    const auto seconds = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - up).count(); };
    for (;;) {
        if (!Pause(100))
            Terminated(true, seconds());
        g_link.rx += static_cast<unsigned long long>(o.rxRate / 10);
        g_link.tx += static_cast<unsigned long long>(o.txRate / 10);
        WriteCounter("rx_bytes", g_link.rx);
        WriteCounter("tx_bytes", g_link.tx);
        if (o.failPhase == "connected" && seconds() * 1000 >= o.failAfterMs) {
            Say("Modem hangup");
            End(o.failStatus ? o.failStatus : 16, true, seconds());
        }
    }
}
