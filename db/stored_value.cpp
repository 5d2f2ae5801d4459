#include "db/stored_value.h"

#include "db/database_error.h"
#include "db/decode_budget.h"
#include "db/jet_text.h"

#include <QtEndian>

#include <span>
#include <utility>

namespace db {
namespace {

constexpr qsizetype kPageSize = 4096;
// A data page's row count, followed by each row's offset; flag bits above the mask.
constexpr qsizetype kRowCountOffset = 12;
constexpr int kRowOffsetMask = 0x1fff;
constexpr unsigned char kInline = 0x80;
constexpr unsigned char kSinglePage = 0x40;

// Jet's page encryption: RC4 keyed with the database key XOR the page number.
void decryptPage(unsigned char* page, std::uint32_t key) {
    std::array<unsigned char, 4> keyBytes{};
    qToLittleEndian(key, keyBytes.data());
    std::array<unsigned char, 256> state{};
    for (size_t i = 0; i < state.size(); ++i) {
        state[i] = static_cast<unsigned char>(i);
    }
    unsigned char j = 0;
    for (size_t i = 0; i < state.size(); ++i) {
        j = static_cast<unsigned char>(j + state[i] + keyBytes[i % keyBytes.size()]);
        std::swap(state[i], state[j]);
    }
    unsigned char x = 0;
    unsigned char y = 0;
    for (qsizetype n = 0; n < kPageSize; ++n) {
        x = static_cast<unsigned char>(x + 1);
        y = static_cast<unsigned char>(y + state[x]);
        std::swap(state[x], state[y]);
        page[n] ^= state[static_cast<unsigned char>(state[x] + state[y])];
    }
}

} // namespace

StoredValueReader::StoredValueReader(const JetImage& image, std::uint32_t databaseKey,
                                     QString damaged)
    : pages_(image.bytes), pagesOwner_(image.owner), damaged_(std::move(damaged)) {
    if (databaseKey != 0) {
        auto* bytes = reinterpret_cast<unsigned char*>(pages_.data());
        for (qsizetype page = 1; page < pages_.size() / kPageSize; ++page) {
            decryptPage(bytes + page * kPageSize, databaseKey ^ static_cast<std::uint32_t>(page));
        }
    }
}

// Calls `visit(const char*, qsizetype)` for each stored piece of the value, in order.
template <typename Visit>
void StoredValueReader::walk(const LongValueRef& value, Visit&& visit) const {
    const auto fail = [this]() { throw DatabaseError(damaged_.toStdString()); };
    const auto stated =
        static_cast<qsizetype>(qFromLittleEndian<quint32>(value.head.data()) & 0x00ffffff);
    const unsigned char flags = value.head[3];
    if ((flags & kInline) != 0) {
        if (value.inlineBytes.size() > stated) {
            fail();
        }
        visit(value.inlineBytes.constData(), value.inlineBytes.size());
        return;
    }
    if ((flags & 0xf0) != 0 && (flags & kSinglePage) == 0) {
        fail();
    }
    if (stated == 0) {
        return;
    }
    // The row that `pageRow` (row number in the low byte, page above) names, inside the image.
    const auto row = [&](quint32 pageRow) {
        const qsizetype page = pageRow >> 8;
        const qsizetype index = pageRow & 0xff;
        if (page < 1 || page >= pages_.size() / kPageSize) {
            fail();
        }
        const char* start = pages_.constData() + page * kPageSize;
        const auto offsetOf = [start](qsizetype i) {
            return qFromLittleEndian<quint16>(start + kRowCountOffset + 2 + 2 * i) & kRowOffsetMask;
        };
        const qsizetype begin = offsetOf(index);
        const qsizetype end = index == 0 ? kPageSize : offsetOf(index - 1);
        if (begin >= kPageSize || begin > end) {
            fail();
        }
        return std::span<const char>(start + begin, static_cast<size_t>(end - begin));
    };
    quint32 next = qFromLittleEndian<quint32>(value.head.data() + 4);
    if ((flags & kSinglePage) != 0) {
        const std::span<const char> piece = row(next);
        if (std::ssize(piece) > stated) {
            fail();
        }
        visit(piece.data(), std::ssize(piece));
        return;
    }
    // Each piece adds at least one byte and the total stays within the stated length, so a
    // chain that loops ends here.
    qsizetype total = 0;
    while (next != 0) {
        const std::span<const char> piece = row(next);
        if (piece.size() <= 4) {
            return;
        }
        next = qFromLittleEndian<quint32>(piece.data());
        total += std::ssize(piece) - 4;
        if (total > stated) {
            fail();
        }
        visit(piece.data() + 4, std::ssize(piece) - 4);
    }
}

qsizetype StoredValueReader::measure(const LongValueRef& value, DecodeBudget& budget) const {
    qsizetype length = 0;
    walk(value, [&](const char*, qsizetype size) {
        budget.charge(size);
        length += size;
    });
    return length;
}

QString StoredValueReader::read(const StoredText& text) const {
    return jetText(pages_.constData() + text.offset, text.size);
}

std::optional<StoredText> StoredValueReader::locate(const void* bytes, qsizetype size,
                                                    const void* page, quint32 pageNumber) const {
    const auto start = reinterpret_cast<quintptr>(bytes) - reinterpret_cast<quintptr>(page);
    if (reinterpret_cast<quintptr>(bytes) < reinterpret_cast<quintptr>(page) || size < 0 ||
        start + static_cast<quintptr>(size) > static_cast<quintptr>(kPageSize) ||
        pageNumber >= static_cast<quint64>(pages_.size() / kPageSize)) {
        return std::nullopt;
    }
    return StoredText{static_cast<quint32>(pageNumber * kPageSize + static_cast<qsizetype>(start)),
                      static_cast<quint32>(size)};
}

QByteArray StoredValueReader::read(const LongValueRef& value) const {
    QByteArray bytes;
    walk(value, [&](const char* data, qsizetype size) { bytes.append(data, size); });
    return bytes;
}

QString StoredValueReader::readText(const LongValueRef& value) const {
    const QByteArray bytes = read(value);
    return jetText(bytes.constData(), bytes.size());
}

} // namespace db
