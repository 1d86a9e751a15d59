#include "ui/SkinBitmap.h"

#include <QFile>
#include <QTextStream>
#include <QtTest>

// The manifest is the list of every bitmap the windows name; each must load at its size.
class TestSkinBitmap : public QObject
{
    Q_OBJECT

private slots:
    void everyManifestRowLoadsAtItsSize_data();
    void everyManifestRowLoadsAtItsSize();
    void missingIdGivesEmptyBitmap();
    void colourKeysAreExact();
    void statesDiffer();
    void appIconHasSeveralSizes();
    void colourKeyBecomesTransparent();
};

void TestSkinBitmap::everyManifestRowLoadsAtItsSize_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QSize>("size");
    QFile file(QStringLiteral(QUORVIL_SOURCE_DIR "/resources/skin/manifest.tsv"));
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList cols = line.split(u'\t');
        QTest::newRow(qPrintable(cols[0] + u' ' + cols[5]))
            << cols[0].toInt() << QSize(cols[1].toInt(), cols[2].toInt());
    }
}

void TestSkinBitmap::everyManifestRowLoadsAtItsSize()
{
    QFETCH(int, id);
    QFETCH(QSize, size);
    QVERIFY(HasSkinBitmap(id));
    QCOMPARE(LoadSkinBitmap(id).size(), size);
    QCOMPARE(LoadSkinImage(id).size(), size);
}

void TestSkinBitmap::missingIdGivesEmptyBitmap()
{
    for (int id : {0, -1, 162, 999, 65535}) {
        QVERIFY(!HasSkinBitmap(id));
        QVERIFY(LoadSkinBitmap(id).isNull());
        QVERIFY(LoadSkinImage(id).isNull());
    }
}

// The controls copy these with a transparent colour: the keys must be exactly there.
void TestSkinBitmap::colourKeysAreExact()
{
    const QColor green(0, 255, 0), magenta(255, 0, 255), white(255, 255, 255);
    QCOMPARE(LoadSkinImage(292).pixelColor(0, 0), green);   // graph corner
    QCOMPARE(LoadSkinImage(293).pixelColor(0, 0), green);   // text background corner
    QVERIFY(LoadSkinImage(293).pixelColor(25, 6) != green); // ... but not its middle
    QCOMPARE(LoadSkinImage(241).pixelColor(0, 0), magenta); // check box strip
    QCOMPARE(LoadSkinImage(213).pixelColor(0, 0), white);   // thumb corner
    QVERIFY(LoadSkinImage(213).pixelColor(10, 10) != white);
    // The digits are opaque: no key colour anywhere.
    for (int id = 321; id <= 330; ++id) {
        const QImage digit = LoadSkinImage(id);
        for (int y = 0; y < digit.height(); ++y)
            for (int x = 0; x < digit.width(); ++x)
                QVERIFY(digit.pixelColor(x, y) != green);
    }
}

void TestSkinBitmap::statesDiffer()
{
    // normal, pressed, hover, disabled of Front view; normal, pressed, hover of Play.
    const QList<QList<int>> sets = {{456, 458, 457, 455}, {200, 202, 201}, {164, 166, 165}};
    for (const QList<int> &ids : sets)
        for (int i = 0; i < ids.size(); ++i)
            for (int j = i + 1; j < ids.size(); ++j)
                QVERIFY2(LoadSkinImage(ids[i]) != LoadSkinImage(ids[j]),
                         qPrintable(QStringLiteral("%1 vs %2").arg(ids[i]).arg(ids[j])));
}

void TestSkinBitmap::appIconHasSeveralSizes()
{
    const QIcon icon = LoadAppIcon();
    QVERIFY(!icon.isNull());
    QVERIFY(icon.availableSizes().size() >= 4);
    QVERIFY(HasSkinBitmap(128));
}

void TestSkinBitmap::colourKeyBecomesTransparent()
{
    const QImage keyed = ApplyColorKey(LoadSkinImage(241), QColor(255, 0, 255));
    QCOMPARE(qAlpha(keyed.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(keyed.pixel(18 + 9, 8)), 255); // inside the checked glyph
    const QPixmap thumb = LoadSkinBitmapKeyed(213, Qt::white);
    const QImage shown = thumb.toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(qAlpha(shown.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(shown.pixel(10, 10)), 255);
    QVERIFY(ApplyColorKey(QImage(), Qt::green).isNull());
    QVERIFY(LoadSkinBitmapKeyed(99999, Qt::green).isNull());
}

QTEST_MAIN(TestSkinBitmap)
#include "tst_SkinBitmap.moc"
