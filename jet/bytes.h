#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace jet {

using Bytes = std::vector<std::uint8_t>;

// Jet stores integers little-endian; only index keys and index child pointers are big-endian.
inline void putLE(std::span<std::uint8_t> out, std::size_t at, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i) {
        out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

inline void putBE(std::span<std::uint8_t> out, std::size_t at, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i) {
        out[at + static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(value >> (8 * (width - 1 - i)));
    }
}

inline void appendLE(Bytes& out, std::uint64_t value, int width) {
    out.resize(out.size() + static_cast<std::size_t>(width));
    putLE(out, out.size() - static_cast<std::size_t>(width), value, width);
}

inline void appendBE(Bytes& out, std::uint64_t value, int width) {
    out.resize(out.size() + static_cast<std::size_t>(width));
    putBE(out, out.size() - static_cast<std::size_t>(width), value, width);
}

inline void appendUtf16(Bytes& out, std::u16string_view text) {
    for (char16_t unit : text) {
        appendLE(out, unit, 2);
    }
}

} // namespace jet
