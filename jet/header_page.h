#pragma once

#include "jet/bytes.h"

#include <cstdint>
#include <span>

namespace jet {

// XORs `data` with the RC4 keystream of `key` (masking and unmasking are the same operation).
void rc4Apply(std::span<const std::uint8_t> key, std::span<std::uint8_t> data);

// The database header page: a Jet 4 file with no password and no encryption.
// `creationDate` is an OLE date (days since 1899-12-30); `sortOrder` the collation's locale id.
Bytes encodeHeaderPage(double creationDate, std::uint16_t sortOrder);

} // namespace jet
