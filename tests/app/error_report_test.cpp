#include "app/error_report.h"
#include "app/message_box.h"
#include "modal_box_answerer.h"
#include "window_test_main.h"

#include <QTest>

#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

std::exception_ptr errorWith(const char* message) {
    return std::make_exception_ptr(std::runtime_error(message));
}

// An error that wraps `inner`, as std::throw_with_nested builds it.
std::exception_ptr wrapping(const char* outer, const std::exception_ptr& inner) {
    try {
        try {
            std::rethrow_exception(inner);
        } catch (...) {
            std::throw_with_nested(std::runtime_error(outer));
        }
    } catch (...) {
        return std::current_exception();
    }
    return {};
}

} // namespace

class ErrorReportTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void reportText_data() {
        QTest::addColumn<std::exception_ptr>("error");
        QTest::addColumn<QString>("expected");
        QTest::newRow("letter gets a full stop")
            << errorWith("Cannot open file") << u"Cannot open file."_s;
        QTest::newRow("full stop kept as it is") << errorWith("Done.") << u"Done."_s;
        QTest::newRow("character below the full stop") << errorWith("Done!") << u"Done!"_s;
        QTest::newRow("hyphen just below") << errorWith("a-") << u"a-"_s;
        QTest::newRow("slash just above") << errorWith("a/") << u"a/."_s;
        QTest::newRow("full-width exclamation is above") << errorWith("出错！") << u"出错！."_s;
        QTest::newRow("empty message stays empty") << errorWith("") << QString();
        QTest::newRow("innermost error's message")
            << wrapping("outer", wrapping("middle", errorWith("inner"))) << u"inner."_s;
        QTest::newRow("empty innermost message: the wrapper's")
            << wrapping("outer", errorWith("")) << u"outer."_s;
        QTest::newRow("not a std::exception") << std::make_exception_ptr(42) << QString();
    }
    void reportText() {
        QFETCH(std::exception_ptr, error);
        QFETCH(QString, expected);
        QCOMPARE(app::errorReportText(error), expected);
    }

    void handlerErrorIsReportedAndCallerGoesOn() {
        ModalBoxAnswerer answerer;
        app::runReportingErrors([] { throw std::runtime_error("ADOQuery1: Cannot perform"); });
        QCOMPARE(answerer.boxes().size(), 1);
        const ShownBox& box = answerer.boxes().first();
        QCOMPARE(box.caption, u"Vorlantix"_s);
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.text, u"ADOQuery1: Cannot perform."_s);
        QCOMPARE(box.buttons, QStringList{u"OK"_s});
    }

    void handlerWithoutErrorShowsNothing() {
        ModalBoxAnswerer answerer;
        int runs = 0;
        app::runReportingErrors([&] { ++runs; });
        QCOMPARE(runs, 1);
        QVERIFY(answerer.boxes().isEmpty());
    }

    void messageBoxHasNoIconAndOneOkButton() {
        ModalBoxAnswerer answerer;
        app::showMessage(u"请输入搜索关键词！"_s);
        QCOMPARE(answerer.boxes().size(), 1);
        const ShownBox& box = answerer.boxes().first();
        QCOMPARE(box.caption, u"Vorlantix"_s);
        QCOMPARE(box.icon, QMessageBox::NoIcon);
        QCOMPARE(box.text, u"请输入搜索关键词！"_s);
        QCOMPARE(box.buttons, QStringList{u"OK"_s});
        QCOMPARE(box.defaultButton, u"OK"_s);
        QCOMPARE(box.escapeButton, u"OK"_s);
    }

    void messageBoxClosesWithEnterAndEscape_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Escape") << int(Qt::Key_Escape);
    }
    void messageBoxClosesWithEnterAndEscape() {
        QFETCH(int, key);
        bool pressed = false;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            QVERIFY(box);
            QTest::keyClick(box, Qt::Key(key));
            pressed = true;
        });
        app::showMessage(u"x"_s);
        QVERIFY(pressed);
    }
};

VORLANTIX_WINDOW_TEST_MAIN(ErrorReportTest)
#include "error_report_test.moc"
