// Feeds arbitrary text to the statement parser, and checks the `like` matcher against a plain
// dynamic-programming matcher over code points. Input: UTF-8; a first line of the input is the
// pattern, the rest the text to match.

#include "db/database_error.h"
#include "db/like_pattern.h"
#include "db/statement.h"

#include <QString>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// match[i][j]: the first i pattern code points match the first j text code points.
bool referenceLike(const std::vector<char32_t>& pattern, const std::vector<char32_t>& text) {
    std::vector<std::vector<bool>> match(pattern.size() + 1,
                                         std::vector<bool>(text.size() + 1, false));
    match[0][0] = true;
    for (size_t i = 1; i <= pattern.size(); ++i) {
        const char32_t p = pattern[i - 1];
        match[i][0] = match[i - 1][0] && p == U'%';
        for (size_t j = 1; j <= text.size(); ++j) {
            if (p == U'%') {
                match[i][j] = match[i - 1][j] || match[i][j - 1];
            } else {
                match[i][j] = match[i - 1][j - 1] && (p == U'_' || p == text[j - 1]);
            }
        }
    }
    return match[pattern.size()][text.size()];
}

std::vector<char32_t> foldedCodePoints(const QString& text) {
    std::vector<char32_t> points;
    for (const char32_t point : db::foldCase(text).toUcs4()) {
        points.push_back(point);
    }
    return points;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString input =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        db::parseStatement(input);
    } catch (const db::DatabaseError&) {
    }

    const qsizetype newline = input.indexOf(u'\n');
    if (newline < 0 || newline > 64 || input.size() - newline > 512) {
        return 0; // keep the reference matcher's table small
    }
    const QString pattern = input.left(newline);
    const QString text = input.mid(newline + 1);
    const bool fast = db::LikePattern(pattern).matches(text);
    if (fast != referenceLike(foldedCodePoints(pattern), foldedCodePoints(text))) {
        std::abort();
    }
    return 0;
}
