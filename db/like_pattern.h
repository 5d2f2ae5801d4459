#pragma once

#include <QString>
#include <QStringView>

#include <vector>

namespace db {

// Folds letters with Unicode simple case folding, one code point at a time, so that the text
// keeps its length in code points ("ÄBC" -> "äbc", "ß" stays "ß"). Returns `text` itself,
// shared, when nothing changes, which is the rule for Chinese text.
QString foldCase(const QString& text);

// A `like` pattern: "%" stands for any run of characters (the empty run included), "_" for any
// one character (a Unicode code point, so one CJK character or one surrogate pair). Every
// other character stands for itself, compared without regard to case. The pattern is given
// unquoted: "%补气%", not "'%补气%'".
class LikePattern {
public:
    explicit LikePattern(QStringView pattern);

    // `text` must already be folded with foldCase().
    bool matchesFolded(QStringView text) const;
    bool matches(const QString& text) const { return matchesFolded(foldCase(text)); }

private:
    // A run of the pattern between two "%": literal characters, "_" marking any code point.
    struct Piece {
        QString characters;
        bool hasAnyChar = false;
    };

    static qsizetype matchPieceAt(const Piece& piece, QStringView text, qsizetype at);
    static qsizetype findPiece(const Piece& piece, QStringView text, qsizetype from);
    static qsizetype matchPieceAtEnd(const Piece& piece, QStringView text, qsizetype from);

    std::vector<Piece> pieces_;
    bool anchoredStart_ = true; // no "%" before the first piece
    bool anchoredEnd_ = true;   // no "%" after the last piece
};

} // namespace db
