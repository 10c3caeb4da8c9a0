#pragma once

#include <optional>
#include <string>

namespace brivex {

// Reads pppd's progress lines (its log on standard output, with chat's
// verbose lines on standard error) as the connection states the program
// shows, and names pppd's exit statuses.
class CPppdProgress {
public:
    // The state a line moves the dial to, or nullopt for a line that says
    // nothing new. The current state is given so a state never goes back.
    static std::optional<int> StateOfLine(const std::string& line, int current);
    // The interface a "Using interface ppp0" line names (checked to be a plain name).
    static std::optional<std::string> InterfaceOfLine(const std::string& line);
    // The text of a pppd exit status (1..19); empty for other values.
    static const char* ExitText(int status);
    static bool IsInterfaceName(const std::string& name);
};

}  // namespace brivex
