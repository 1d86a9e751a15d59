#include "ui/CKipSkinButton.h"

#include "../ui-common/SkinTestSupport.h"
#include "platform/SettingsStore.h"
#include "ui/SkinBitmap.h"

#include <QKeyEvent>
#include <QSignalSpy>
#include <QtTest>

namespace
{
// Front view: normal, pressed, hover, disabled; focus given its own bitmap (the Rear normal).
constexpr int kNormal = 456, kPressed = 458, kHover = 457, kDisabled = 455, kFocus = 460;
constexpr QSize kSize(36, 22);

QImage Bitmap(int id)
{
    return Rgb(LoadSkinImage(id)).copy(QRect(QPoint(0, 0), kSize));
}
} // namespace

class TestSkinButton : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QWidget> m_parent;

    // The focus look is the normal one, as the windows set it, unless a test asks otherwise.
    CKipSkinButton *Make(CKipSkinButton::Kind kind, int id = 1050, int focus = kNormal)
    {
        auto *b = new CKipSkinButton(m_parent.get(), kind, id);
        b->setGeometry(QRect(QPoint(10, 10), kSize));
        b->SetBitmaps(kNormal, kPressed, kHover, kDisabled, focus);
        b->show();
        return b;
    }

    void Click(CKipSkinButton *b, QPoint releaseAt = QPoint(18, 11))
    {
        SendMouse(b, QEvent::MouseButtonPress, QPoint(18, 11));
        SendMouse(b, QEvent::MouseMove, releaseAt);
        SendMouse(b, QEvent::MouseButtonRelease, releaseAt, Qt::NoButton);
    }

private slots:
    void initTestCase() { RedirectMachineSettings("skin_button"); }
    void init()
    {
        m_parent = std::make_unique<QWidget>();
        m_parent->resize(200, 100);
        m_parent->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_parent.get()));
    }
    void cleanup() { m_parent.reset(); }

    void eachStateShowsItsBitmap()
    {
        CKipSkinButton *b = Make(CKipSkinButton::Kind::Push, 1050, kFocus);
        b->clearFocus(); // the window may hand its first focusable child the focus
        QCOMPARE(Grab(b), Bitmap(kNormal));

        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(b, &enter);
        QVERIFY(b->IsHover());
        QCOMPARE(Grab(b), Bitmap(kHover));

        SendMouse(b, QEvent::MouseButtonPress, QPoint(5, 5));
        QCOMPARE(Grab(b), Bitmap(kPressed));
        SendMouse(b, QEvent::MouseButtonRelease, QPoint(5, 5), Qt::NoButton);
        QCOMPARE(Grab(b), Bitmap(kHover)); // back to hover, the pointer has not moved

        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(b, &leave);
        b->clearFocus(); // pressing took the focus
        QCOMPARE(Grab(b), Bitmap(kNormal));

        m_parent->activateWindow();
        b->setFocus();
        QTRY_VERIFY(b->hasFocus());
        QCOMPARE(Grab(b), Bitmap(kFocus));

        b->setEnabled(false);
        QCOMPARE(Grab(b), Bitmap(kDisabled));
    }

    void bitmapIsDrawnUnscaledAndCut()
    {
        CKipSkinButton *b = Make(CKipSkinButton::Kind::Push);
        b->resize(20, 10); // smaller than the bitmap: the top-left part shows
        QCOMPARE(Grab(b), Rgb(LoadSkinImage(kNormal)).copy(0, 0, 20, 10));
    }

    void checkBoxTogglesOnClickAndSpace()
    {
        CKipSkinButton *b = Make(CKipSkinButton::Kind::CheckBox, 1003);
        QList<int> seen; // what the parent reads in its click handler
        connect(b, &CKipSkinButton::Command, this, [&](int id) {
            QCOMPARE(id, 1003);
            seen << b->GetCheck();
        });
        Click(b);
        QCOMPARE(b->GetCheck(), 1);
        QCOMPARE(Grab(b), Bitmap(kPressed)); // checked draws pressed
        Click(b);
        QCOMPARE(b->GetCheck(), 0);
        QTest::keyClick(b, Qt::Key_Space);
        QCOMPARE(b->GetCheck(), 1);
        b->Click(); // BM_CLICK from code behaves like the user's click
        QCOMPARE(b->GetCheck(), 0);
        QCOMPARE(seen, (QList<int>{1, 0, 1, 0}));
    }

    void doubleClickCountsAsSecondPress()
    {
        CKipSkinButton *b = Make(CKipSkinButton::Kind::CheckBox);
        QSignalSpy clicks(b, &CKipSkinButton::Command);
        SendMouse(b, QEvent::MouseButtonPress, QPoint(5, 5));
        SendMouse(b, QEvent::MouseButtonRelease, QPoint(5, 5), Qt::NoButton);
        SendMouse(b, QEvent::MouseButtonDblClick, QPoint(5, 5));
        SendMouse(b, QEvent::MouseButtonRelease, QPoint(5, 5), Qt::NoButton);
        QCOMPARE(clicks.count(), 2);
        QCOMPARE(b->GetCheck(), 0);
    }

    void radioClearsItsGroup()
    {
        CKipSkinButton *a = Make(CKipSkinButton::Kind::Radio, 1);
        CKipSkinButton *b = Make(CKipSkinButton::Kind::Radio, 2);
        CKipSkinButton *c = Make(CKipSkinButton::Kind::Radio, 3);
        CKipSkinButton *other = Make(CKipSkinButton::Kind::Radio, 4);
        other->SetGroup(1);
        other->SetCheck(1);
        a->SetCheck(1);
        QCoreApplication::processEvents();
        Click(b);
        QCoreApplication::processEvents();
        QCOMPARE(a->GetCheck(), 0);
        QCOMPARE(b->GetCheck(), 1);
        QCOMPARE(c->GetCheck(), 0);
        QCOMPARE(other->GetCheck(), 1); // another group keeps its choice
        Click(b);                       // a radio button stays checked when clicked again
        QCOMPARE(b->GetCheck(), 1);
    }

    void dragOffShowsNormalAndReleaseOutsideDoesNotToggle()
    {
        CKipSkinButton *b = Make(CKipSkinButton::Kind::CheckBox);
        QSignalSpy clicks(b, &CKipSkinButton::Command);
        SendMouse(b, QEvent::MouseButtonPress, QPoint(5, 5));
        QCOMPARE(Grab(b), Bitmap(kPressed));
        SendMouse(b, QEvent::MouseMove, QPoint(80, 40));
        QVERIFY(!b->isDown());
        QCOMPARE(Grab(b), Bitmap(kNormal));
        SendMouse(b, QEvent::MouseMove, QPoint(6, 6));
        QCOMPARE(Grab(b), Bitmap(kPressed));
        SendMouse(b, QEvent::MouseMove, QPoint(80, 40));
        SendMouse(b, QEvent::MouseButtonRelease, QPoint(80, 40), Qt::NoButton);
        QCOMPARE(b->GetCheck(), 0);
        QCOMPARE(clicks.count(), 0);
    }

    void pushButtonIgnoresSetCheck()
    {
        CKipSkinButton *b = Make(CKipSkinButton::Kind::Push);
        b->SetCheck(1);
        QCOMPARE(b->GetCheck(), 0);
        Click(b);
        QCOMPARE(b->GetCheck(), 0);
        QCOMPARE(Grab(b), Bitmap(kHover)); // released over it: hover, not the checked look
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(b, &leave);
        QCOMPARE(Grab(b), Bitmap(kNormal));
    }

    void noBitmapGivesButtonFace()
    {
        auto *b = new CKipSkinButton(m_parent.get());
        b->setGeometry(10, 10, 30, 20);
        b->show();
        const QImage img = Grab(b);
        const QColor face = b->palette().color(QPalette::Button);
        QCOMPARE(img.pixelColor(0, 0), face);
        QCOMPARE(img.pixelColor(29, 19), face);
        // A missing id in an otherwise skinned button falls back the same way.
        b->SetBitmaps(99999, 99999, 99999, 99999, 99999);
        QCOMPARE(Grab(b).pixelColor(15, 10), face);
    }

    void skinClearsCaptionAndTooltipIsSet()
    {
        CKipSkinButton *b = Make(CKipSkinButton::Kind::Push);
        b->setText(QStringLiteral("placeholder"));
        b->SetBitmaps(kNormal, kPressed, kHover, kDisabled, kFocus);
        QVERIFY(b->text().isEmpty());
        b->SetTooltipText(QStringLiteral("Front"));
        QCOMPARE(b->toolTip(), QStringLiteral("Front"));
        QCOMPARE(b->font().weight(), QFont::Bold);
    }

    void markerIsWritten()
    {
        Make(CKipSkinButton::Kind::Push);
        const auto marker = CSettingsStore::System().GetNumber(SettingsHive::LocalMachine,
                                                               QStringLiteral("SOFTWARE\\Pelmo"),
                                                               QStringLiteral("usingKipButton"));
        QVERIFY(marker.Ok());
        QCOMPARE(marker.value, 1u);
    }
};

QTEST_MAIN(TestSkinButton)
#include "test_button.moc"
