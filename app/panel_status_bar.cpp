#include "app/panel_status_bar.h"

#include <QLabel>
#include <QPainter>
#include <qdrawutil.h>

namespace app {

PanelStatusBar::PanelStatusBar(const QList<int>& panelWidths, QWidget* parent)
    : QStatusBar(parent) {
    setSizeGripEnabled(false);
    for (int width : panelWidths) {
        // Placed by hand (see resizeEvent) rather than by QStatusBar's layout, which spaces its
        // widgets apart and stretches them.
        auto* panel = new QLabel(this);
        panel->setObjectName(QStringLiteral("panel%1").arg(panels_.size()));
        panel->setIndent(3);
        panel->resize(width, panel->height());
        panels_.append(panel);
    }
}

void PanelStatusBar::resizeEvent(QResizeEvent* event) {
    QStatusBar::resizeEvent(event);
    constexpr int kTopGap = 2;
    int left = 0;
    for (QLabel* panel : std::as_const(panels_)) {
        panel->setGeometry(left, kTopGap, panel->width(), height() - kTopGap);
        left += panel->width();
    }
}

void PanelStatusBar::paintEvent(QPaintEvent* event) {
    QStatusBar::paintEvent(event);
    // Each panel's sunken edge is drawn here, where no style sheet for labels can take it away.
    QPainter painter(this);
    for (const QLabel* panel : panels_)
        qDrawShadePanel(&painter, panel->geometry(), palette(), true, 1);
}

QString PanelStatusBar::panelText(int panel) const {
    return panels_.at(panel)->text();
}

void PanelStatusBar::setPanelText(int panel, const QString& text) {
    panels_.at(panel)->setText(text);
}

QRect PanelStatusBar::panelGeometry(int panel) const {
    return panels_.at(panel)->geometry();
}

} // namespace app
