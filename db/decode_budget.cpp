#include "db/decode_budget.h"

#include "db/database_error.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace db {

DecodeBudget::DecodeBudget(qsizetype fileSize, QString fileName)
    : left_(std::min(fileSize * kFileSizeMultiple, kCeiling)), fileName_(std::move(fileName)) {}

void DecodeBudget::charge(qsizetype bytes) {
    if (bytes > left_) {
        left_ = 0;
        throw DatabaseError(
            u"Database '%1' holds more data than its size allows; it is damaged"_s.arg(fileName_)
                .toStdString());
    }
    left_ -= bytes;
}

} // namespace db
