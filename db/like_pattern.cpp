#include "db/like_pattern.h"

#include <QList>

#include <cstring>

namespace db {
namespace {

constexpr char16_t kAnyRun = u'%';
constexpr char16_t kAnyChar = u'_';

// The code point at `at` and how many UTF-16 units it takes; a lone surrogate counts as one
// character, as the text has it.
std::pair<char32_t, qsizetype> codePointAt(QStringView text, qsizetype at) {
    const QChar first = text[at];
    if (first.isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate()) {
        return {QChar::surrogateToUcs4(first, text[at + 1]), 2};
    }
    return {first.unicode(), 1};
}

// Leftmost occurrence of `needle` in `text` from `from` on. memmem over the UTF-16 bytes is
// the fastest search the C library offers; a hit on an odd byte straddles two characters
// and is skipped.
qsizetype findLiteral(QStringView text, QStringView needle, qsizetype from) {
    const auto* base = reinterpret_cast<const char*>(text.data());
    const auto* end = base + text.size() * 2;
    const auto needleBytes = static_cast<size_t>(needle.size()) * 2;
    const char* at = base + from * 2;
    while (at < end) {
        const void* hit = ::memmem(at, static_cast<size_t>(end - at), needle.data(), needleBytes);
        if (hit == nullptr) {
            return -1;
        }
        const auto offset = static_cast<const char*>(hit) - base;
        if (offset % 2 == 0) {
            return offset / 2;
        }
        at = static_cast<const char*>(hit) + 1;
    }
    return -1;
}

// Remedy texts are mostly CJK characters and ASCII, which have no or trivial case folding: answer
// those here, since the Unicode tables' look-up per character dominates reading the table.
char32_t foldedCodePoint(char32_t codePoint) {
    if (codePoint < 0x80) {
        return codePoint >= U'A' && codePoint <= U'Z' ? codePoint + (U'a' - U'A') : codePoint;
    }
    if (codePoint >= 0x3000 && codePoint <= 0x9FFF) { // CJK symbols, kana, ideographs: no case
        return codePoint;
    }
    return QChar::toCaseFolded(codePoint);
}

} // namespace

QString foldCase(const QString& text) {
    QString folded;
    qsizetype copied = 0; // text[0, copied) is already in `folded`
    for (qsizetype at = 0; at < text.size();) {
        const auto [codePoint, length] = codePointAt(text, at);
        const char32_t foldedPoint = foldedCodePoint(codePoint);
        if (foldedPoint != codePoint) {
            if (copied == 0) {
                folded.reserve(text.size());
            }
            folded.append(QStringView(text).sliced(copied, at - copied));
            const char32_t units[] = {foldedPoint};
            folded.append(QString::fromUcs4(units, 1));
            copied = at + length;
        }
        at += length;
    }
    if (copied == 0) {
        return text;
    }
    folded.append(QStringView(text).sliced(copied));
    return folded;
}

LikePattern::LikePattern(QStringView pattern) {
    const QString folded = foldCase(pattern.toString());
    anchoredStart_ = !folded.startsWith(kAnyRun);
    anchoredEnd_ = !folded.endsWith(kAnyRun);
    for (const QStringView piece : QStringView(folded).split(kAnyRun, Qt::SkipEmptyParts)) {
        pieces_.push_back({piece.toString(), piece.contains(kAnyChar)});
    }
}

qsizetype LikePattern::matchPieceAt(const Piece& piece, QStringView text, qsizetype at) {
    for (const QChar wanted : piece.characters) {
        if (at >= text.size()) {
            return -1;
        }
        if (wanted == kAnyChar) {
            at += codePointAt(text, at).second;
        } else if (text[at] == wanted) {
            ++at;
        } else {
            return -1;
        }
    }
    return at;
}

qsizetype LikePattern::findPiece(const Piece& piece, QStringView text, qsizetype from) {
    if (!piece.hasAnyChar) {
        const qsizetype hit = findLiteral(text, piece.characters, from);
        return hit < 0 ? -1 : hit + piece.characters.size();
    }
    for (qsizetype at = from; at < text.size(); at += codePointAt(text, at).second) {
        if (const qsizetype end = matchPieceAt(piece, text, at); end >= 0) {
            return end;
        }
    }
    return -1;
}

qsizetype LikePattern::matchPieceAtEnd(const Piece& piece, QStringView text, qsizetype from) {
    // A piece spans a fixed number of code points, so only one start can end it at the end.
    qsizetype start = text.size();
    for (qsizetype i = piece.characters.size() - 1; i >= 0; --i) {
        const bool pairInPiece = piece.characters[i].isLowSurrogate() && i > 0 &&
                                 piece.characters[i - 1].isHighSurrogate();
        if (pairInPiece) {
            --i;
            start -= 2;
        } else if (piece.characters[i] == kAnyChar && start >= 2 &&
                   text[start - 1].isLowSurrogate() && text[start - 2].isHighSurrogate()) {
            start -= 2;
        } else {
            start -= 1;
        }
    }
    if (start < from) {
        return -1;
    }
    return matchPieceAt(piece, text, start) == text.size() ? start : -1;
}

bool LikePattern::matchesFolded(QStringView text) const {
    if (pieces_.empty()) {
        return !(anchoredStart_ && anchoredEnd_) || text.isEmpty();
    }
    size_t first = 0;
    size_t last = pieces_.size();
    qsizetype at = 0;
    if (anchoredStart_) {
        at = matchPieceAt(pieces_.front(), text, 0);
        if (at < 0) {
            return false;
        }
        if (pieces_.size() == 1 && anchoredEnd_) {
            return at == text.size();
        }
        first = 1;
    }
    if (anchoredEnd_) {
        last -= 1;
    }
    for (size_t i = first; i < last; ++i) {
        at = findPiece(pieces_[i], text, at);
        if (at < 0) {
            return false;
        }
    }
    return !anchoredEnd_ || matchPieceAtEnd(pieces_.back(), text, at) >= 0;
}

} // namespace db
