#include "ui/AppMainWindow.h"
#include "ui/SkinBitmap.h"
#include "ui/SkinWordSets.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QTextStream>
#include <QtTest>

#include <algorithm>

// The manifest is the list of every bitmap the windows name; each must load at its size.
class TestSkinBitmap : public QObject
{
    Q_OBJECT

private slots:
    void everyManifestRowLoadsAtItsSize_data();
    void everyManifestRowLoadsAtItsSize();
    void everyBitmapTheWindowsNameIsThere_data();
    void everyBitmapTheWindowsNameIsThere();
    void missingIdGivesEmptyBitmap();
    void colourKeysAreExact();
    void statesDiffer();
    void appIconHasSeveralSizes();
    void colourKeyBecomesTransparent();
    void mainSkinHoldsTheLayoutRegions();
    void buttonsBlendWhereTheySit();
    void wordBitmapsFollowTheLanguage_data();
    void wordBitmapsFollowTheLanguage();
};

namespace
{

class WindowInLanguage : public IAppMainWindow
{
public:
    explicit WindowInLanguage(std::uint16_t language) : m_language(language)
    {
        SetAppMainWindow(this);
    }
    ~WindowInLanguage() override { SetAppMainWindow(nullptr); }
    std::uint16_t GetLanguage() const override { return m_language; }

private:
    std::uint16_t m_language;
};

// The bitmaps that carry words: the main skin (area titles, column heads, "G-SENSOR"), the
// map bar ("GPS", "km/h") and the category tabs in their three states.
const QList<int> kWordBitmaps{129, 164, 165, 166, 167, 168, 169, 170, 171, 172, 173, 174, 175, 279};

} // namespace

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

// The ids the windows pass to their controls and paint code, at the size of the rectangle each
// is drawn into (independent of the manifest, so a lost or resized row shows here).
void TestSkinBitmap::everyBitmapTheWindowsNameIsThere_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QSize>("size");
    const struct {
        QSize size;
        std::initializer_list<int> ids;
    } groups[] = {
        {{1022, 682}, {129}},
        {{688, 389}, {498}},
        {{324, 28}, {279}},
        {{370, 114}, {292}},
        {{10, 15}, {321, 322, 323, 324, 325, 326, 327, 328, 329, 330}},
        {{72, 16}, {241}},
        {{17, 16}, {236, 237, 240}},
        {{17, 26}, {238}},
        {{18, 1}, {239}},
        {{1, 44}, {269}},
        {{1, 40}, {270}},
        {{50, 15}, {278}},
        {{50, 13}, {293, 294}},
        {{290, 15}, {312}},
        {{338, 412}, {493}},
        {{28, 22}, {494, 495, 496}},
        {{22, 21}, {500}},
        {{22, 16}, {501, 223, 225, 224, 220, 222, 221, 303, 305, 304, 300, 302, 301}},
        {{37, 28},
         {133, 135, 134, 130, 132, 131, 502, 504, 503, 191, 193, 192, 200, 202, 201, 197, 199, 198,
          194, 196, 195, 288, 290, 289, 285, 287, 286, 485, 487, 486, 484, 489, 491, 490, 488}},
        {{36, 28}, {136, 138, 137, 206, 208, 207, 203, 205, 204, 308, 310, 309}},
        {{36, 22}, {456, 458, 457, 455, 460, 462, 461, 459, 464, 466, 465, 463, 145, 147, 146, 467,
                    142, 144, 143, 313, 315, 314, 148, 150, 149, 151, 153, 152, 160, 163, 161}},
        {{34, 22}, {469, 471, 470, 468, 139, 141, 140, 497, 154, 156, 155}},
        {{39, 19}, {451, 453, 452}},
        {{81, 29}, {164, 166, 165, 173, 175, 174, 167, 169, 168}},
        {{82, 29}, {170, 172, 171}},
        {{37, 22}, {280, 282, 281, 158, 157, 159}},
        {{40, 28}, {473, 475, 474, 472, 477, 479, 478, 476, 481, 483, 482, 480}},
        {{391, 20}, {209, 210, 306, 307}},
        {{20, 20}, {213}},
        {{179, 15}, {267, 215, 268, 216, 266, 214}},
        {{15, 15}, {218, 219, 217}},
        {{181, 15}, {296, 297}},
    };
    for (const auto &group : groups)
        for (const int id : group.ids)
            QTest::newRow(qPrintable(QString::number(id))) << id << group.size;
}

void TestSkinBitmap::everyBitmapTheWindowsNameIsThere()
{
    QFETCH(int, id);
    QFETCH(QSize, size);
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
    const struct {
        int id;
        QColor key;
    } keyed[] = {{292, green},   {278, green}, {293, green}, {294, green}, {312, green},
                 {241, magenta}, {213, white}, {217, white}, {218, white}, {219, white}};
    for (const auto &k : keyed) {
        const QImage image = LoadSkinImage(k.id);
        const QPoint inside(9, 7); // in the first glyph of the strip, in every other one too
        QCOMPARE(image.pixelColor(0, 0), k.key); // the corner lets the parent show
        QCOMPARE(image.pixelColor(image.width() - 1, image.height() - 1), k.key);
        QVERIFY2(image.pixelColor(inside) != k.key, qPrintable(QString::number(k.id)));
    }
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

void TestSkinBitmap::wordBitmapsFollowTheLanguage_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("folder"); // "" for the default (English) set
    QTest::newRow("English") << 1033 << QString();
    QTest::newRow("Korean") << 1042 << QStringLiteral("1042/");
    QTest::newRow("Japanese") << 1041 << QStringLiteral("1041/");
    QTest::newRow("Russian") << 1049 << QStringLiteral("1049/");
}

// Each language has its own set of the word bitmaps, sized as the English ones, and the
// registered main window's language picks it; every other bitmap is shared.
void TestSkinBitmap::wordBitmapsFollowTheLanguage()
{
    QFETCH(int, language);
    QFETCH(QString, folder);
    const QImage englishSkin = LoadSkinImage(129);
    const WindowInLanguage window(static_cast<std::uint16_t>(language));
    for (const int id : kWordBitmaps) {
        QCOMPARE(SkinBitmapPath(id), QStringLiteral(":/skin/%1%2.png").arg(folder).arg(id));
        QCOMPARE(LoadSkinImage(id).size(), QImage(QStringLiteral(":/skin/%1.png").arg(id)).size());
        QCOMPARE(LoadSkinBitmap(id).size(), LoadSkinImage(id).size());
    }
    for (const int id : {130, 292, 321, 498})
        QCOMPARE(SkinBitmapPath(id), QStringLiteral(":/skin/%1.png").arg(id));
    if (folder.isEmpty())
        return;
    // The set holds exactly the word bitmaps.
    QList<int> inSet;
    for (const QString &name : QDir(QStringLiteral(":/skin/") + folder).entryList())
        inSet.push_back(QFileInfo(name).baseName().toInt());
    std::sort(inSet.begin(), inSet.end());
    QCOMPARE(inSet, kWordBitmaps);
    // The title above the list, the column heads and the tabs read in this language: their
    // pixels are not the English ones, while the frame around them is.
    const QImage skin = LoadSkinImage(129);
    for (const QRect &words :
         {QRect(702, 48, 160, 29), QRect(695, 107, 267, 19), QRect(41, 511, 200, 16)})
        QVERIFY(skin.copy(words) != englishSkin.copy(words));
    QCOMPARE(skin.copy(QRect(0, 0, 1022, 47)), englishSkin.copy(QRect(0, 0, 1022, 47)));
    QVERIFY(LoadSkinImage(164) != QImage(QStringLiteral(":/skin/164.png")));
}

QTEST_MAIN(TestSkinBitmap)
#include "test_bitmap.moc"
