#pragma once

#include <stdexcept>
#include <string>

struct sqlite3;

namespace brivex {

// The one error of the store: every failure of the database layer arrives as
// this exception, with the database engine's own message as its description.
// Callers catch it where they call the store, log the description and abandon
// the operation.
class CDaoException : public std::runtime_error {
public:
    // Result code given when the error did not come from the engine.
    static constexpr int kStoreError = -1;

    explicit CDaoException(const std::string& description, int code = kStoreError);

    // The engine's current message for the connection (or for the result
    // code alone when there is no connection yet).
    static CDaoException FromEngine(sqlite3* db, int code);

    const std::string& Description() const { return m_description; }
    // The engine's extended result code, or kStoreError.
    int Code() const { return m_code; }

private:
    std::string m_description;
    int m_code;
};

}  // namespace brivex
