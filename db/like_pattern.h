#pragma once

#include <QHash>
#include <QString>
#include <QStringView>

#include <vector>

namespace db {

// Where an occurrence of a pattern stands in a text, in UTF-16 units: [begin, end).
struct LikeSpan {
    qsizetype begin = 0;
    qsizetype end = 0;
    friend bool operator==(const LikeSpan&, const LikeSpan&) = default;
};

// Folds letters with Unicode simple case folding, one code point at a time, so that the text
// keeps its length in code points ("ÄBC" -> "äbc", "ß" stays "ß"). Returns `text` itself,
// shared, when nothing changes, which is the rule for Chinese text.
QString foldCase(const QString& text);

// A `like` pattern: "%" stands for any run of characters (the empty run included), "_" for any
// one character (a Unicode code point, so one CJK character or one surrogate pair). Every
// other character stands for itself, compared without regard to case; a lone surrogate matches
// only the same lone surrogate, never half of a pair. The pattern is given unquoted: "%补气%",
// not "'%补气%'".
//
// Matching takes time linear in the text for a pattern of letters and "%" alone, and at most
// the text's length times a word per 64 characters of the longest run between two "%" otherwise,
// whatever the pattern.
class LikePattern {
public:
    explicit LikePattern(QStringView pattern);
    ~LikePattern();
    LikePattern(LikePattern&&) noexcept;
    LikePattern& operator=(LikePattern&&) noexcept;
    LikePattern(const LikePattern&) = delete;
    LikePattern& operator=(const LikePattern&) = delete;

    // `text` must already be folded with foldCase().
    bool matchesFolded(QStringView text) const;
    bool matches(const QString& text) const { return matchesFolded(foldCase(text)); }

    // Where the pattern occurs in `text`, "%" at either end left out: the leftmost occurrence,
    // each "%" inside it taking the shortest run, then the leftmost one after it, and so on, left
    // to right and never overlapping. A pattern of "%" alone occurs nowhere. Takes the same time
    // as a match over the text.
    std::vector<LikeSpan> occurrencesFolded(QStringView text) const;
    // Folding keeps every character in its plane, so the spans hold for `text` itself.
    std::vector<LikeSpan> occurrences(const QString& text) const {
        return occurrencesFolded(foldCase(text));
    }

private:
    class WildcardSearch;

    // A run of the pattern between two "%". Its core runs from its first to its last letter;
    // the "_" outside the core only ask for that many characters before and after it.
    struct Piece {
        qsizetype begin = 0; // units of folded_
        qsizetype end = 0;
        qsizetype codePoints = 0; // characters of text it matches
        qsizetype leadingAny = 0; // "_" before the core
        qsizetype trailingAny = 0;
        int wildcardSearch = -1; // into wildcardSearches_ when the core holds "_"

        qsizetype coreBegin() const { return begin + leadingAny; }
        qsizetype coreEnd() const { return end - trailingAny; }
    };

    void addPiece(qsizetype begin, qsizetype end, QHash<QStringView, int>& searchOfCore);
    qsizetype matchPieceAt(const Piece& piece, QStringView text, qsizetype at) const;
    qsizetype findPiece(const Piece& piece, QStringView text, qsizetype from) const;
    bool matchesPieceAtEnd(const Piece& piece, QStringView text, qsizetype from) const;
    qsizetype findLiteral(QStringView text, qsizetype coreBegin, qsizetype coreEnd,
                          qsizetype from) const;
    qsizetype findLiteralByUnits(QStringView text, qsizetype coreBegin, qsizetype coreEnd,
                                 qsizetype from) const;

    QString folded_;
    std::vector<Piece> pieces_;
    // For a core without "_", at its unit i: the length of the longest proper prefix of the
    // core that ends there too (the Knuth-Morris-Pratt table).
    std::vector<qsizetype> borders_;
    std::vector<WildcardSearch> wildcardSearches_;
    qsizetype minimumCodePoints_ = 0; // what all pieces together need
    bool anchoredStart_ = true;       // no "%" before the first piece
    bool anchoredEnd_ = true;         // no "%" after the last piece
};

} // namespace db
