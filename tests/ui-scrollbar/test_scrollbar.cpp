#include "ui/CKipFileListVerticleScrollbar.h"

#include "../ui-common/SkinTestSupport.h"
#include "ui/IScrollableList.h"
#include "ui/SkinBitmap.h"

#include <QtTest>

namespace
{

// A list of report rows 21 pixels high: the scroll state a list view keeps, with pixel
// scrolling rounded to whole rows the way a report view does it.
class RowList : public IScrollableList
{
public:
    int rows = 0;
    int perPage = 24;
    int pos = 0;
    int scrollCalls = 0;
    CKipFileListVerticleScrollbar *bar = nullptr;

    int GetVerticalScrollPos() const override { return pos; }
    int GetVerticalScrollLimit() const override { return std::max(0, rows - perPage); }
    int GetItemCount() const override { return rows; }
    int GetCountPerPage() const override { return perPage; }
    void ScrollVertical(int dyPixels) override
    {
        ++scrollCalls;
        pos = std::clamp(pos + qRound(dyPixels / 21.0), 0, GetVerticalScrollLimit());
        if (bar)
            bar->UpdateThumb(); // the list repaints, and painting updates the bar
    }
};

} // namespace

class TestSkinScrollbar : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QWidget> m_parent;
    CKipFileListVerticleScrollbar *m_bar = nullptr;
    RowList m_list;

    void Press(QPoint pt) { SendMouse(m_bar, QEvent::MouseButtonPress, pt); }
    void Move(QPoint pt) { SendMouse(m_bar, QEvent::MouseMove, pt); }
    void Release(QPoint pt) { SendMouse(m_bar, QEvent::MouseButtonRelease, pt, Qt::NoButton); }
    QPoint DownArrow() const { return QPoint(8, m_bar->height() - 8); }
    QPoint UpArrow() const { return QPoint(8, 8); }

private slots:
    void initTestCase() { RedirectMachineSettings("skin_scrollbar"); }
    void init()
    {
        m_parent = std::make_unique<QWidget>();
        m_parent->resize(100, 560);
        m_bar = new CKipFileListVerticleScrollbar(m_parent.get());
        m_bar->setGeometry(10, 10, 18, 527);
        m_list = RowList();
        m_list.bar = m_bar;
        m_bar->SetList(&m_list);
        m_parent->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_parent.get()));
    }
    void cleanup() { m_parent.reset(); }

    void hiddenWhenTheListFits()
    {
        m_list.rows = 10;
        m_bar->UpdateThumb();
        QVERIFY(m_bar->isHidden());
        m_list.rows = 1000; // a thumb proportional to 24/1000 would be 11 pixels
        m_bar->UpdateThumb();
        QVERIFY(m_bar->isVisible());
        QCOMPARE(m_bar->GetThumbHeight(), 20);
        m_list.rows = 48;
        m_bar->UpdateThumb();
        QCOMPARE(m_bar->GetThumbHeight(), (527 - 32) / 2);
    }

    void drawsTheSkin()
    {
        m_list.rows = 48;
        m_bar->UpdateThumb();
        const QImage img = Grab(m_bar);
        const QImage up = Rgb(LoadSkinImage(236)), down = Rgb(LoadSkinImage(240));
        QCOMPARE(img.pixelColor(1 + 8, 8), up.pixelColor(8, 8));
        QCOMPARE(img.pixelColor(1 + 8, 527 - 16 + 8), down.pixelColor(8, 8));
        const QImage thumb = Rgb(LoadSkinImage(238));
        QCOMPARE(img.pixelColor(1 + 8, m_bar->GetThumbTop() + 5), thumb.pixelColor(8, 5));
        QCOMPARE(img.pixelColor(0, 300), Rgb(LoadSkinImage(239)).pixelColor(0, 0));
    }

    void shortArrowPressScrollsOneStep()
    {
        m_list.rows = 100;
        m_bar->UpdateThumb();
        Press(DownArrow());
        Release(DownArrow());
        QCOMPARE(m_list.pos, 1);
        QTest::qWait(400); // the delay timer finds no arrow held
        QCOMPARE(m_list.pos, 1);
        Press(UpArrow());
        Release(UpArrow());
        QCOMPARE(m_list.pos, 0);
    }

    void longArrowPressRepeats()
    {
        m_list.rows = 100;
        m_bar->UpdateThumb();
        Press(DownArrow());
        QTRY_VERIFY_WITH_TIMEOUT(m_list.pos >= 3, 5000);
        Release(DownArrow());
        const int released = m_list.pos;
        QTest::qWait(200);
        QCOMPARE(m_list.pos, released); // repeating stops with the release
    }

    void trackClicksPage()
    {
        m_list.rows = 200;
        m_list.pos = 50;
        m_bar->UpdateThumb();
        const int top = m_bar->GetThumbTop();
        const QPoint below(8, top + m_bar->GetThumbHeight() + 20);
        Press(below);
        Release(below);
        QCOMPARE(m_list.pos, 50 + 24);
        const QPoint above(8, m_bar->GetThumbTop() - 20);
        Press(above);
        Release(above);
        QCOMPARE(m_list.pos, 50);
    }

    void draggingTheThumbToTheBottomShowsTheLastPage()
    {
        m_list.rows = 200;
        m_bar->UpdateThumb();
        const QPoint grab(8, m_bar->GetThumbTop() + 5);
        Press(grab);
        for (int y = grab.y(); y <= 700; y += 37) {
            Move(QPoint(8, y));
            QVERIFY(m_bar->GetThumbTop() >= 16);
            QVERIFY(m_bar->GetThumbTop() + m_bar->GetThumbHeight() <= 527 - 16);
        }
        Release(QPoint(8, 700));
        QCOMPARE(m_list.pos, m_list.GetVerticalScrollLimit());
        // At the bottom of the track (the truncating ratio may leave it one pixel short).
        QVERIFY(m_bar->GetThumbTop() + m_bar->GetThumbHeight() >= 527 - 16 - 1);
        // And back to the top.
        Press(QPoint(8, m_bar->GetThumbTop() + 5));
        Move(QPoint(8, -300));
        Release(QPoint(8, -300));
        QCOMPARE(m_list.pos, 0);
        QCOMPARE(m_bar->GetThumbTop(), 16);
    }

    // A quick flick: one move straight to the bottom of the track, then the release.
    void oneMoveToTheBottomShowsTheLastPage()
    {
        m_list.rows = 200;
        m_bar->UpdateThumb();
        const int h = m_bar->GetThumbHeight();
        const QPoint bottom(8, 527 - 16 - h + h / 2); // the thumb just touches the down arrow
        Press(QPoint(8, m_bar->GetThumbTop() + 5));
        Move(bottom);
        Release(bottom);
        QCOMPARE(m_list.pos, m_list.GetVerticalScrollLimit());
    }

    void hidingTheBarStopsAHeldArrow()
    {
        m_list.rows = 100;
        m_bar->UpdateThumb();
        Press(DownArrow());
        m_list.rows = 10; // the list was emptied and refilled while the arrow was held
        m_bar->UpdateThumb();
        QVERIFY(m_bar->isHidden());
        m_list.rows = 100;
        m_list.pos = 0;
        m_bar->UpdateThumb();
        QVERIFY(m_bar->isVisible());
        QTest::qWait(500); // past the delay and several repeat periods
        QCOMPARE(m_list.pos, 0);
    }

    void withoutAListNothingHappens()
    {
        m_bar->SetList(nullptr);
        m_bar->UpdateThumb();
        Press(DownArrow());
        Release(DownArrow());
        Press(QPoint(8, 200));
        Release(QPoint(8, 200));
        QCOMPARE(m_list.scrollCalls, 0);
    }
};

QTEST_MAIN(TestSkinScrollbar)
#include "test_scrollbar.moc"
