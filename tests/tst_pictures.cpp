// Checks the pictures written by tools/make_pictures.py: the headers are read byte by
// byte, as Windows reads them, then the files go through Qt's own readers, the way the program
// will load them. What they show is held by the reference pictures of both windows (tst_screens).

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QList>
#include <QtTest>

#include <algorithm>

namespace {

QString sourcePath(const char* relative) {
    return QString(VELTI_SOURCE_DIR) + QLatin1Char('/') + QLatin1String(relative);
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Little-endian fields; reading past the end yields -1 so a short file fails the checks.
qint64 u8(const QByteArray& d, qint64 at) {
    return at >= 0 && at < d.size() ? quint8(d[at]) : -1;
}
qint64 u16(const QByteArray& d, qint64 at) {
    return at + 2 <= d.size() ? u8(d, at) | u8(d, at + 1) << 8 : -1;
}
qint64 u32(const QByteArray& d, qint64 at) {
    return at + 4 <= d.size() ? u16(d, at) | u16(d, at + 2) << 16 : -1;
}

} // namespace

class TestPictures : public QObject {
    Q_OBJECT

private slots:
    void background();
    void icon_data();
    void icon();
};

void TestPictures::background() {
    const QString path = sourcePath("src/about/pictures/background.bmp");
    const QByteArray d = readAll(path);
    QCOMPARE(d.size(), 321894);
    QCOMPARE(d.left(2), QByteArray("BM"));
    QCOMPARE(u32(d, 2), qint64(d.size())); // bfSize
    QCOMPARE(u32(d, 10), qint64(54));      // bfOffBits
    QCOMPARE(u32(d, 14), qint64(40));      // biSize: BITMAPINFOHEADER
    QCOMPARE(u32(d, 18), qint64(397));     // biWidth
    QCOMPARE(u32(d, 22), qint64(270));     // biHeight, positive: bottom-up
    QCOMPARE(u16(d, 26), qint64(1));       // biPlanes
    QCOMPARE(u16(d, 28), qint64(24));      // biBitCount
    QCOMPARE(u32(d, 30), qint64(0));       // biCompression: BI_RGB

    const QImage image(path);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), QSize(397, 270));
}

void TestPictures::icon_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QList<int>>("sizes");
    QTest::addColumn<QList<int>>("depths");
    QTest::newRow("stopwatch") << sourcePath("src/resources/stopwatch.ico") << QList<int>{32, 16}
                               << QList<int>{4, 4};
    QTest::newRow("info") << sourcePath("src/resources/info.ico") << QList<int>{16}
                          << QList<int>{4};
    QTest::newRow("logo") << sourcePath("src/about/pictures/logo.ico") << QList<int>{16}
                          << QList<int>{4};
    QTest::newRow("chip") << sourcePath("src/about/pictures/chip.ico")
                          << QList<int>{16, 32, 48, 16, 32, 48} << QList<int>{4, 4, 4, 8, 8, 8};
}

void TestPictures::icon() {
    QFETCH(QString, path);
    QFETCH(QList<int>, sizes);
    QFETCH(QList<int>, depths);
    const QByteArray d = readAll(path);
    const int count = int(sizes.size());
    QCOMPARE(u16(d, 0), qint64(0)); // reserved
    QCOMPARE(u16(d, 2), qint64(1)); // type: icon
    QCOMPARE(u16(d, 4), qint64(count));

    QList<QPair<qint64, qint64>> spans; // (offset, end) of every image
    for (int i = 0; i < count; ++i) {
        const qint64 e = 6 + 16 * i;
        const int size = sizes[i], bpp = depths[i];
        QCOMPARE(u8(d, e), qint64(size));                  // width
        QCOMPARE(u8(d, e + 1), qint64(size));              // height
        QCOMPARE(u8(d, e + 2), qint64(bpp == 4 ? 16 : 0)); // colour count
        QCOMPARE(u8(d, e + 3), qint64(0));
        QCOMPARE(u16(d, e + 4), qint64(1)); // planes
        QCOMPARE(u16(d, e + 6), qint64(bpp));
        const qint64 bytes = u32(d, e + 8), offset = u32(d, e + 12);
        // Header, palette, colour rows and mask rows, each row padded to 32 bits.
        const qint64 xorRow = (size * bpp + 31) / 32 * 4, andRow = (size + 31) / 32 * 4;
        QCOMPARE(bytes, 40 + 4 * (qint64(1) << bpp) + (xorRow + andRow) * size);
        QVERIFY(offset >= 6 + 16 * count);
        QVERIFY(offset + bytes <= d.size());
        spans.append({offset, offset + bytes});

        QCOMPARE(u32(d, offset), qint64(40));           // BITMAPINFOHEADER
        QCOMPARE(u32(d, offset + 4), qint64(size));     // biWidth
        QCOMPARE(u32(d, offset + 8), qint64(2 * size)); // biHeight: colours + mask
        QCOMPARE(u16(d, offset + 12), qint64(1));       // biPlanes
        QCOMPARE(u16(d, offset + 14), qint64(bpp));     // biBitCount
        QCOMPARE(u32(d, offset + 16), qint64(0));       // biCompression
    }
    std::sort(spans.begin(), spans.end());
    for (int i = 1; i < spans.size(); ++i)
        QVERIFY2(spans[i - 1].second <= spans[i].first, "icon images overlap");
    QCOMPARE(spans.last().second, qint64(d.size()));

    QImageReader reader(path, "ico");
    QCOMPARE(reader.imageCount(), count);
    for (int i = 0; i < count; ++i) {
        QVERIFY(reader.jumpToImage(i));
        const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(image.size(), QSize(sizes[i], sizes[i]));
        // Every one of these pictures is round or slanted: the mask must cut some of
        // the square away, and leave at least a quarter of it standing.
        const int area = image.width() * image.height();
        int clear = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                clear += qAlpha(image.pixel(x, y)) == 0;
        QVERIFY2(clear > 0 && clear <= area * 3 / 4, qPrintable(QString::number(clear)));
    }
}

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
