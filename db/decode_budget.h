#pragma once

#include <QString>

namespace db {

// How much the engine may decode from one file, in bytes: everything it reads from a file
// (texts, long values, numbers) is charged here, so that a small file whose rows all point at
// one huge value cannot make it decode without end. An honest file decodes to about its own
// size (twice that for compressed text), so a few times the file's size is ample; the fixed
// ceiling keeps a large file from claiming more memory than a desktop has.
class DecodeBudget {
public:
    static constexpr qsizetype kFileSizeMultiple = 4;
    static constexpr qsizetype kCeiling = qsizetype{1} << 30;

    DecodeBudget(qsizetype fileSize, QString fileName);

    // Takes `bytes` from the budget; throws DatabaseError when it is spent.
    void charge(qsizetype bytes);
    qsizetype left() const { return left_; }

private:
    qsizetype left_;
    QString fileName_;
};

} // namespace db
