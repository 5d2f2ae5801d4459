#pragma once

#include <QObject>
#include <QRect>

#include <optional>

class QWidget;

namespace app {

// Centres a window's frame, title bar included, on its screen's available area when it is first
// shown. Until the window is mapped Qt knows only the client area, so the window is centred by
// that first and moved once the window manager has put its frame around it.
class FrameCentring : public QObject {
    Q_OBJECT
public:
    enum class Start {
        Now,
        // For a window whose size is only known when it is shown (a message box), which Qt
        // itself centres by that size first.
        OnceFramed,
    };

    // Centres `window` from `start` on; the window owns the object.
    explicit FrameCentring(QWidget* window, Start start = Start::Now);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The frame around the window, once the window manager has put one there.
    std::optional<QRect> framed() const;
    bool isCentred(const QRect& frame) const;
    void centre(const QRect& frame);

    static constexpr int kMostCentrings = 3;

    QWidget* window_;
    int centrings_ = 0;
    // Where the frame stood when the window was last moved.
    std::optional<QRect> movedFrom_;
};

} // namespace app
