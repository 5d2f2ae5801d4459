#pragma once

#include <QString>

namespace db {

// The status-bar text that reports how many remedies the list holds, e.g. "共8030条信息".
QString countMessage(qsizetype count);

} // namespace db
