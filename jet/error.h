#pragma once

#include <stdexcept>
#include <string>

namespace jet {

// Raised for input the writer cannot store faithfully; what() is UTF-8 text for the user.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

} // namespace jet
