#pragma once

#include <QString>

namespace lookup {

// The remedy body as the detail box shows it: every section heading "【" starts a new line
// (CR LF put in front of it, in one left-to-right pass), and the "#" markers are dropped.
// Example: "#【出处】甲【组成】乙#" gives "\r\n【出处】甲\r\n【组成】乙".
QString FormatRemedyBody(const QString& body);

} // namespace lookup
