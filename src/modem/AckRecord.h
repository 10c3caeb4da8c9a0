#pragma once

namespace brivex {

// The answer to a request whose response carries nothing but its header
// (key press, origination, settings writes, SMS send and delete, phonebook
// write and delete): its arrival with result 0 is the whole message.
struct AckRecord {};

}  // namespace brivex
