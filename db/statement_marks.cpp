#include "db/statement_marks.h"

using namespace Qt::Literals::StringLiterals;

namespace db {

StatementMarks::StatementMarks(const SelectStatement& statement) {
    for (const LikeTest& test : statement.anyOf)
        tests_.push_back({test.column, std::make_shared<const LikePattern>(test.pattern)});
}

StatementMarks StatementMarks::forLines(const QStringList& lines) {
    return StatementMarks(parseStatement(lines.join(u"\r\n"_s)));
}

std::vector<LikeSpan> StatementMarks::runsIn(QStringView column, const QString& text) const {
    std::vector<LikeSpan> runs;
    for (const Test& test : tests_) {
        // Column names ignore case, as the engine's do.
        if (test.column.compare(column, Qt::CaseInsensitive) != 0)
            continue;
        for (const LikeSpan& span : test.pattern->occurrences(text)) {
            if (!runs.empty() && runs.back().end == span.begin)
                runs.back().end = span.end;
            else
                runs.push_back(span);
        }
        break; // a search tests each column once: a second test on it is not marked
    }
    return runs;
}

} // namespace db
