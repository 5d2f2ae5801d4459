#include "db/like_pattern.h"

#include <QHash>
#include <QList>

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

namespace db {
namespace {

constexpr char16_t kAnyRun = u'%';
constexpr char16_t kAnyChar = u'_';
constexpr int kWordBits = 64;

struct CodePoint {
    char32_t value;
    qsizetype length; // UTF-16 units
};

// The code point at `at`. A lone surrogate counts as one character with its own value, which no
// pair decodes to, so it only ever equals the same lone surrogate.
CodePoint codePointAt(QStringView text, qsizetype at) {
    const QChar first = text[at];
    if (first.isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate()) {
        return {QChar::surrogateToUcs4(first, text[at + 1]), 2};
    }
    return {first.unicode(), 1};
}

// Start of the code point that ends at `end`.
qsizetype codePointStartBefore(QStringView text, qsizetype end) {
    const bool pair = end >= 2 && text[end - 1].isLowSurrogate() && text[end - 2].isHighSurrogate();
    return pair ? end - 2 : end - 1;
}

// The unit `count` code points after `at`, or -1 when the text ends first.
qsizetype skipCodePoints(QStringView text, qsizetype at, qsizetype count) {
    for (; count > 0; --count) {
        if (at >= text.size()) {
            return -1;
        }
        at += codePointAt(text, at).length;
    }
    return at;
}

// Whether text[at, at + length) neither begins nor ends inside a surrogate pair: a lone
// surrogate at either end of a piece must not match half of a pair.
bool onCodePointBoundaries(QStringView text, qsizetype at, qsizetype length) {
    const qsizetype end = at + length;
    const bool splitsStart = at > 0 && text[at].isLowSurrogate() && text[at - 1].isHighSurrogate();
    const bool splitsEnd =
        end < text.size() && text[end].isLowSurrogate() && text[end - 1].isHighSurrogate();
    return !splitsStart && !splitsEnd;
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

// next = ((state << 1) | 1) & mask over words [from, to) of a shift-and state; below `from`
// all is left behind, so nothing is carried up from there. Long cores spend nearly all their time
// here: four words at a time as one vector, in AVX2 instructions where the processor has them.
__attribute__((target_clones("avx2", "default"))) void
shiftAnd(const quint64* state, quint64* next, const quint64* mask, size_t from, size_t to) {
    next[from] = ((state[from] << 1) | (from == 0 ? 1 : 0)) & mask[from];
    size_t w = from + 1;
    using Words = quint64 __attribute__((vector_size(4 * sizeof(quint64))));
    for (; w + 4 <= to; w += 4) {
        Words current;
        Words below;
        Words letters;
        std::memcpy(&current, state + w, sizeof(Words));
        std::memcpy(&below, state + w - 1, sizeof(Words));
        std::memcpy(&letters, mask + w, sizeof(Words));
        const Words shifted = ((current << 1) | (below >> (kWordBits - 1))) & letters;
        std::memcpy(next + w, &shifted, sizeof(Words));
    }
    for (; w < to; ++w) {
        next[w] = ((state[w] << 1) | (state[w - 1] >> (kWordBits - 1))) & mask[w];
    }
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

// Finds a piece core that holds "_", in code points, with the shift-and method: bit i of the
// state says that the core's first i + 1 characters end at the current text character. The
// state takes one 64-bit word per 64 characters of the core; words above the highest live one
// and below those that can no longer reach a match are left alone, and while nothing is under
// way the search skips to the core's first letter. A core with fewer letters than words of
// state is searched letter by letter instead.
class LikePattern::WildcardSearch {
public:
    explicit WildcardSearch(QStringView core) {
        firstLetter_ = codePointAt(core, 0).value; // a core begins with a letter
        firstUnit_ = core[0];
        std::vector<std::pair<char32_t, qsizetype>> letters; // code point and offset
        std::vector<qsizetype> anyCharacters;
        for (qsizetype at = 0; at < core.size(); ++length_) {
            const CodePoint point = codePointAt(core, at);
            if (core[at] == kAnyChar) {
                anyCharacters.push_back(length_);
                points_.push_back(kAny);
            } else {
                letters.emplace_back(point.value, length_);
                points_.push_back(point.value);
            }
            at += point.length;
        }
        words_ = (length_ + kWordBits - 1) / kWordBits;
        masks_.assign(static_cast<size_t>(words_), 0);
        for (const qsizetype i : anyCharacters) {
            setBit(masks_.data(), static_cast<size_t>(i));
        }
        // Each letter's offsets together, in order.
        std::sort(letters.begin(), letters.end());
        size_t distinct = 0;
        for (size_t i = 0; i < letters.size(); ++i) {
            if (i == 0 || letters[i].first != letters[i - 1].first) {
                ++distinct;
            }
        }
        size_t slots = 2;
        while (slots < 2 * distinct) {
            slots *= 2;
        }
        slots_.resize(slots);
        slotMask_ = slots - 1;
        // Letter by letter when the state's words would cost more than the letters.
        const bool byLetters = static_cast<qsizetype>(letters.size()) < words_;
        for (auto group = letters.begin(); group != letters.end();) {
            const auto groupEnd = std::find_if(group, letters.end(), [group](const auto& letter) {
                return letter.first != group->first;
            });
            Letter letter{group->first, distinctLetters_++, -1, 0, 0};
            // A letter that occurs at least once per word of state costs less as a whole mask
            // than bit by bit; the others are set bit by bit, so the masks stay within one
            // word per character of the core.
            if (byLetters) {
                for (auto it = group; it != groupEnd; ++it) {
                    letterOffsets_.emplace_back(it->second, letter.id);
                }
            } else if (groupEnd - group >= words_) {
                letter.mask = static_cast<qsizetype>(masks_.size());
                masks_.resize(masks_.size() + static_cast<size_t>(words_));
                std::copy_n(masks_.begin(), words_, masks_.begin() + letter.mask); // the "_"
                for (auto it = group; it != groupEnd; ++it) {
                    setBit(masks_.data() + letter.mask, static_cast<size_t>(it->second));
                }
            } else {
                letter.positionsBegin = static_cast<qsizetype>(positions_.size());
                for (auto it = group; it != groupEnd; ++it) {
                    positions_.push_back(it->second);
                }
                letter.positionsEnd = static_cast<qsizetype>(positions_.size());
            }
            size_t slot = hash(letter.codePoint);
            while (slots_[slot].codePoint != kAny) {
                slot = (slot + 1) & slotMask_;
            }
            slots_[slot] = letter;
            group = groupEnd;
        }
    }

    // End of the leftmost occurrence that starts at or after `from`, or -1. Starts are first
    // tried one by one, comparing directly: that finds an early occurrence at once, where the
    // search would first carry every prefix of the core along. It gives up after about as many
    // steps as the core is long, so that the worst case stays the search's.
    qsizetype findEnd(QStringView text, qsizetype from) const {
        qsizetype steps = length_;
        qsizetype start = findFirstLetter(text, from);
        while (start >= 0 && steps > 0) {
            qsizetype at = start;
            size_t matched = 0;
            for (; matched < points_.size(); ++matched, --steps) {
                if (at >= text.size()) {
                    return -1; // no later start has more text left
                }
                const CodePoint point = codePointAt(text, at);
                if (points_[matched] != kAny && points_[matched] != point.value) {
                    break;
                }
                at += point.length;
            }
            if (matched == points_.size()) {
                return at;
            }
            start = findFirstLetter(text, start + codePointAt(text, start).length);
        }
        if (start < 0) {
            return -1;
        }
        return letterOffsets_.empty() ? findEndByState(text, start) : findEndByLetters(text, start);
    }

private:
    qsizetype findEndByState(QStringView text, qsizetype from) const {
        const auto words = static_cast<size_t>(words_);
        std::vector<quint64> buffers(2 * words, 0);
        quint64* state = buffers.data();
        quint64* next = state + words;
        size_t live = 0;      // words of `state` from which on all are zero
        size_t nextDirty = 0; // words of `next` that may still hold an old state
        size_t dead = 0;      // words of both below which no bit can still end in a match
        const size_t lastWord = static_cast<size_t>(length_ - 1) / kWordBits;
        const quint64 lastBit = quint64{1} << ((length_ - 1) % kWordBits);
        for (qsizetype at = from; at < text.size();) {
            if (live == dead) {
                // Nothing under way that can still end in a match: an occurrence can only
                // begin at the core's first letter, and only while enough text is left.
                at = dead > 0 ? -1 : findFirstLetter(text, at);
                if (at < 0) {
                    return -1;
                }
            }
            const CodePoint point = codePointAt(text, at);
            at += point.length;
            // Bit i needs length_ - 1 - i more characters, each at least one unit, and the
            // character before took at most two: words wholly below that are left behind.
            const qsizetype needed = length_ - 3 - (text.size() - at);
            dead = std::max(dead, needed > 0 ? static_cast<size_t>(needed) / kWordBits : 0);
            const Letter& letter = find(point.value);
            const quint64* mask = masks_.data() + std::max<qsizetype>(letter.mask, 0);
            const size_t limit = std::min(std::max(live, dead) + 1, words);
            shiftAnd(state, next, mask, dead, limit);
            std::fill(next + limit, next + std::max(limit, nextDirty), 0);
            for (qsizetype p = letter.positionsBegin; p < letter.positionsEnd; ++p) {
                const auto bit = static_cast<size_t>(positions_[static_cast<size_t>(p)]);
                if (bit < dead * kWordBits) {
                    continue;
                }
                if (bit == 0 || (bit > dead * kWordBits && testBit(state, bit - 1))) {
                    setBit(next, bit);
                }
            }
            if ((next[lastWord] & lastBit) != 0) {
                return at;
            }
            nextDirty = live;
            live = limit;
            while (live > dead && next[live - 1] == 0) {
                --live;
            }
            std::swap(state, next);
        }
        return -1;
    }

    // For a core of few letters and many "_" ("a", 60,000 "_", "b"), where the state would
    // carry a lone bit through many words: one bit per text character for each letter, and the
    // occurrences are where every letter of the core finds its own, at its offset. The text is
    // taken a window at a time, so that the cost follows the text up to the occurrence.
    qsizetype findEndByLetters(QStringView text, qsizetype from) const {
        const auto length = static_cast<size_t>(length_);
        const size_t window = length;  // occurrences tried at once: what it costs, it covers
        std::vector<qsizetype> starts; // unit where each character of the window begins
        std::vector<quint64> seen;
        std::vector<quint64> fits;
        for (qsizetype windowStart = from;;) {
            starts.clear();
            qsizetype at = windowStart;
            for (; at < text.size() && starts.size() < window + length - 1;
                 at += codePointAt(text, at).length) {
                starts.push_back(at);
            }
            const size_t characters = starts.size();
            if (characters < length) {
                return -1;
            }
            starts.push_back(at); // where the window's last character ends
            const size_t textWords = (characters + kWordBits - 1) / kWordBits + 1;
            seen.assign(static_cast<size_t>(distinctLetters_) * textWords, 0);
            for (size_t j = 0; j < characters; ++j) {
                const Letter& letter = find(codePointAt(text, starts[j]).value);
                if (letter.id >= 0) {
                    setBit(seen.data() + static_cast<size_t>(letter.id) * textWords, j);
                }
            }
            const size_t candidates = characters - length + 1;
            fits.assign((candidates + kWordBits - 1) / kWordBits, ~quint64{0});
            if (candidates % kWordBits != 0) {
                fits.back() = (quint64{1} << (candidates % kWordBits)) - 1;
            }
            for (const auto& [offset, id] : letterOffsets_) {
                const quint64* letterSeen = seen.data() + static_cast<size_t>(id) * textWords;
                const size_t skip = static_cast<size_t>(offset) / kWordBits;
                const size_t shift = static_cast<size_t>(offset) % kWordBits;
                for (size_t w = 0; w < fits.size(); ++w) {
                    quint64 bits = letterSeen[w + skip] >> shift;
                    if (shift != 0) {
                        bits |= letterSeen[w + skip + 1] << (kWordBits - shift);
                    }
                    fits[w] &= bits;
                }
            }
            for (size_t w = 0; w < fits.size(); ++w) {
                if (fits[w] != 0) {
                    const auto first =
                        w * kWordBits + static_cast<size_t>(std::countr_zero(fits[w]));
                    return starts[first + length];
                }
            }
            if (candidates < window) {
                return -1; // the window reached the end of the text
            }
            windowStart = starts[window];
        }
    }

    static constexpr char32_t kAny = 0xFFFFFFFF; // no code point has it

    // A letter of the core: its mask of positions (with every "_" set) or its positions.
    struct Letter {
        char32_t codePoint = kAny;
        qsizetype id = -1;
        qsizetype mask = -1; // offset into masks_
        qsizetype positionsBegin = 0;
        qsizetype positionsEnd = 0;
    };

    // The first unit from `at` on where the core's first letter begins, or -1.
    qsizetype findFirstLetter(QStringView text, qsizetype at) const {
        if (text.size() - at < length_) {
            return -1;
        }
        for (;;) {
            at = text.indexOf(firstUnit_, at);
            if (at < 0 || text.size() - at < length_) {
                return -1;
            }
            const bool splitsPair =
                at > 0 && text[at].isLowSurrogate() && text[at - 1].isHighSurrogate();
            if (!splitsPair && codePointAt(text, at).value == firstLetter_) {
                return at;
            }
            ++at;
        }
    }

    static void setBit(quint64* words, size_t bit) {
        words[bit / kWordBits] |= quint64{1} << (bit % kWordBits);
    }
    static bool testBit(const quint64* words, size_t bit) {
        return ((words[bit / kWordBits] >> (bit % kWordBits)) & 1) != 0;
    }
    size_t hash(char32_t codePoint) const {
        return static_cast<size_t>(codePoint * 0x9E3779B1U) & slotMask_;
    }
    // The letter, or an empty slot (mask -1, no positions) for a character not in the core.
    const Letter& find(char32_t codePoint) const {
        size_t slot = hash(codePoint);
        while (slots_[slot].codePoint != codePoint && slots_[slot].codePoint != kAny) {
            slot = (slot + 1) & slotMask_;
        }
        return slots_[slot];
    }

    qsizetype length_ = 0;         // code points
    std::vector<char32_t> points_; // the core's characters, kAny for "_"
    char32_t firstLetter_ = 0;
    QChar firstUnit_;
    qsizetype words_ = 0;
    std::vector<quint64> masks_; // the "_" positions, then the letters' masks
    std::vector<qsizetype> positions_;
    std::vector<Letter> slots_; // open addressing on the code point
    qsizetype distinctLetters_ = 0;
    // Each letter's offset in the core and id, when the core is searched letter by letter.
    std::vector<std::pair<qsizetype, qsizetype>> letterOffsets_;
    size_t slotMask_ = 0;
};

LikePattern::LikePattern(QStringView pattern) : folded_(foldCase(pattern.toString())) {
    anchoredStart_ = !folded_.startsWith(kAnyRun);
    anchoredEnd_ = !folded_.endsWith(kAnyRun);
    QHash<QStringView, int> searchOfCore; // a core that comes again shares its search
    for (qsizetype begin = 0; begin < folded_.size();) {
        qsizetype end = folded_.indexOf(kAnyRun, begin);
        if (end < 0) {
            end = folded_.size();
        }
        if (end > begin) {
            addPiece(begin, end, searchOfCore);
        }
        begin = end + 1;
    }
}

LikePattern::~LikePattern() = default;
LikePattern::LikePattern(LikePattern&&) noexcept = default;
LikePattern& LikePattern::operator=(LikePattern&&) noexcept = default;

void LikePattern::addPiece(qsizetype begin, qsizetype end, QHash<QStringView, int>& searchOfCore) {
    Piece piece{begin, end};
    const QStringView units = QStringView(folded_).sliced(begin, end - begin);
    for (qsizetype at = 0; at < units.size(); at += codePointAt(units, at).length) {
        ++piece.codePoints;
    }
    while (piece.leadingAny < units.size() && units[piece.leadingAny] == kAnyChar) {
        ++piece.leadingAny;
    }
    while (piece.coreEnd() > piece.coreBegin() && folded_[piece.coreEnd() - 1] == kAnyChar) {
        ++piece.trailingAny;
    }
    const QStringView core =
        QStringView(folded_).sliced(piece.coreBegin(), piece.coreEnd() - piece.coreBegin());
    if (core.contains(kAnyChar)) {
        const auto known = searchOfCore.constFind(core);
        if (known != searchOfCore.cend()) {
            piece.wildcardSearch = *known;
        } else {
            piece.wildcardSearch = static_cast<int>(wildcardSearches_.size());
            searchOfCore.insert(core, piece.wildcardSearch);
            wildcardSearches_.emplace_back(core);
        }
    } else if (!core.isEmpty()) {
        borders_.resize(static_cast<size_t>(folded_.size()));
        qsizetype* border = borders_.data() + piece.coreBegin();
        border[0] = 0;
        for (qsizetype i = 1, length = 0; i < core.size(); ++i) {
            while (length > 0 && core[i] != core[length]) {
                length = border[length - 1];
            }
            if (core[i] == core[length]) {
                ++length;
            }
            border[i] = length;
        }
    }
    minimumCodePoints_ += piece.codePoints;
    pieces_.push_back(piece);
}

qsizetype LikePattern::matchPieceAt(const Piece& piece, QStringView text, qsizetype at) const {
    const QStringView units = QStringView(folded_).sliced(piece.begin, piece.end - piece.begin);
    for (qsizetype i = 0; i < units.size();) {
        if (at >= text.size()) {
            return -1;
        }
        const CodePoint wanted = codePointAt(units, i);
        const CodePoint found = codePointAt(text, at);
        if (units[i] != kAnyChar && wanted.value != found.value) {
            return -1;
        }
        i += wanted.length;
        at += found.length;
    }
    return at;
}

// Leftmost occurrence of the core folded_[coreBegin, coreEnd) in `text` from `from` on. memmem
// over the UTF-16 bytes is the fastest search the C library offers. A hit on an odd byte, or
// one that splits a surrogate pair, is no hit: the rest is left to the linear search by units,
// so that many such hits cannot add up.
qsizetype LikePattern::findLiteral(QStringView text, qsizetype coreBegin, qsizetype coreEnd,
                                   qsizetype from) const {
    const qsizetype length = coreEnd - coreBegin;
    const auto* base = reinterpret_cast<const char*>(text.data());
    const void* hit = ::memmem(base + from * 2, static_cast<size_t>(text.size() - from) * 2,
                               folded_.constData() + coreBegin, static_cast<size_t>(length) * 2);
    if (hit == nullptr) {
        return -1;
    }
    const auto offset = static_cast<const char*>(hit) - base;
    if (offset % 2 == 0 && onCodePointBoundaries(text, offset / 2, length)) {
        return offset / 2;
    }
    return findLiteralByUnits(text, coreBegin, coreEnd, offset / 2 + 1);
}

qsizetype LikePattern::findLiteralByUnits(QStringView text, qsizetype coreBegin, qsizetype coreEnd,
                                          qsizetype from) const {
    const QStringView core = QStringView(folded_).sliced(coreBegin, coreEnd - coreBegin);
    const qsizetype* border = borders_.data() + coreBegin;
    qsizetype matched = 0;
    for (qsizetype at = from; at < text.size(); ++at) {
        while (matched > 0 && text[at] != core[matched]) {
            matched = border[matched - 1];
        }
        if (text[at] == core[matched]) {
            ++matched;
        }
        if (matched == core.size()) {
            const qsizetype start = at + 1 - matched;
            if (onCodePointBoundaries(text, start, matched)) {
                return start;
            }
            matched = border[matched - 1];
        }
    }
    return -1;
}

// End of the leftmost occurrence of the piece in `text` from `from` on, or -1. The first
// occurrence is the right one to take: it leaves the most text for the pieces after it.
qsizetype LikePattern::findPiece(const Piece& piece, QStringView text, qsizetype from) const {
    const qsizetype coreStart = skipCodePoints(text, from, piece.leadingAny);
    if (coreStart < 0) {
        return -1;
    }
    qsizetype coreEnd = coreStart;
    if (piece.wildcardSearch >= 0) {
        coreEnd =
            wildcardSearches_[static_cast<size_t>(piece.wildcardSearch)].findEnd(text, coreStart);
    } else if (piece.coreEnd() > piece.coreBegin()) {
        const qsizetype hit = findLiteral(text, piece.coreBegin(), piece.coreEnd(), coreStart);
        coreEnd = hit < 0 ? -1 : hit + piece.coreEnd() - piece.coreBegin();
    }
    return coreEnd < 0 ? -1 : skipCodePoints(text, coreEnd, piece.trailingAny);
}

bool LikePattern::matchesPieceAtEnd(const Piece& piece, QStringView text, qsizetype from) const {
    // A piece spans a fixed number of code points, so only one start can end it at the end.
    qsizetype start = text.size();
    for (qsizetype i = 0; i < piece.codePoints; ++i) {
        if (start <= from) {
            return false;
        }
        start = codePointStartBefore(text, start);
    }
    return matchPieceAt(piece, text, start) == text.size();
}

bool LikePattern::matchesFolded(QStringView text) const {
    if (text.size() < minimumCodePoints_) {
        return false; // each character takes at least one unit
    }
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
    return !anchoredEnd_ || matchesPieceAtEnd(pieces_.back(), text, at);
}

// Each occurrence begins at the leftmost place where the first piece does; every later piece is
// then taken where it first occurs, which gives each "%" its shortest run. When a later piece is
// missing, it is missing after every later start too, so the search ends there.
std::vector<LikeSpan> LikePattern::occurrencesFolded(QStringView text) const {
    std::vector<LikeSpan> spans;
    if (pieces_.empty() || text.size() < minimumCodePoints_) {
        return spans; // each character takes at least one unit
    }
    for (qsizetype from = 0; from < text.size();) {
        qsizetype end = findPiece(pieces_.front(), text, from);
        if (end < 0) {
            break;
        }
        // A piece spans a fixed number of characters, one at least.
        qsizetype begin = end;
        for (qsizetype i = 0; i < pieces_.front().codePoints; ++i) {
            begin = codePointStartBefore(text, begin);
        }
        for (size_t i = 1; i < pieces_.size() && end >= 0; ++i) {
            end = findPiece(pieces_[i], text, end);
        }
        if (end < 0) {
            break;
        }
        spans.push_back({begin, end});
        from = end;
    }
    return spans;
}

} // namespace db
