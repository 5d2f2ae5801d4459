#pragma once

#include "db/jet_image.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

namespace db {

class DecodeBudget;

// Where a row keeps a text value: its stored bytes, at `offset` in the file image.
struct StoredText {
    quint32 offset = 0;
    quint32 size = 0;
};

// Where a row keeps a long value (memo or OLE): the 12-byte head that the row stores for it
// and, for a value kept inside the row, the bytes after that head.
struct LongValueRef {
    std::array<unsigned char, 12> head{};
    QByteArray inlineBytes;
};

// Reads values straight from the file image: texts where the rows keep them, and long values. A
// value lives in the row itself (head flag 0x80), in one long-value row (0x40), or in a chain of
// long-value rows that each start with the page and row of the next (no flag). Every read stays
// inside the image and within the length the head states, so a damaged chain that loops or runs on
// ends in DatabaseError.
class StoredValueReader {
public:
    StoredValueReader() = default;
    // `image` is the whole file, its pages already checked to be 4096 bytes each; pages other
    // than the header are decrypted with `databaseKey` first when it is not 0. `damaged` is
    // the error text for a value that cannot be read.
    StoredValueReader(const JetImage& image, std::uint32_t databaseKey, QString damaged);

    // Walks the value and returns its length in bytes, charging `budget` as it goes.
    qsizetype measure(const LongValueRef& value, DecodeBudget& budget) const;
    // The value's bytes.
    QByteArray read(const LongValueRef& value) const;
    // A memo value's text.
    QString readText(const LongValueRef& value) const;
    // Where the row field at `bytes` (`size` bytes in `page`, libmdb's copy of page
    // `pageNumber`) lies in the image; nothing when it does not lie inside that page.
    std::optional<StoredText> locate(const void* bytes, qsizetype size, const void* page,
                                     quint32 pageNumber) const;
    // The text of a field that locate() found.
    QString read(const StoredText& text) const;

private:
    template <typename Visit>
    void walk(const LongValueRef& value, Visit&& visit) const;

    QByteArray pages_;
    std::shared_ptr<const void> pagesOwner_; // keeps a mapped file's pages
    QString damaged_;
};

} // namespace db
