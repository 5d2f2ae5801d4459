#include "jet/header_page.h"

#include "jet/format.h"

#include <array>
#include <bit>
#include <cmath>
#include <string_view>
#include <utility>

namespace jet {

namespace {

// Offsets inside the unmasked header.
constexpr std::size_t kVersionOffset = 0x14;
constexpr std::size_t kCodePageOffset = 0x3C;
constexpr std::size_t kDatabaseKeyOffset = 0x3E;
constexpr std::size_t kPasswordOffset = 0x42;
constexpr std::size_t kPasswordLength = 40;
constexpr std::size_t kSortOrderOffset = 0x6E;
constexpr std::size_t kCreationDateOffset = 0x72;
constexpr std::uint8_t kJet4 = 0x01;
constexpr std::uint16_t kCodePage = 1252; // what Access writes; Jet 4 text is UTF-16 regardless

} // namespace

void rc4Apply(std::span<const std::uint8_t> key, std::span<std::uint8_t> data) {
    std::array<std::uint8_t, 256> state{};
    for (std::size_t i = 0; i < state.size(); ++i) {
        state[i] = static_cast<std::uint8_t>(i);
    }
    std::size_t j = 0;
    for (std::size_t i = 0; i < state.size(); ++i) {
        j = (j + state[i] + key[i % key.size()]) % 256;
        std::swap(state[i], state[j]);
    }
    std::size_t a = 0;
    std::size_t b = 0;
    for (std::uint8_t& byte : data) {
        a = (a + 1) % 256;
        b = (b + state[a]) % 256;
        std::swap(state[a], state[b]);
        byte ^= state[(state[a] + state[b]) % 256];
    }
}

Bytes encodeHeaderPage(double creationDate, std::uint16_t sortOrder) {
    Bytes page(format::kPageSize, 0);
    page[1] = 0x01;
    constexpr std::string_view kMagic = "Standard Jet DB";
    std::copy(kMagic.begin(), kMagic.end(), page.begin() + 4);
    page[kVersionOffset] = kJet4;

    // Fields Access writes in the masked region, copied as they appear in its files.
    constexpr std::uint8_t kAccessFields[] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00,
                                              0x02, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,
                                              0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
    std::copy(std::begin(kAccessFields), std::end(kAccessFields),
              page.begin() + format::kHeaderMaskOffset);
    putLE(page, kCodePageOffset, kCodePage, 2);
    putLE(page, kDatabaseKeyOffset, 0, 4); // 0: pages are not encrypted
    // No password: the password area holds only its mask, the whole days of the creation date.
    const auto day = static_cast<std::uint32_t>(std::floor(creationDate));
    for (std::size_t at = 0; at < kPasswordLength; at += 4) {
        putLE(page, kPasswordOffset + at, day, 4);
    }
    putLE(page, kSortOrderOffset, sortOrder, 2);
    putLE(page, kCreationDateOffset, std::bit_cast<std::uint64_t>(creationDate), 8);
    // Engine and format marks that follow the masked region in Access files.
    putLE(page, 0x98, 0x0654, 4);
    constexpr std::string_view kFormatVersion = "4.0";
    std::copy(kFormatVersion.begin(), kFormatVersion.end(), page.begin() + 0x9C);

    rc4Apply(format::kHeaderMaskKey,
             std::span(page).subspan(format::kHeaderMaskOffset, format::kHeaderMaskLength));
    return page;
}

} // namespace jet
