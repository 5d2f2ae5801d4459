#pragma once

#include <QObject>

class QWidget;

namespace app {

// Reports the clicks on a widget that has no click signal of its own (a picture, a label, an edit
// box): a click is the left button pressed and released over the widget, a double-click the
// second press of a left-button double-click. The widget goes on handling its mouse events.
class ClickReporter : public QObject {
    Q_OBJECT
public:
    // Watches `widget`, which owns the reporter.
    explicit ClickReporter(QWidget* widget);

Q_SIGNALS:
    void clicked();
    void doubleClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool pressed_ = false;
};

} // namespace app
