#include "app/jpeg_image.h"
#include "assets/ui/ui_assets.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QTest>

#include <future>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

QByteArray bannerBytes() {
    QFile file(u":/assets/banner.jpg"_s);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A picture with detail in every channel: gradients, hard edges and a diagonal, so that the
// colour conversion, the chroma upsampling and the inverse DCT all show in the pixels.
QImage testPattern(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y,
                           qRgb((x * 255) / qMax(1, size.width() - 1),
                                (y * 255) / qMax(1, size.height() - 1), ((x + y) % 7) * 36));
    QPainter painter(&image);
    painter.setPen(Qt::black);
    painter.drawLine(0, 0, size.width() - 1, size.height() - 1);
    return image;
}

QByteArray writtenJpeg(const QImage& image, bool progressive = false) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(85);
    writer.setProgressiveScanWrite(progressive);
    return writer.write(image) ? bytes : QByteArray();
}

QByteArray greyJpeg(QSize size) {
    return writtenJpeg(testPattern(size).convertToFormat(QImage::Format_Grayscale8));
}

// The offset of the start-of-frame segment's marker (baseline or progressive).
qsizetype frameHeaderAt(const QByteArray& jpeg) {
    for (qsizetype at = 2; at + 4 <= jpeg.size();) {
        const auto marker = static_cast<uchar>(jpeg[at + 1]);
        if (marker == 0xC0 || marker == 0xC2)
            return at;
        at += 2 + ((static_cast<uchar>(jpeg[at + 2]) << 8) | static_cast<uchar>(jpeg[at + 3]));
    }
    return -1;
}

// The same data with the frame header claiming another size.
QByteArray withClaimedSize(QByteArray jpeg, int width, int height) {
    const qsizetype at = frameHeaderAt(jpeg);
    if (at < 0)
        return {};
    jpeg[at + 5] = static_cast<char>(height >> 8);
    jpeg[at + 6] = static_cast<char>(height & 0xFF);
    jpeg[at + 7] = static_cast<char>(width >> 8);
    jpeg[at + 8] = static_cast<char>(width & 0xFF);
    return jpeg;
}

// The entropy-coded data with a run of its bytes overwritten, well inside the scan.
QByteArray withDamagedScan(QByteArray jpeg, char filler) {
    const qsizetype middle = jpeg.size() / 2;
    for (qsizetype at = middle; at < middle + 64; ++at)
        jpeg[at] = filler;
    return jpeg;
}

QImage readByQt(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer, "jpeg");
    return reader.read();
}

} // namespace

class JpegImageTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { initUiAssets(); }

    void decodesAsQtsReaderDoes_data() {
        QTest::addColumn<QByteArray>("jpeg");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QImage::Format>("qtFormat");
        QTest::newRow("banner") << bannerBytes() << QSize(543, 130) << QImage::Format_RGB32;
        QTest::newRow("colour, subsampled chroma")
            << writtenJpeg(testPattern({37, 23})) << QSize(37, 23) << QImage::Format_RGB32;
        QTest::newRow("colour, progressive")
            << writtenJpeg(testPattern({40, 33}), true) << QSize(40, 33) << QImage::Format_RGB32;
        QTest::newRow("colour, one pixel")
            << writtenJpeg(testPattern({1, 1})) << QSize(1, 1) << QImage::Format_RGB32;
        QTest::newRow("grey") << greyJpeg({29, 17}) << QSize(29, 17) << QImage::Format_Grayscale8;
        QTest::newRow("widest accepted") << writtenJpeg(testPattern({app::kMaxJpegSide, 1}))
                                         << QSize(app::kMaxJpegSide, 1) << QImage::Format_RGB32;
    }
    void decodesAsQtsReaderDoes() {
        QFETCH(QByteArray, jpeg);
        QFETCH(QSize, size);
        QFETCH(QImage::Format, qtFormat);
        QVERIFY(!jpeg.isEmpty());
        const QImage byQt = readByQt(jpeg);
        // The grey row must really be a one-component JPEG for the row to mean anything.
        QCOMPARE(byQt.format(), qtFormat);

        const QImage decoded = app::decodeJpegImage(jpeg);
        QCOMPARE(decoded.format(), QImage::Format_RGB32);
        QCOMPARE(decoded.size(), size);
        const QImage expected = byQt.convertToFormat(QImage::Format_RGB32);
        // Word by word, the unused top byte included: RGB32 wants it 0xff.
        for (int y = 0; y < size.height(); ++y) {
            const auto* got = reinterpret_cast<const QRgb*>(decoded.constScanLine(y));
            const auto* want = reinterpret_cast<const QRgb*>(expected.constScanLine(y));
            for (int x = 0; x < size.width(); ++x) {
                if (got[x] != want[x])
                    QFAIL(qPrintable(u"pixel (%1, %2) is %3, Qt reads %4"_s.arg(x)
                                         .arg(y)
                                         .arg(got[x], 8, 16, QChar(u'0'))
                                         .arg(want[x], 8, 16, QChar(u'0'))));
            }
        }
    }

    void refusesWhatIsNoSoundPicture_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray banner = bannerBytes();
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << "this is not a picture"_ba;
        QTest::newRow("start marker only") << "\xFF\xD8"_ba;
        QTest::newRow("cut inside the headers") << banner.left(120);
        QTest::newRow("cut inside the scan") << banner.left(banner.size() / 2);
        QTest::newRow("end marker missing") << banner.left(banner.size() - 2);
        QTest::newRow("scan overwritten with zeros") << withDamagedScan(banner, '\0');
        QTest::newRow("scan overwritten with markers") << withDamagedScan(banner, '\xFF');
        QTest::newRow("zero height") << withClaimedSize(banner, 543, 0);
        QTest::newRow("more rows claimed than coded") << withClaimedSize(banner, 543, 260);
        QTest::newRow("huge claimed size") << withClaimedSize(banner, 65000, 65000);
        QTest::newRow("too many pixels, sides in bounds")
            << withClaimedSize(banner, app::kMaxJpegSide, 4097);
        QTest::newRow("too wide") << writtenJpeg(testPattern({app::kMaxJpegSide + 1, 1}));
        QTest::newRow("too tall") << greyJpeg({1, app::kMaxJpegSide + 1});
    }
    void refusesWhatIsNoSoundPicture() {
        QFETCH(QByteArray, bytes);
        QVERIFY(app::decodeJpegImage(bytes).isNull());
    }

    // Decoders on several threads at once each get the whole, right picture.
    void decodesOnSeveralThreadsAtOnce() {
        const QByteArray banner = bannerBytes();
        const QImage alone = app::decodeJpegImage(banner);
        QVERIFY(!alone.isNull());
        constexpr int kThreads = 4;
        std::vector<std::future<QImage>> running;
        running.reserve(kThreads);
        for (int i = 0; i < kThreads; ++i)
            running.push_back(
                std::async(std::launch::async, [&banner] { return app::decodeJpegImage(banner); }));
        for (auto& decode : running)
            QCOMPARE(decode.get(), alone);
    }
};

QTEST_MAIN(JpegImageTest)
#include "jpeg_image_test.moc"
