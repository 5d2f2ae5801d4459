#pragma once

// A plain `like` matcher to check the real one against: dynamic programming over code points,
// quadratic and obviously right. Shared by the engine's tests and its fuzz target.

#include "db/like_pattern.h"

#include <QString>

#include <vector>

namespace like_reference {

// Code points as `like` sees them: a surrogate pair is one, a lone surrogate keeps its own value
// (QString::toUcs4 would make it U+FFFD, equal to a real U+FFFD).
inline std::vector<char32_t> foldedCodePoints(const QString& text) {
    const QString folded = db::foldCase(text);
    std::vector<char32_t> points;
    for (qsizetype at = 0; at < folded.size(); ++at) {
        const QChar unit = folded[at];
        if (unit.isHighSurrogate() && at + 1 < folded.size() && folded[at + 1].isLowSurrogate()) {
            points.push_back(QChar::surrogateToUcs4(unit, folded[at + 1]));
            ++at;
        } else {
            points.push_back(unit.unicode());
        }
    }
    return points;
}

// matched[j]: the pattern's code points taken so far match the text's first j code points.
inline bool matches(const QString& pattern, const QString& text) {
    const std::vector<char32_t> textPoints = foldedCodePoints(text);
    std::vector<bool> matched(textPoints.size() + 1, false);
    matched[0] = true;
    for (const char32_t p : foldedCodePoints(pattern)) {
        if (p == U'%') {
            for (size_t j = 1; j <= textPoints.size(); ++j) {
                matched[j] = matched[j] || matched[j - 1];
            }
        } else {
            for (size_t j = textPoints.size(); j >= 1; --j) {
                matched[j] = matched[j - 1] && (p == U'_' || p == textPoints[j - 1]);
            }
            matched[0] = false;
        }
    }
    return matched[textPoints.size()];
}

// Where the leftmost occurrences stand, found the slow way: at each start from the end of the one
// before, every end in turn, asking the plain matcher about the substring.
inline std::vector<db::LikeSpan> occurrences(QString pattern, const QString& text) {
    while (pattern.startsWith(u'%'))
        pattern.remove(0, 1);
    while (pattern.endsWith(u'%'))
        pattern.chop(1);
    std::vector<qsizetype> boundaries; // where each character begins, and the end
    for (qsizetype at = 0; at < text.size();) {
        boundaries.push_back(at);
        const bool pair =
            text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate();
        at += pair ? 2 : 1;
    }
    boundaries.push_back(text.size());
    std::vector<db::LikeSpan> spans;
    if (pattern.isEmpty())
        return spans;
    for (size_t from = 0; from + 1 < boundaries.size();) {
        bool found = false;
        for (size_t begin = from; begin + 1 < boundaries.size() && !found; ++begin) {
            for (size_t end = begin + 1; end < boundaries.size() && !found; ++end) {
                const QString part =
                    text.sliced(boundaries[begin], boundaries[end] - boundaries[begin]);
                if (like_reference::matches(pattern, part)) {
                    spans.push_back({boundaries[begin], boundaries[end]});
                    from = end;
                    found = true;
                }
            }
        }
        if (!found)
            break;
    }
    return spans;
}

} // namespace like_reference
