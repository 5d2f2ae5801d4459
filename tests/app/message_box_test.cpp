#include "app/error_report.h"
#include "app/tform1.h"
#include "app/x11_frame.h"
#include "assets/embedded_database.h"
#include "window_test_main.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>
#include <optional>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

// While it lives, waits for each message box to come up and settle in its frame, notes where the
// frame's centre stands from the screen's, and presses the box's button.
class BoxPlaceRecorder : public QObject {
public:
    BoxPlaceRecorder() {
        connect(&timer_, &QTimer::timeout, this, &BoxPlaceRecorder::look);
        timer_.start(10);
    }

    // The text of the box and the offset of its frame's centre, once one was answered.
    std::optional<std::pair<QString, QPoint>> seen;

private:
    void look() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        // Without a window manager (the offscreen platform) the client area is the frame; on X,
        // the frame is read from the X server, not from Qt.
        const bool offscreen = QGuiApplication::platformName().startsWith(u"offscreen");
        const std::optional<QRect> frame = offscreen ? box->frameGeometry() : app::x11FrameOf(*box);
        const bool framed = offscreen || (frame && frame->size() != box->size());
        if (!shown_.isValid())
            shown_.start();
        if (!framed && shown_.elapsed() < 5000)
            return;
        if (!framed_.isValid())
            framed_.start();
        // The window manager and the box may still move it once.
        if (framed_.elapsed() < 300)
            return;
        const QPoint offset = frame.value_or(box->frameGeometry()).center() -
                              box->screen()->availableGeometry().center();
        seen = {box->text(), offset};
        QTest::mouseClick(box->defaultButton(), Qt::LeftButton);
        shown_.invalidate();
        framed_.invalidate();
    }

    QTimer timer_;
    QElapsedTimer shown_;
    QElapsedTimer framed_;
};

} // namespace

// Every message box of the program, and the error report, stands with its frame, title bar
// included, centred on the screen.
class MessageBoxTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerEmbeddedDatabase(); }
    void init() {
        runtime_.emplace();
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_->path()));
    }
    void cleanup() { runtime_.reset(); }

    // Shown before the main window: a read-only file stands where the working copy goes.
    void startUpErrorIsCentred() {
        QFile planted(runtime_->filePath(u"ResBuild.dll"_s));
        QVERIFY(planted.open(QIODevice::WriteOnly));
        planted.close();
        QVERIFY(planted.setPermissions(QFile::ReadOwner));
        BoxPlaceRecorder recorder;
        TForm1 form;
        checkCentred(recorder, u"程序发生未知错误,请联系客服！"_s);
    }

    void messageIsCentred() {
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        BoxPlaceRecorder recorder;
        QTest::mouseClick(form.findChild<QPushButton*>(u"Button_Copy"_s), Qt::LeftButton);
        checkCentred(recorder, u"请选择一条信息再复制！"_s);
    }

    void errorReportIsCentred() {
        BoxPlaceRecorder recorder;
        app::runReportingErrors([] { throw std::runtime_error("Cannot open file"); });
        checkCentred(recorder, u"Cannot open file."_s);
    }

private:
    static void checkCentred(const BoxPlaceRecorder& recorder, const QString& text) {
        QVERIFY(recorder.seen);
        QCOMPARE(recorder.seen->first, text);
        const QPoint offset = recorder.seen->second;
        // Odd sizes round by a pixel either way.
        QVERIFY2(offset.manhattanLength() <= 4,
                 qPrintable(u"%1,%2"_s.arg(offset.x()).arg(offset.y())));
    }

    std::optional<QTemporaryDir> runtime_;
};

VORLANTIX_WINDOW_TEST_MAIN(MessageBoxTest)
#include "message_box_test.moc"
