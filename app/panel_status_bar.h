#pragma once

#include <QList>
#include <QStatusBar>

class QLabel;

namespace app {

// A status bar divided into fixed-width text panels, from the left.
class PanelStatusBar : public QStatusBar {
    Q_OBJECT
public:
    PanelStatusBar(const QList<int>& panelWidths, QWidget* parent = nullptr);

    int panelCount() const { return static_cast<int>(panels_.size()); }
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString& text);
    QRect panelGeometry(int panel) const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QList<QLabel*> panels_;
};

} // namespace app
