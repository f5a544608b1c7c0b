// Bitmaps turned into JPEGs beside them, and every other path left alone.
#include "PictureConverter.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QImage sample(QImage::Format format, const QSize& size = QSize(12, 9))
{
    QImage image(size, format);
    if (format == QImage::Format_Indexed8)
        image.setColorTable({qRgb(200, 30, 30), qRgb(30, 200, 30), qRgb(30, 30, 200), qRgb(128, 128, 128)});
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            if (format == QImage::Format_Indexed8)
                image.setPixel(x, y, static_cast<uint>((x + y) % 4));
            else if (format == QImage::Format_Grayscale8)
                image.setPixel(x, y, qRgb(x * 20, x * 20, x * 20));
            else
                image.setPixel(x, y, qRgb(x * 20, y * 25, 255 - x * 20));
        }
    return image;
}

bool writeBitmap(const QString& path, const QImage& image)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    return image.save(path, "BMP");
}

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList listing(const QString& dir)
{
    QStringList entries;
    QDirIterator it(dir, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        entries << it.next();
    entries.sort();
    return entries;
}

struct JpegFrame {
    int marker = -1; // 0xC0 baseline, 0xC2 progressive, ...
    int components = 0;
};

// The frame header of a JPEG: which coding it uses and how many colour components it carries.
JpegFrame frameOf(const QByteArray& jpeg)
{
    qsizetype i = 2;
    while (i + 9 < jpeg.size() && quint8(jpeg[i]) == 0xFF) {
        const int marker = quint8(jpeg[i + 1]);
        const int length = quint8(jpeg[i + 2]) << 8 | quint8(jpeg[i + 3]);
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame)
            return {marker, quint8(jpeg[i + 9])};
        i += 2 + length;
    }
    return {};
}

} // namespace

class TestPictures : public QObject {
    Q_OBJECT
private slots:
    void bitmapBecomesColourJpeg_data();
    void bitmapBecomesColourJpeg();
    void qualityIsHonoured();
    void otherPathsAreLeftAlone_data();
    void otherPathsAreLeftAlone();
    void existingJpegIsKept();
    void unreadableBitmap_data();
    void unreadableBitmap();
};

void TestPictures::bitmapBecomesColourJpeg_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QImage::Format>("format");
    QTest::addColumn<QString>("jpegName");
    QTest::newRow("colour") << QStringLiteral("foto.bmp") << QImage::Format_RGB32
                            << QStringLiteral("foto.jpg");
    QTest::newRow("indexed, upper-case name")
        << QStringLiteral("FOTO.BMP") << QImage::Format_Indexed8 << QStringLiteral("FOTO.jpg");
    QTest::newRow("grayscale, mixed case")
        << QStringLiteral("cinza.Bmp") << QImage::Format_Grayscale8 << QStringLiteral("cinza.jpg");
    QTest::newRow("dots in the name")
        << QStringLiteral("fotos.v2/a.b.bmp") << QImage::Format_RGB32 << QStringLiteral("fotos.v2/a.b.jpg");
}

void TestPictures::bitmapBecomesColourJpeg()
{
    QFETCH(QString, fileName);
    QFETCH(QImage::Format, format);
    QFETCH(QString, jpegName);
    QTemporaryDir dir;
    const QString bitmap = dir.filePath(fileName);
    const QImage source = sample(format);
    QVERIFY(writeBitmap(bitmap, source));
    if (format != QImage::Format_RGB32) // the fixture must really be a palette bitmap
        QCOMPARE_NE(QImageReader(bitmap, "BMP").imageFormat(), QImage::Format_RGB32);

    const QString jpeg = ConvertBMP_JPG(bitmap, 90);
    QCOMPARE(jpeg, dir.filePath(jpegName));
    QVERIFY(QFileInfo::exists(bitmap)); // the bitmap stays

    QImageReader reader(jpeg);
    QCOMPARE(reader.format(), QByteArray("jpeg"));
    QCOMPARE(reader.size(), source.size());
    const QImage read = reader.read();
    QVERIFY(!read.isNull());
    QCOMPARE(read.format(), QImage::Format_RGB32);
    if (format != QImage::Format_Grayscale8) // a gray picture's pixels stay gray in colour
        QVERIFY(!read.isGrayscale());
    const QByteArray written = contents(jpeg);
    const JpegFrame frame = frameOf(written);
    QCOMPARE(frame.marker, 0xC0); // baseline, not progressive
    QCOMPARE(frame.components, 3);

    // A second conversion finds the JPEG and writes nothing, even when the bitmap changed.
    QVERIFY(writeBitmap(bitmap, sample(QImage::Format_RGB32, QSize(3, 3))));
    QCOMPARE(ConvertBMP_JPG(bitmap, 90), jpeg);
    QCOMPARE(contents(jpeg), written);
}

void TestPictures::qualityIsHonoured()
{
    QTemporaryDir dir;
    QImage noisy(64, 64, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            seed = seed * 1103515245u + 12345u;
            noisy.setPixel(x, y, seed >> 8);
        }
    QVERIFY(writeBitmap(dir.filePath(QStringLiteral("baixa.bmp")), noisy));
    QVERIFY(writeBitmap(dir.filePath(QStringLiteral("alta.bmp")), noisy));
    const QString low = ConvertBMP_JPG(dir.filePath(QStringLiteral("baixa.bmp")), 5);
    const QString high = ConvertBMP_JPG(dir.filePath(QStringLiteral("alta.bmp")), 95);
    QCOMPARE_LT(QFileInfo(low).size() * 2, QFileInfo(high).size());
}

void TestPictures::otherPathsAreLeftAlone_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::newRow("jpeg") << QStringLiteral("foto.jpg");
    QTest::newRow("png") << QStringLiteral("foto.png");
    QTest::newRow("no extension") << QStringLiteral("foto");
    QTest::newRow("only a dot") << QStringLiteral("foto.");
    QTest::newRow("longer extension") << QStringLiteral("foto.bmpx");
    QTest::newRow("bmp inside the name") << QStringLiteral("foto.bmp.txt");
    QTest::newRow("folder with a dot") << QStringLiteral("fotos.v2/img");
    QTest::newRow("folder named .bmp") << QStringLiteral("fotos.bmp/img");
    QTest::newRow("backslash after the dot") << QStringLiteral("fotos.bmp\\img");
    QTest::newRow("colon after the dot") << QStringLiteral("foto.bmp:img");
}

void TestPictures::otherPathsAreLeftAlone()
{
    QFETCH(QString, fileName);
    QTemporaryDir dir;
    // A real bitmap under each name, so that a wrong conversion would leave a file behind.
    const QString path = dir.filePath(fileName);
    QVERIFY(writeBitmap(path, sample(QImage::Format_RGB32)));
    const QStringList before = listing(dir.path());
    QCOMPARE(ConvertBMP_JPG(path, 90), path);
    QCOMPARE(listing(dir.path()), before);
}

void TestPictures::existingJpegIsKept()
{
    QTemporaryDir dir;
    const QString bitmap = dir.filePath(QStringLiteral("a.bmp"));
    const QString jpeg = dir.filePath(QStringLiteral("a.jpg"));
    QVERIFY(writeBitmap(bitmap, sample(QImage::Format_RGB32)));
    const QByteArray mine("nao sou um jpeg");
    const QDateTime old(QDate(2001, 2, 3), QTime(4, 5, 6));
    {
        QFile f(jpeg);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(mine);
        QVERIFY(f.flush()); // a later flush would set the time anew
        QVERIFY(f.setFileTime(old, QFileDevice::FileModificationTime));
    }
    QCOMPARE(ConvertBMP_JPG(bitmap, 90), jpeg);
    QCOMPARE(contents(jpeg), mine);
    QCOMPARE(QFileInfo(jpeg).lastModified(), old);

    // With the JPEG there the bitmap is not even read: a missing one is no error.
    const QString orphan = dir.filePath(QStringLiteral("b.jpg"));
    QVERIFY(QFile::copy(jpeg, orphan));
    QCOMPARE(ConvertBMP_JPG(dir.filePath(QStringLiteral("b.bmp")), 90), orphan);

    // A link to an existing file counts as a file.
    const QString link = dir.filePath(QStringLiteral("c.jpg"));
    QVERIFY(QFile::link(jpeg, link));
    QVERIFY(writeBitmap(dir.filePath(QStringLiteral("c.bmp")), sample(QImage::Format_RGB32)));
    QCOMPARE(ConvertBMP_JPG(dir.filePath(QStringLiteral("c.bmp")), 90), link);
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(contents(jpeg), mine);
}

void TestPictures::unreadableBitmap_data()
{
    QTest::addColumn<QByteArray>("bytes"); // empty: no file at all
    QTest::newRow("missing") << QByteArray();
    static const char corrupt[] = "BM\x10\x00\x00\x00 isto nao e um bitmap";
    QTest::newRow("corrupt") << QByteArray(corrupt, sizeof corrupt - 1);
}

void TestPictures::unreadableBitmap()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString bitmap = dir.filePath(QStringLiteral("quebrada.bmp"));
    if (!bytes.isEmpty()) {
        QFile f(bitmap);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    const QStringList before = listing(dir.path());
    try {
        ConvertBMP_JPG(bitmap, 90);
        QFAIL("an unreadable bitmap was converted");
    } catch (const PictureError& e) {
        QVERIFY2(e.message().contains(bitmap), qPrintable(e.message()));
    }
    QCOMPARE(listing(dir.path()), before); // no half JPEG left
}

QTEST_GUILESS_MAIN(TestPictures)
#include "tst_pictures.moc"
