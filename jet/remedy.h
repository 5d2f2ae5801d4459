#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace jet {

// One row of table `data`.
struct Remedy {
    std::int32_t id;
    std::u16string title;
    std::optional<std::u16string> body; // nullopt is NULL

    bool operator==(const Remedy&) const = default;
};

} // namespace jet
