// Feeds arbitrary text to the statement parser, and checks the `like` matcher against a plain
// dynamic-programming matcher over code points, and, for short inputs, the occurrences it finds
// (what the window marks) against a search of every substring. A first line of the input is the
// pattern, the rest the text to match. The input is read as:
//   - UTF-8, unless its first byte says otherwise;
//   - first byte 0xFF: UTF-16 units (little-endian), so that lone surrogates reach the matcher;
//   - first byte 0xFE: one unit per byte from a small alphabet of letters, wildcards, a lone
//     high and a lone low surrogate (which pair up when adjacent) and the line break, so that
//     hits, near misses and long pieces of "_" come often.

#include "db/database_error.h"
#include "db/like_pattern.h"
#include "db/statement.h"
#include "tests/db/like_reference.h"

#include <QString>

#include <array>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr qsizetype kLongestPattern = 300; // keeps the reference matcher quick
constexpr qsizetype kLongestText = 700;
// Occurrences are checked by trying every substring: on short inputs only.
constexpr qsizetype kLongestPatternForOccurrences = 16;
constexpr qsizetype kLongestTextForOccurrences = 32;

QString decodeInput(const uint8_t* data, size_t size) {
    if (size > 0 && data[0] == 0xFF) {
        QString units;
        for (size_t i = 1; i + 1 < size; i += 2) {
            units += QChar(static_cast<char16_t>(data[i] | data[i + 1] << 8));
        }
        return units;
    }
    if (size > 0 && data[0] == 0xFE) {
        static constexpr std::array<char16_t, 8> kAlphabet = {u'a',   u'B',   u'%', u'_',
                                                              0xD800, 0xDC00, u'b', u'\n'};
        QString units;
        for (size_t i = 1; i < size; ++i) {
            units += QChar(kAlphabet[data[i] % kAlphabet.size()]);
        }
        return units;
    }
    return QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString input = decodeInput(data, size);
    try {
        db::parseStatement(input);
    } catch (const db::DatabaseError&) {
    }

    const qsizetype newline = input.indexOf(u'\n');
    if (newline < 0 || newline > kLongestPattern || input.size() - newline > kLongestText) {
        return 0;
    }
    const QString pattern = input.left(newline);
    const QString text = input.mid(newline + 1);
    const db::LikePattern compiled(pattern);
    if (compiled.matches(text) != like_reference::matches(pattern, text)) {
        std::abort();
    }
    if (pattern.size() <= kLongestPatternForOccurrences &&
        text.size() <= kLongestTextForOccurrences &&
        compiled.occurrences(text) != like_reference::occurrences(pattern, text)) {
        std::abort();
    }
    return 0;
}
