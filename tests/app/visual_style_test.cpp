#include "app/visual_style.h"
#include "app/zlib_inflate.h"
#include "assets/ui/ui_assets.h"
#include "modal_box_answerer.h"

#include <QApplication>
#include <QStyle>
#include <QTest>

#include <zlib.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray deflateZlib(const QByteArray& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    QByteArray out(static_cast<qsizetype>(size), Qt::Uninitialized);
    compress2(reinterpret_cast<Bytef*>(out.data()), &size,
              reinterpret_cast<const Bytef*>(data.constData()), static_cast<uLong>(data.size()), 9);
    out.truncate(static_cast<qsizetype>(size));
    return out;
}

// What findVisualStyle found, as one comparable text.
QString describe(const app::FoundStyle& found) {
    if (const auto* loaded = std::get_if<app::LoadedStyle>(&found))
        return u"loaded:"_s + loaded->name;
    if (const auto* builtIn = std::get_if<app::BuiltInStyle>(&found))
        return u"built-in:"_s + builtIn->key;
    return u"none"_s;
}

} // namespace

class VisualStyleTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { initUiAssets(); }
    void cleanup() {
        qApp->setStyleSheet({});
        QApplication::setStyle(u"Fusion"_s);
    }

    void findsByNameIgnoringCase_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("exact") << u"Silver"_s << u"loaded:Silver"_s;
        QTest::newRow("lower case") << u"silver"_s << u"loaded:Silver"_s;
        QTest::newRow("upper case") << u"SILVER"_s << u"loaded:Silver"_s;
        QTest::newRow("loaded before built-in") << u"fusion"_s << u"loaded:Fusion"_s;
        QTest::newRow("built-in") << u"WINDOWS"_s << u"built-in:Windows"_s;
        QTest::newRow("unknown") << u"Gold"_s << u"none"_s;
        QTest::newRow("empty") << QString() << u"none"_s;
        QTest::newRow("prefix only") << u"Silv"_s << u"none"_s;
    }
    void findsByNameIgnoringCase() {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        const QList<app::LoadedStyle> loaded = {{u"Silver"_s, u"a"_s}, {u"Fusion"_s, u"b"_s}};
        const QStringList builtIn = {u"Windows"_s, u"Fusion"_s};
        QCOMPARE(describe(app::findVisualStyle(name, loaded, builtIn)), expected);
    }

    void inflatesWhatZlibCompressed_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("style sheet") << "QPushButton { color: #333; }"_ba;
        QTest::newRow("larger than one chunk") << QByteArray(100000, 'x');
    }
    void inflatesWhatZlibCompressed() {
        QFETCH(QByteArray, data);
        QCOMPARE(app::inflateZlib(deflateZlib(data)), data);
    }

    void rejectsDamagedStreams_data() {
        QTest::addColumn<QByteArray>("stream");
        const QByteArray good =
            deflateZlib("QPushButton { color: #333; } QLabel { color: red; }"_ba);
        QByteArray flipped = good;
        flipped[good.size() / 2] = char(flipped[good.size() / 2] ^ 0x5a);
        QTest::newRow("nothing") << QByteArray();
        QTest::newRow("not zlib") << "plain text, not compressed"_ba;
        QTest::newRow("cut short") << good.left(good.size() - 5);
        QTest::newRow("damaged inside") << flipped;
        QTest::newRow("bytes after the end") << good + "junk"_ba;
    }
    void rejectsDamagedStreams() {
        QFETCH(QByteArray, stream);
        QVERIFY_THROWS_EXCEPTION(app::InflateError, app::inflateZlib(stream));
    }

    void programCarriesSilver() {
        const QList<app::LoadedStyle> styles = app::programStyles();
        QCOMPARE(styles.size(), 1);
        QCOMPARE(styles.first().name, u"Silver"_s);
        QVERIFY(styles.first().styleSheet.contains(u"QPushButton"_s));
    }

    void appliesLoadedStyle() {
        ModalBoxAnswerer answerer;
        app::applyVisualStyle(*qApp, u"silver"_s, {{u"Silver"_s, u"QLabel { color: red; }"_s}});
        QCOMPARE(qApp->styleSheet(), u"QLabel { color: red; }"_s);
        QVERIFY(answerer.boxes().isEmpty());
    }

    void appliesBuiltInStyle() {
        ModalBoxAnswerer answerer;
        app::applyVisualStyle(*qApp, u"WINDOWS"_s, {});
        QCOMPARE(QApplication::style()->name(), u"windows"_s);
        QVERIFY(qApp->styleSheet().isEmpty());
        QVERIFY(answerer.boxes().isEmpty());
    }

    void missingStyleShowsErrorBoxAndKeepsLook() {
        ModalBoxAnswerer answerer;
        const QString styleBefore = QApplication::style()->name();
        app::applyVisualStyle(*qApp, u"Silver"_s, {});
        QCOMPARE(answerer.boxes().size(), 1);
        const ShownBox& box = answerer.boxes().first();
        QCOMPARE(box.caption, u"Error"_s);
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.text, u"Style 'Silver' not found"_s);
        QCOMPARE(box.buttons, QStringList{u"&Close"_s});
        QCOMPARE(QApplication::style()->name(), styleBefore);
        QVERIFY(qApp->styleSheet().isEmpty());
    }
};

QTEST_MAIN(VisualStyleTest)
#include "visual_style_test.moc"
