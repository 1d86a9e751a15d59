#include "ui/CKipStaticTrans.h"

#include "../ui-common/SkinTestSupport.h"
#include "platform/SettingsStore.h"
#include "ui/CMyMemDC.h"
#include "ui/CSkinMemDC.h"
#include "ui/SkinBitmap.h"

#include <QPainter>
#include <QtTest>

namespace
{
const QColor kParentColour(200, 30, 30);

// A parent that paints a plain colour, so whatever shows through is easy to spot.
class Backdrop : public QWidget
{
public:
    int paints = 0;
    QRegion lastRegion;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        ++paints;
        lastRegion = event->region();
        QPainter(this).fillRect(rect(), kParentColour);
    }
};
} // namespace

class TestSkinStatic : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Backdrop> m_parent;

    QImage GrabParentArea(QWidget *w)
    {
        return m_parent->grab(w->geometry()).toImage().convertToFormat(QImage::Format_RGB32);
    }

private slots:
    void initTestCase() { RedirectMachineSettings("skin_static"); }
    void init()
    {
        m_parent = std::make_unique<Backdrop>();
        m_parent->resize(400, 100);
        m_parent->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_parent.get()));
    }
    void cleanup() { m_parent.reset(); }

    void greenPixelsOfTheBackgroundLetTheParentShow()
    {
        auto *text = new CKipStaticTrans(m_parent.get(), 1025);
        text->setGeometry(40, 20, 50, 13);
        text->SetBackgroundBitmap(293);
        text->show();
        const QImage img = GrabParentArea(text);
        const QImage skin = Rgb(LoadSkinImage(293));
        QCOMPARE(skin.pixelColor(0, 0), QColor(0, 255, 0));
        QCOMPARE(img.pixelColor(0, 0), kParentColour);
        QCOMPARE(img.pixelColor(25, 6), skin.pixelColor(25, 6));
    }

    void transparentBackgroundShowsTheParentAndDrawsTheText()
    {
        auto *text = new CKipStaticTrans(m_parent.get());
        text->setGeometry(10, 10, 200, 30);
        text->SetTextColor(QColor(164, 164, 164));
        text->setText(QStringLiteral("00:01:05"));
        text->show();
        const QImage img = GrabParentArea(text);
        QCOMPARE(img.pixelColor(199, 29), kParentColour);
        bool sawText = false;
        for (int y = 0; y < img.height() && !sawText; ++y)
            for (int x = 0; x < 100 && !sawText; ++x)
                sawText = img.pixelColor(x, y).red() < 190; // grey text over red
        QVERIFY(sawText);
    }

    void solidBackground()
    {
        auto *value = new CKipStaticTrans(m_parent.get(), 10109);
        value->setGeometry(10, 10, 60, 15);
        value->SetBackgroundColor(QColor(30, 30, 30));
        value->SetTextColor(QColor(239, 183, 26));
        value->setText(QStringLiteral("32.0 GB"));
        value->show();
        QCOMPARE(GrabParentArea(value).pixelColor(59, 14), QColor(30, 30, 30));
        value->SetBackgroundColor(std::nullopt);
        QCOMPARE(GrabParentArea(value).pixelColor(59, 14), kParentColour);
    }

    void hangulKanaAndCyrillicHaveGlyphs()
    {
        CKipStaticTrans text(m_parent.get());
        const QFontMetrics metrics(text.font());
        for (const QString &s : {QStringLiteral("메모리 정보"), QStringLiteral("メモリー情報"),
                                 QStringLiteral("Информация")})
            for (const QChar c : s)
                QVERIFY2(c.isSpace() || metrics.inFontUcs4(c.unicode()), qPrintable(s));
    }

    // The designed face's em size (a 16-pixel cell of "맑은 고딕" is an 11-pixel em), whatever
    // font stands in for it.
    void fontHeightAndWeight()
    {
        CKipStaticTrans text(m_parent.get());
        QCOMPARE(text.font().weight(), QFont::Normal);
        QCOMPARE(text.font().pixelSize(), 11);
        text.SetFontWeight(700);
        text.SetFontHeight(17);
        QCOMPARE(text.font().weight(), QFont::Bold);
        QCOMPARE(text.GetFontHeight(), 17);
        QCOMPARE(text.font().pixelSize(), 12);
        QCOMPARE(MakeSkinFont(QStringLiteral("굴림"), 11, 400).pixelSize(), 11);
    }

    // A 15-pixel time text keeps its figures whole: nothing of them lies outside the box.
    void textFitsItsBox()
    {
        auto *text = new CKipStaticTrans(m_parent.get());
        text->setGeometry(10, 10, 60, 15);
        text->SetTextColor(Qt::white);
        text->setText(QStringLiteral("00:12:59"));
        text->show();
        const QImage img = GrabParentArea(text);
        int top = img.height(), bottom = -1;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixelColor(x, y).green() > 150)
                    top = std::min(top, y), bottom = std::max(bottom, y);
        QVERIFY(bottom >= 0);
        QVERIFY(top >= 1);
        QVERIFY(bottom <= 13);
    }

    void refreshBehindRepaintsTheParentInside()
    {
        auto *text = new CKipStaticTrans(m_parent.get());
        text->setGeometry(100, 40, 60, 20);
        text->show();
        QCoreApplication::processEvents();
        const int before = m_parent->paints;
        text->RefreshBehind();
        QTRY_VERIFY(m_parent->paints > before);
        QVERIFY(m_parent->lastRegion.boundingRect().contains(QRect(102, 42, 56, 16)));
    }

    void markerIsWritten()
    {
        CKipStaticTrans text(m_parent.get());
        const auto marker = CSettingsStore::System().GetNumber(
            SettingsHive::LocalMachine, QStringLiteral("SOFTWARE\\Pelmo"),
            QStringLiteral("usingKipStaticTrans"));
        QVERIFY(marker.Ok());
        QCOMPARE(marker.value, 1u);
    }

    // Both back buffers land where they were drawn, in the target's coordinates.
    void memoryDrawingSurfacesCopyBack()
    {
        QImage target(50, 40, QImage::Format_RGB32);
        target.fill(Qt::black);
        {
            QPainter p(&target);
            {
                CSkinMemDC dc(QRect(0, 0, 30, 20), p);
                dc.Painter().fillRect(QRect(10, 5, 5, 5), Qt::blue);
                QCOMPARE(target.pixelColor(12, 7), QColor(Qt::black)); // not yet copied
            }
            {
                CMyMemDC dc(p, QRect(20, 20, 30, 20));
                dc.Painter().fillRect(QRect(25, 25, 5, 5), Qt::green);
            }
        }
        QCOMPARE(target.pixelColor(12, 7), QColor(Qt::blue));
        QCOMPARE(target.pixelColor(27, 27), QColor(Qt::green));
        QCOMPARE(target.pixelColor(45, 5), QColor(Qt::black));
    }
};

QTEST_MAIN(TestSkinStatic)
#include "test_static.moc"
