// The error raised by the host and its components.
#pragma once

#include <stdexcept>
#include <string>

#include "frame/export.h"

QOR_XS_CONTRACT_BEGIN
namespace qor {

// Thrown by the host for a failed operation (unknown component, failed statement, bad key).
// Plug-in handlers trap it like any other error.
class HostError : public std::runtime_error {
public:
    HostError(std::string source, const std::string& description, int number = 0)
        : std::runtime_error(description), source_(std::move(source)), number_(number) {}
    const std::string& Source() const { return source_; }
    int Number() const { return number_; }

private:
    std::string source_;
    int number_;
};

}  // namespace qor
QOR_XS_CONTRACT_END
