#include "app/hold_font.h"

#include <QFont>
#include <QWidget>

namespace app {

void holdFont(QWidget* control, const QFont& font) {
    control->setFont(font);
    for (QWidget* inner : control->findChildren<QWidget*>())
        inner->setFont(font);
}

} // namespace app
