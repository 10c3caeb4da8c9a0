#pragma once

#include <string>

namespace brivex {

// Whole writes on a file descriptor, retried across interruptions.
class CFdIo {
public:
    // True when every byte was written.
    static bool WriteAll(int fd, const std::string& data);
};

}  // namespace brivex
