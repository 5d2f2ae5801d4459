#include "assets/ui/ui_assets.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QImageReader>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <zlib.h>

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray resourceBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

QByteArray inflated(const QByteArray& stream) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) {
        return {};
    }
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
    z.avail_in = static_cast<uInt>(stream.size());
    QByteArray plain;
    char chunk[4096];
    int status = Z_OK;
    while (status == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(chunk);
        z.avail_out = sizeof chunk;
        status = inflate(&z, Z_NO_FLUSH);
        plain.append(chunk, static_cast<qsizetype>(sizeof chunk - z.avail_out));
    }
    inflateEnd(&z);
    return status == Z_STREAM_END ? plain : QByteArray();
}

QString silverStyleSheet() {
    return QString::fromUtf8(inflated(resourceBytes(u":/styles/silver.qss.z"_s)));
}

int bigEndian16(const QByteArray& bytes, qsizetype at) {
    return (static_cast<uchar>(bytes[at]) << 8) | static_cast<uchar>(bytes[at + 1]);
}

int littleEndian(const QByteArray& bytes, qsizetype at, int size) {
    int value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<uchar>(bytes[at + i]);
    }
    return value;
}

// What the JPEG's headers say, read marker by marker up to the scan.
struct JpegHeaders {
    int frameMarker = 0; // 0xC0: baseline
    int width = 0;
    int height = 0;
    QList<int> samplingFactors;
    int densityUnits = -1; // 1: dots per inch
    int xDensity = 0;
    int yDensity = 0;
};

JpegHeaders readJpegHeaders(const QByteArray& jpeg) {
    JpegHeaders headers;
    qsizetype at = 2; // after SOI
    while (at + 4 <= jpeg.size() && static_cast<uchar>(jpeg[at]) == 0xFF) {
        const int marker = static_cast<uchar>(jpeg[at + 1]);
        const int length = bigEndian16(jpeg, at + 2);
        const QByteArray segment = jpeg.mid(at + 4, length - 2);
        if (marker == 0xE0 && segment.startsWith(QByteArrayView("JFIF\0", 5))) {
            headers.densityUnits = static_cast<uchar>(segment[7]);
            headers.xDensity = bigEndian16(segment, 8);
            headers.yDensity = bigEndian16(segment, 10);
        } else if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                   marker != 0xCC) {
            headers.frameMarker = marker;
            headers.height = bigEndian16(segment, 1);
            headers.width = bigEndian16(segment, 3);
            for (int c = 0; c < static_cast<uchar>(segment[5]); ++c) {
                headers.samplingFactors << static_cast<uchar>(segment[6 + 3 * c + 1]);
            }
        } else if (marker == 0xDA) {
            break;
        }
        at += 2 + length;
    }
    return headers;
}

// "WIDTHxHEIGHT@BITS" for each image of an icon file, from the bitmaps' own headers.
QStringList iconImages(const QByteArray& ico) {
    QStringList images;
    const int count = littleEndian(ico, 4, 2);
    for (int i = 0; i < count; ++i) {
        const qsizetype bitmap = littleEndian(ico, 6 + 16 * i + 12, 4);
        images << u"%1x%2@%3"_s.arg(littleEndian(ico, bitmap + 4, 4))
                      .arg(littleEndian(ico, bitmap + 8, 4) / 2)
                      .arg(littleEndian(ico, bitmap + 14, 2));
    }
    return images;
}

QStringList styleWarnings;

void recordStyleWarnings(QtMsgType, const QMessageLogContext&, const QString& message) {
    if (message.contains(u"stylesheet"_s, Qt::CaseInsensitive)) {
        styleWarnings << message;
    }
}

QColor centreColour(QWidget& widget) {
    const QImage image = widget.grab().toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

} // namespace

class UiAssetsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { initUiAssets(); }
    void cleanup() { qApp->setStyleSheet({}); }

    void resourcesArePresent_data() {
        QTest::addColumn<QString>("path");
        for (const QString& path :
             {u":/assets/banner.jpg"_s, u":/assets/window.ico"_s, u":/assets/program.ico"_s,
              u":/assets/program-32.png"_s, u":/assets/fonts.conf"_s, u":/styles/silver.qss.z"_s}) {
            QTest::newRow(qPrintable(path)) << path;
        }
    }

    void resourcesArePresent() {
        QFETCH(QString, path);
        QVERIFY(!resourceBytes(path).isEmpty());
    }

    void bannerIsABaselineFullResolutionJpeg() {
        const QByteArray jpeg = resourceBytes(u":/assets/banner.jpg"_s);
        QVERIFY(jpeg.startsWith("\xFF\xD8"));
        const JpegHeaders headers = readJpegHeaders(jpeg);

        QCOMPARE(headers.frameMarker, 0xC0);
        QCOMPARE(QSize(headers.width, headers.height), QSize(543, 130));
        QCOMPARE(headers.samplingFactors, QList<int>({0x11, 0x11, 0x11}));
        QCOMPARE(headers.densityUnits, 1);
        QCOMPARE(QSize(headers.xDensity, headers.yDensity), QSize(150, 150));
        QCOMPARE(QImage(u":/assets/banner.jpg"_s).size(), QSize(543, 130));
    }

    void iconsHoldTheirImages_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("images");

        QTest::newRow("window icon")
            << u":/assets/window.ico"_s << QStringList{u"32x32@4"_s, u"32x32@8"_s, u"48x48@8"_s};
        QTest::newRow("program icon") << u":/assets/program.ico"_s << QStringList{u"32x32@4"_s};
    }

    void iconsHoldTheirImages() {
        QFETCH(QString, path);
        QFETCH(QStringList, images);
        QCOMPARE(iconImages(resourceBytes(path)), images);

        // Each image decodes, with a transparent ground around the book.
        QImageReader reader(path, "ico");
        QCOMPARE(reader.imageCount(), images.size());
        for (int i = 0; i < images.size(); ++i) {
            QVERIFY(reader.jumpToImage(i));
            const QImage image = reader.read();
            QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
            QCOMPARE(u"%1x%2"_s.arg(image.width()).arg(image.height()),
                     images[i].section(u'@', 0, 0));
            QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
            QCOMPARE(image.pixelColor(image.width() / 2, image.height() / 2).alpha(), 255);
        }
    }

    void programPngIsTheProgramIcon() {
        const QImage png(u":/assets/program-32.png"_s);
        QCOMPARE(png.size(), QSize(32, 32));
        const QColor cover = png.pixelColor(14, 20);
        QVERIFY2(cover.blue() > cover.red() + 60, qPrintable(cover.name()));
    }

    void styleSheetIsTheCompressedSource() {
        QFile source(QStringLiteral(SILVER_QSS_SOURCE));
        QVERIFY(source.open(QIODevice::ReadOnly));
        QCOMPARE(silverStyleSheet().toUtf8(), source.readAll());
    }

    void styleSheetPicturesArePresent() {
        const QString sheet = silverStyleSheet();
        QRegularExpressionMatchIterator url =
            QRegularExpression(u"url\\(([^)]*)\\)"_s).globalMatch(sheet);
        QVERIFY(url.hasNext());
        while (url.hasNext()) {
            const QString path = url.next().captured(1);
            QVERIFY2(!QImage(path).isNull(), qPrintable(path));
        }
    }

    void styleSheetParsesForEveryStyledKind() {
        styleWarnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler(recordStyleWarnings);
        const auto restoreHandler = qScopeGuard([previous] { qInstallMessageHandler(previous); });
        qApp->setStyleSheet(silverStyleSheet());

        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* tabs = new QTabWidget;
        tabs->addTab(new QGroupBox, u"信息管理"_s);
        auto* combo = new QComboBox;
        combo->setEditable(true);
        combo->addItems({u"补气"_s, u"补血"_s});
        const QList<QWidget*> kinds{new QPushButton(u"搜索"_s),
                                    tabs,
                                    new QLineEdit,
                                    new QPlainTextEdit,
                                    combo,
                                    new QTableWidget(3, 3),
                                    new QStatusBar,
                                    new QScrollBar(Qt::Vertical)};
        for (QWidget* widget : kinds) {
            layout->addWidget(widget);
        }
        window.show();
        QMessageBox box(QMessageBox::Information, u"Vorlantix"_s, u"共8030条信息"_s);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.grab();
        box.grab();

        QVERIFY2(styleWarnings.isEmpty(), qPrintable(styleWarnings.join(u'\n')));
    }

    // Silver-grey at rest; yellow to orange under the pointer and pressed.
    void buttonColours_data() {
        QTest::addColumn<bool>("hot");
        QTest::addColumn<bool>("pressed");
        QTest::addColumn<int>("minHue");
        QTest::addColumn<int>("maxHue");
        QTest::addColumn<int>("minSaturation");

        QTest::newRow("at rest") << false << false << -1 << 360 << 0;
        QTest::newRow("hot") << true << false << 30 << 60 << 70;
        QTest::newRow("pressed") << false << true << 20 << 45 << 120;
    }

    void buttonColours() {
        QFETCH(bool, hot);
        QFETCH(bool, pressed);
        QFETCH(int, minHue);
        QFETCH(int, maxHue);
        QFETCH(int, minSaturation);
        qApp->setStyleSheet(silverStyleSheet());

        QWidget window;
        window.resize(200, 100);
        QPushButton button(&window);
        button.setGeometry(60, 40, 75, 25);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::mouseMove(&window, hot ? button.geometry().center() : QPoint(5, 5));
        button.setDown(pressed);
        const QColor colour = centreColour(button).toHsv();

        const QByteArray shown = colour.name().toLatin1();
        QVERIFY2(colour.hsvHue() >= minHue && colour.hsvHue() <= maxHue, shown.constData());
        QVERIFY2(colour.hsvSaturation() >= minSaturation, shown.constData());
        if (!hot && !pressed) {
            QVERIFY2(colour.hsvSaturation() < 30 && colour.value() > 200, shown.constData());
        }
    }

    void selectedItemIsYellowToOrange() {
        qApp->setStyleSheet(silverStyleSheet());
        QTableWidget table(1, 1);
        table.horizontalHeader()->setStretchLastSection(true);
        table.verticalHeader()->setStretchLastSection(true);
        table.setItem(0, 0, new QTableWidgetItem);
        table.resize(120, 80);
        table.show();
        table.activateWindow();
        table.setCurrentCell(0, 0);
        QVERIFY(QTest::qWaitForWindowExposed(&table));
        const QColor colour = centreColour(*table.viewport()).toHsv();

        QVERIFY2(colour.hsvHue() >= 25 && colour.hsvHue() <= 55 && colour.hsvSaturation() > 100,
                 qPrintable(colour.name()));
    }

    // The font rules, tried with fc-match on top of this machine's own configuration.
    void fontRules_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("family");
        QTest::addColumn<bool>("crisp");

        QTest::newRow("SimSun, window size")
            << u"SimSun:pixelsize=13"_s << u"AR PL UMing CN"_s << true;
        QTest::newRow("宋体, window size") << u"宋体:pixelsize=13"_s << u"AR PL UMing CN"_s << true;
        QTest::newRow("largest crisp size")
            << u"SimSun:pixelsize=16"_s << u"AR PL UMing CN"_s << true;
        QTest::newRow("larger sizes keep the desktop's choice")
            << u"SimSun:pixelsize=17"_s << u"AR PL UMing CN"_s << false;
        QTest::newRow("other fonts untouched")
            << u"DejaVu Sans:pixelsize=13"_s << u"DejaVu Sans"_s << false;
    }

    void fontRules() {
        QFETCH(QString, pattern);
        QFETCH(QString, family);
        QFETCH(bool, crisp);
        const QString fcMatch = QStandardPaths::findExecutable(u"fc-match"_s);
        if (fcMatch.isEmpty()) {
            QSKIP("fc-match is not installed");
        }
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile rules(dir.filePath(u"fonts.conf"_s));
        QVERIFY(rules.open(QIODevice::WriteOnly));
        rules.write(resourceBytes(u":/assets/fonts.conf"_s));
        rules.close();

        const auto match = [&](const QString& fontPattern, const QString& extraInclude) {
            QFile config(dir.filePath(u"try.conf"_s));
            config.open(QIODevice::WriteOnly | QIODevice::Truncate);
            config.write(u"<fontconfig><include>/etc/fonts/fonts.conf</include>%1</fontconfig>"_s
                             .arg(extraInclude)
                             .toUtf8());
            config.close();
            QProcess process;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"FONTCONFIG_FILE"_s, config.fileName());
            process.setProcessEnvironment(environment);
            process.start(fcMatch, {u"-f"_s, u"%{family[0]}|%{antialias}"_s, fontPattern});
            process.waitForFinished();
            return QString::fromUtf8(process.readAllStandardOutput()).split(u'|');
        };
        // What the desktop alone makes of the family the rules lead to, at the same size.
        const QString size = pattern.mid(pattern.indexOf(u':'));
        const QStringList desktop = match(family + size, {});
        const QStringList ours = match(pattern, u"<include>%1</include>"_s.arg(rules.fileName()));

        QCOMPARE(ours.value(0), family);
        QCOMPARE(ours.value(1), crisp ? u"False"_s : desktop.value(1));
    }
};

QTEST_MAIN(UiAssetsTest)
#include "ui_assets_test.moc"
