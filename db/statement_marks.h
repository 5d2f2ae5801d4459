#pragma once

#include "db/like_pattern.h"
#include "db/statement.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <vector>

namespace db {

// What a statement searches for, to be marked where it stands in the values it shows: in a text
// shown for a column, the occurrences of the pattern of the statement's `like` test on that
// column. A column without a test, or a statement without any, marks nothing. Copies share the
// patterns.
class StatementMarks {
public:
    StatementMarks() = default;
    explicit StatementMarks(const SelectStatement& statement);
    // The statement of a record set: its lines, as the set runs them.
    static StatementMarks forLines(const QStringList& lines);

    bool isEmpty() const { return tests_.empty(); }
    // The runs of `text` to mark: the pattern's occurrences, those that touch joined into one.
    std::vector<LikeSpan> runsIn(QStringView column, const QString& text) const;

private:
    struct Test {
        QString column;
        std::shared_ptr<const LikePattern> pattern;
    };
    std::vector<Test> tests_;
};

} // namespace db
