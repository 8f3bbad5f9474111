// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The toolkit's one error type. Codes follow the classic run-time error numbers
// so that a message or a log line means the same on every backend.
#include <stdexcept>
#include <string>

namespace tk {

enum class ErrorCode : int {
    InvalidCall = 5,
    Overflow = 6,
    OutOfMemory = 7,
    DivisionByZero = 11,
    TypeMismatch = 13,
    FileNotFound = 53,
    ResourceNotFound = 326,
    InvalidPropertyValue = 380,
};

class Error : public std::runtime_error {
public:
    Error(ErrorCode code, const std::string& what) : std::runtime_error(what), code_(code) {}
    ErrorCode code() const noexcept { return code_; }

private:
    ErrorCode code_;
};

}  // namespace tk
