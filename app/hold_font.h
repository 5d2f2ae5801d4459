#pragma once

class QFont;
class QWidget;

namespace app {

// Gives `control` and every widget inside it `font`. Under a style sheet Qt hands a parent's font
// on only to children that it polishes after the parent, and never to its own inner widgets (the
// tab widget's page stack, scroll areas' viewports, a combo box's text field and list), so each
// control that is to have a font other than the desktop's is given it itself: as it is made,
// before it has any text, which would otherwise be laid out first in the desktop's font.
void holdFont(QWidget* control, const QFont& font);

} // namespace app
