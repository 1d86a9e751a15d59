#include "ui/SkinBitmap.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>
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
    void mainSkinHoldsTheLayoutRegions();
    void buttonsBlendWhereTheySit();
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

// Every button's states (the rows of one control in the manifest) are different pictures.
void TestSkinBitmap::statesDiffer()
{
    QFile file(QStringLiteral(QUORVIL_SOURCE_DIR "/resources/skin/manifest.tsv"));
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QTextStream in(&file);
    QMap<QString, QList<int>> controls; // glyph and placement -> ids of its states
    while (!in.atEnd()) {
        const QStringList cols = in.readLine().split(u'\t');
        if (cols.size() != 6 || cols[3] != QLatin1String("button"))
            continue;
        QString key = cols[4];
        key.remove(QRegularExpression(QStringLiteral("state=[a-z]+;")));
        controls[key] << cols[0].toInt();
    }
    QVERIFY(controls.size() > 40);
    for (auto it = controls.cbegin(); it != controls.cend(); ++it) {
        const QList<int> &ids = it.value();
        QVERIFY2(ids.size() >= 3, qPrintable(it.key()));
        for (int i = 0; i < ids.size(); ++i)
            for (int j = i + 1; j < ids.size(); ++j)
                QVERIFY2(LoadSkinImage(ids[i]) != LoadSkinImage(ids[j]),
                         qPrintable(QStringLiteral("%1 vs %2").arg(ids[i]).arg(ids[j])));
    }
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

// The main skin carries the empty video area and the map bar where the window draws them, so
// the window looks the same before and after it paints those on top.
void TestSkinBitmap::mainSkinHoldsTheLayoutRegions()
{
    const QImage skin = LoadSkinImage(129).convertToFormat(QImage::Format_RGB32);
    const struct {
        int id;
        QPoint at;
    } regions[] = {{498, {3, 77}}, {279, {695, 635}}};
    for (const auto &r : regions) {
        const QImage part = LoadSkinImage(r.id).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(skin.copy(QRect(r.at, part.size())), part);
    }
    // The list area is the list's background colour.
    QCOMPARE(skin.pixelColor(800, 400), QColor(33, 33, 33));
}

// Every button drawn for the main window starts from the skin under its rectangle: its
// corner pixel is the skin's pixel there.
void TestSkinBitmap::buttonsBlendWhereTheySit()
{
    const QImage skin = LoadSkinImage(129).convertToFormat(QImage::Format_RGB32);
    QFile file(QStringLiteral(QUORVIL_SOURCE_DIR "/resources/skin/manifest.tsv"));
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QTextStream in(&file);
    int checked = 0;
    while (!in.atEnd()) {
        const QStringList cols = in.readLine().split(u'\t');
        if (cols.size() != 6 || cols[3] != QLatin1String("button"))
            continue;
        const qsizetype at = cols[4].indexOf(QLatin1String("bg=main@"));
        if (at < 0)
            continue;
        const QStringList xy = cols[4].mid(at + 8).section(u';', 0, 0).split(u',');
        const QPoint pos(xy[0].toInt(), xy[1].toInt());
        const QImage button = LoadSkinImage(cols[0].toInt()).convertToFormat(QImage::Format_RGB32);
        QVERIFY2(QRect(0, 0, 1022, 682).contains(QRect(pos, button.size())), qPrintable(cols[0]));
        QCOMPARE(button.pixelColor(0, 0), skin.pixelColor(pos));
        ++checked;
    }
    QVERIFY(checked > 50);
}

QTEST_MAIN(TestSkinBitmap)
#include "tst_SkinBitmap.moc"
