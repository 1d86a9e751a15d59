#include "ui/CKipImageSlider.h"

#include "../ui-common/SkinTestSupport.h"
#include "ui/SkinBitmap.h"

#include <QKeyEvent>
#include <QSignalSpy>
#include <QWheelEvent>
#include <QtTest>

// The speed slider's skin: channel and fill 179 x 15, thumb 15 x 15.
class TestImageSlider : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QWidget> m_parent;
    CKipImageSlider *m_slider = nullptr;
    QList<int> m_codes;

    // The notifications are queued: collect what arrived so far.
    QList<int> Codes()
    {
        QCoreApplication::processEvents();
        return std::exchange(m_codes, {});
    }

    void Press(int x) { SendMouse(m_slider, QEvent::MouseButtonPress, QPoint(x, 7)); }
    void Move(int x) { SendMouse(m_slider, QEvent::MouseMove, QPoint(x, 7)); }
    void Release(int x)
    {
        SendMouse(m_slider, QEvent::MouseButtonRelease, QPoint(x, 7), Qt::NoButton);
    }
    void Key(QEvent::Type type, int key)
    {
        QKeyEvent event(type, key, Qt::NoModifier);
        QApplication::sendEvent(m_slider, &event);
    }

private slots:
    void initTestCase() { RedirectMachineSettings("skin_slider"); }
    void init()
    {
        m_parent = std::make_unique<QWidget>();
        m_parent->resize(300, 60);
        m_slider = new CKipImageSlider(m_parent.get(), 1021);
        m_slider->setGeometry(10, 10, 179, 15);
        m_slider->SetBitmaps(267, 215, 218, 218, 218);
        m_slider->SetRange(0, 99);
        connect(m_slider, &CKipImageSlider::HScroll, this, [this](int code, CKipImageSlider *s) {
            QCOMPARE(s, m_slider);
            m_codes << code;
        });
        m_parent->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_parent.get()));
    }
    void cleanup() { m_parent.reset(); }

    void defaults()
    {
        QCOMPARE(m_slider->GetLineSize(), 1);
        QCOMPARE(m_slider->GetPageSize(), 10);
        QVERIFY(m_slider->GetWheelPasses());
    }

    void pointerToPos_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("thumb");
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("pos");
        QTest::newRow("179 px, x 7 is the start") << 7 << 179 << 15 << 0 << 99 << 0;
        QTest::newRow("179 px, left of the start") << 0 << 179 << 15 << 0 << 99 << 0;
        QTest::newRow("179 px, right end gives max + 1") << 178 << 179 << 15 << 0 << 99 << 100;
        QTest::newRow("179 px, middle") << 89 << 179 << 15 << 0 << 99 << 50;
        QTest::newRow("negative range") << 89 << 179 << 15 << -150 << 150 << 0;
        QTest::newRow("milliseconds beyond 16 bits") << 390 << 391 << 20 << 0 << 200000 << 200001;
        QTest::newRow("one value") << 50 << 179 << 15 << 5 << 5 << 5;
        QTest::newRow("no track left") << 5 << 10 << 15 << 0 << 99 << 0;
    }
    void pointerToPos()
    {
        QFETCH(int, x);
        QFETCH(int, width);
        QFETCH(int, thumb);
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(int, pos);
        QCOMPARE(CKipImageSlider::PointerToPos(x, width, thumb, 0, min, max), pos);
    }

    void posToThumbX()
    {
        QCOMPARE(CKipImageSlider::PosToThumbX(0, 179, 15, 0, 0, 99), 0);
        QCOMPARE(CKipImageSlider::PosToThumbX(99, 179, 15, 0, 0, 99), 164);
        QCOMPARE(CKipImageSlider::PosToThumbX(0, 179, 15, 0, -150, 150), 82);
        // max = min would divide by zero: the thumb rests at the start.
        QCOMPARE(CKipImageSlider::PosToThumbX(5, 179, 15, 0, 5, 5), 0);
    }

    void clickJumpsThere()
    {
        m_slider->SetPos(50);
        Press(7);
        QCOMPARE(m_slider->GetPos(), 0);
        Release(7);
        QCOMPARE(Codes(),
                 (QList<int>{CKipImageSlider::TB_THUMBTRACK, CKipImageSlider::TB_THUMBPOSITION}));
        Press(178);
        Release(178);
        QCOMPARE(m_slider->GetPos(), 99);
    }

    void dragPastEitherEndPins()
    {
        Press(90);
        Move(-40);
        QCOMPARE(m_slider->GetPos(), 0);
        Move(500);
        QCOMPARE(m_slider->GetPos(), 99);
        Release(500);
        QVERIFY(!m_slider->IsDragging());
        QCOMPARE(Codes().last(), int(CKipImageSlider::TB_THUMBPOSITION));
    }

    void thumbPositionOnlyAfterADragThatMoved()
    {
        m_slider->SetPos(50);
        Press(89); // where 50 already is
        Move(89);
        Release(89);
        QCOMPARE(Codes(), QList<int>{});
        Press(89);
        Move(120);
        Move(89); // back where it started: it still moved
        Release(89);
        const QList<int> codes = Codes();
        QCOMPARE(codes.count(CKipImageSlider::TB_THUMBPOSITION), 1);
        QCOMPARE(codes.last(), int(CKipImageSlider::TB_THUMBPOSITION));
    }

    void keys_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("pos");
        QTest::addColumn<int>("code");
        QTest::newRow("Page Down from max - 3") << 96 << int(Qt::Key_PageDown) << 99 << 3;
        QTest::newRow("Page Down") << 40 << int(Qt::Key_PageDown) << 50 << 3;
        QTest::newRow("Page Up near min") << 4 << int(Qt::Key_PageUp) << 0 << 2;
        QTest::newRow("End") << 10 << int(Qt::Key_End) << 99 << 7;
        QTest::newRow("Home") << 10 << int(Qt::Key_Home) << 0 << 6;
        QTest::newRow("Left") << 10 << int(Qt::Key_Left) << 9 << 0;
        QTest::newRow("Right at max") << 99 << int(Qt::Key_Right) << 99 << 1;
        QTest::newRow("Up") << 10 << int(Qt::Key_Up) << 9 << 0;
        QTest::newRow("Down") << 10 << int(Qt::Key_Down) << 11 << 1;
    }
    void keys()
    {
        QFETCH(int, start);
        QFETCH(int, key);
        QFETCH(int, pos);
        QFETCH(int, code);
        m_slider->SetPos(start);
        Key(QEvent::KeyPress, key);
        QCOMPARE(m_slider->GetPos(), pos);
        Key(QEvent::KeyRelease, key);
        QCOMPARE(Codes(), (QList<int>{code, CKipImageSlider::TB_ENDTRACK}));
    }

    void wheelFlag()
    {
        m_slider->SetPos(50);
        auto wheel = [this] {
            QWheelEvent event(QPointF(50, 7), m_slider->mapToGlobal(QPointF(50, 7)), QPoint(),
                              QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                              false);
            QApplication::sendEvent(m_slider, &event);
        };
        m_slider->SetWheelPasses(false);
        wheel();
        QCOMPARE(m_slider->GetPos(), 50);
        QCOMPARE(Codes(), QList<int>{});
        m_slider->SetWheelPasses(true);
        wheel();
        QCOMPARE(m_slider->GetPos(), 51);
        QCOMPARE(Codes().first(), int(CKipImageSlider::TB_LINEDOWN));
    }

    // The three layers: channel everywhere, fill left of the thumb, the thumb with its white
    // pixels showing what lies beneath.
    void paintsTheLayers()
    {
        m_slider->SetPos(99);
        QImage img = Grab(m_slider);
        const QImage fill = Rgb(LoadSkinImage(215)), thumb = Rgb(LoadSkinImage(218));
        QCOMPARE(img.pixelColor(40, 7), fill.pixelColor(40, 7));
        QCOMPARE(img.pixelColor(164 + 7, 7), thumb.pixelColor(7, 7));
        QVERIFY(img.pixelColor(164, 0) != QColor(Qt::white)); // keyed corner
        m_slider->SetPos(0);
        img = Grab(m_slider);
        const QImage channel = Rgb(LoadSkinImage(267));
        QCOMPARE(img.pixelColor(100, 7), channel.pixelColor(100, 7));
        QVERIFY(channel.pixelColor(100, 7) != fill.pixelColor(100, 7));
    }

    // Distinct thumbs for the three looks: the normal speed thumb, a readout digit while
    // dragging, the volume icon with the focus.
    void thumbFollowsDragAndFocus()
    {
        m_slider->SetBitmaps(267, 215, 218, 321, 501);
        m_slider->SetPos(0);
        m_slider->clearFocus(); // the window gives its only focusable child the focus
        QTRY_VERIFY(!m_slider->hasFocus());
        const QColor normal = Grab(m_slider).pixelColor(7, 7);
        m_parent->activateWindow();
        m_slider->setFocus();
        QTRY_VERIFY(m_slider->hasFocus());
        const QColor focused = Grab(m_slider).pixelColor(7, 7);
        Press(7);
        QVERIFY(m_slider->IsDragging());
        const QColor pressed = Grab(m_slider).pixelColor(7, 7);
        Release(7);
        QVERIFY(normal != focused);
        QVERIFY(normal != pressed);
        QVERIFY(focused != pressed);
        QCOMPARE(Grab(m_slider).pixelColor(7, 7), focused);
    }

    void oneValueRangeIsSafe()
    {
        m_slider->SetRange(5, 5);
        Press(100);
        Move(170);
        Release(170);
        QCOMPARE(m_slider->GetPos(), 5);
        m_slider->RedrawNow();
        QVERIFY(!Grab(m_slider).isNull());
    }
};

QTEST_MAIN(TestImageSlider)
#include "test_slider.moc"
