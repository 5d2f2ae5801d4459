#include "db/list_messages.h"

using namespace Qt::Literals::StringLiterals;

namespace db {

QString countMessage(qsizetype count) {
    return u"共"_s + QString::number(count) + u"条信息"_s;
}

} // namespace db
