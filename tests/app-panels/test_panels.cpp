// The extended-mode panels, offscreen: the control bar, the top bar and the file list panel,
// their controls and places on screens of several sizes, the pointer zones that show them, and
// the window's state they keep in step with (volume and Mute, the loaded recording, the lists).

#include "tests/app-common/MainWindowFixture.h"

#include "ui/CKipImageSlider.h"
#include "ui/CKipStaticTrans.h"
#include "ui/CTextTable.h"
#include "ui/SkinBitmap.h"
#include "platform/SettingsStore.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QSignalSpy>

using namespace MainWindowTables;

namespace
{
// A panel's controls by id, as the tables name them.
QWidget *ChildById(QWidget *panel, int id)
{
    return panel->findChild<QWidget *>(QString::number(id));
}
} // namespace

class TestPanels : public MainWindowFixture
{
    Q_OBJECT

    std::unique_ptr<COrvelPlayerDlg> ExtendedWindow(std::unique_ptr<COrvelPlayerDlg> dlg,
                                                    QSize size = QSize(1280, 800))
    {
        dlg->OnCommand(1008);
        // As a windowing system may size the maximised window: the size change lays out.
        dlg->setWindowState(Qt::WindowNoState);
        dlg->setGeometry(QRect(QPoint(0, 0), size));
        // The window was hidden and shown again: pointer moves reach it once it is exposed.
        if (!QTest::qWaitForWindowExposed(dlg.get()))
            return nullptr;
        return dlg;
    }
    // The pointer in the bottom band: both bars show.
    static void ShowBars(COrvelPlayerDlg &dlg)
    {
        QTest::mouseMove(&dlg, QPoint(dlg.width() / 2, dlg.height() / 2));
        QTest::mouseMove(&dlg, QPoint(5, dlg.height() - 5));
        QVERIFY(dlg.ControlPanel()->isVisible());
        QVERIFY(dlg.ControlTop()->isVisible());
    }
    // A press and release on the slider at x: the thumb goes there and tracks it.
    static void PressSliderAt(CKipImageSlider *slider, int x)
    {
        const QPoint at(x, slider->height() / 2);
        QTest::mousePress(slider, Qt::LeftButton, {}, at);
        QTest::mouseRelease(slider, Qt::LeftButton, {}, at);
        QCoreApplication::processEvents(); // the slider's notifications are queued
    }

private slots:
    void initTestCase() { WriteRecordings(); }

    void panelsStartHiddenWithEveryControl()
    {
        auto dlg = MakeWindow();
        QVERIFY(dlg);
        const CTextTable texts;
        const std::pair<QWidget *, std::span<const ButtonRow>> panels[] = {
            {dlg->ControlPanel(), ControlBarButtons()},
            {dlg->ControlTop(), TopBarButtons()},
            {dlg->ControlFileList(), FileListPanelButtons()},
        };
        for (const auto &[panel, buttons] : panels) {
            QVERIFY(panel);
            QVERIFY(!panel->isVisible());
            QCOMPARE(panel->parentWidget(), dlg.get());
            for (const ButtonRow &row : buttons) {
                auto *button = qobject_cast<CKipSkinButton *>(ChildById(panel, row.id));
                QVERIFY2(button, qPrintable(QString::number(row.id)));
                QVERIFY(button->text().isEmpty());
                QCOMPARE(button->toolTip(), texts.GetText(QString::fromLatin1(row.tooltipKey)));
                QCOMPARE(button->GetKind() == CKipSkinButton::Kind::CheckBox,
                         row.kind == ButtonKind::Check);
            }
        }
        CControlFileListDlg *fileList = dlg->ControlFileList();
        QCOMPARE(fileList->size(), QSize(326, 587));
        for (const PlacedControl &placed : FileListPanelLayout())
            QCOMPARE(ChildById(fileList, placed.id)->geometry(), placed.rect);
        QCOMPARE(fileList->FileList().GetColumnCount(), dlg->FileList()->GetColumnCount());
        // The sliders and texts of the bars.
        for (const int id : {1067, 1077})
            QVERIFY(qobject_cast<CKipImageSlider *>(ChildById(dlg->ControlPanel(), id)));
        for (const int id : {1079, 1080})
            QVERIFY(qobject_cast<CKipStaticTrans *>(ChildById(dlg->ControlPanel(), id)));
        QVERIFY(qobject_cast<CKipStaticTrans *>(ChildById(dlg->ControlTop(), 1082)));
    }

    // The bars' places follow their formulas on every screen size, and nothing is cut off.
    void barsOnScreensOfEverySize_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("1280x800") << QSize(1280, 800);
        QTest::newRow("1366x768") << QSize(1366, 768);
        QTest::newRow("1920x1080") << QSize(1920, 1080);
        QTest::newRow("2560x1440") << QSize(2560, 1440);
    }
    void barsOnScreensOfEverySize()
    {
        QFETCH(QSize, size);
        auto dlg = ExtendedWindow(MakeWindow(), size);
        const int w = size.width();
        const int h = size.height();
        ShowBars(*dlg);
        CControlPanelDlg *bar = dlg->ControlPanel();
        CControlTopDlg *top = dlg->ControlTop();
        QCOMPARE(bar->geometry(), QRect(0, h - 44, w, 44));
        QCOMPARE(top->geometry(), QRect(0, 0, w, 40));
        const QRect expectedBar[] = {
            {w - 93, 8, 36, 28},    {w - 57, 8, 37, 28},   {w - 550, 8, 36, 28},
            {w - 514, 8, 37, 28},   {w - 465, 8, 37, 28},  {w - 416, 8, 36, 28},
            {w - 380, 8, 37, 28},   {w - 319, 12, 22, 16}, {20, 5, w - 599, 20},
            {w - 291, 13, 181, 15}, {20, 25, 50, 15},      {w - 628, 25, 50, 15},
        };
        const int barIds[] = {1078, 1081, 1071, 1072, 1073, 1074,
                              1075, 1076, 1067, 1077, 1079, 1080};
        for (std::size_t i = 0; i < std::size(barIds); ++i) {
            QWidget *control = ChildById(bar, barIds[i]);
            QCOMPARE(control->geometry(), expectedBar[i]);
            QVERIFY2(bar->rect().contains(control->geometry()),
                     qPrintable(QString::number(barIds[i])));
        }
        const std::pair<int, QRect> expectedTop[] = {
            {1081, {w - 56, 7, 37, 28}},  {1104, {w - 99, 7, 37, 28}},
            {1103, {w - 142, 7, 37, 28}}, {1102, {w - 188, 7, 40, 28}},
            {1101, {w - 228, 7, 40, 28}}, {1100, {w - 268, 7, 40, 28}},
            {1082, {28, 11, 300, 15}},
        };
        for (const auto &[id, rect] : expectedTop) {
            QCOMPARE(ChildById(top, id)->geometry(), rect);
            QVERIFY(top->rect().contains(rect));
        }
        // The file name and the buttons do not overlap.
        QVERIFY(ChildById(top, 1082)->geometry().right() < w - 268);
        // The file list panel opens inside the window too.
        bar->Button(1081)->Click();
        QVERIFY(dlg->rect().contains(dlg->ControlFileList()->geometry()));
    }

    // The backgrounds: the strips 269 and 270 stretched, and the right column of the skin.
    void panelsPaintTheirSkin()
    {
        auto dlg = ExtendedWindow(MakeWindow());
        ShowBars(*dlg);
        dlg->ControlPanel()->Button(1081)->Click();
        const QImage window = dlg->grab().toImage();
        const QImage strip269 = LoadSkinImage(269);
        const QImage strip270 = LoadSkinImage(270);
        const QImage skin = LoadSkinImage(129);
        const int h = dlg->height();
        for (const int y : {0, 2, 43}) // left of every control of the bar
            QCOMPARE(window.pixelColor(5, h - 44 + y), strip269.pixelColor(0, y));
        for (const int y : {0, 3, 39})
            QCOMPARE(window.pixelColor(500, y), strip270.pixelColor(0, y));
        const QPoint panelAt = dlg->ControlFileList()->pos();
        for (const QPoint p : {QPoint(1, 1), QPoint(100, 20), QPoint(0, 586)})
            QCOMPARE(window.pixelColor(panelAt + p), skin.pixelColor(QPoint(693, 47) + p));
        QVERIFY(window.pixelColor(5, 5) != QColor(238, 238, 238));
    }

    void pointerZonesPlaceTheBarsOnce()
    {
        auto dlg = ExtendedWindow(MakeWindow());
        QSignalSpy laidOut(dlg->ControlPanel(), &CControlPanelDlg::LaidOut);
        QTest::mouseMove(dlg.get(), QPoint(300, 400));
        laidOut.clear();
        for (const int x : {10, 200, 400, 900, 1200})
            QTest::mouseMove(dlg.get(), QPoint(x, 20));
        QCOMPARE(laidOut.count(), 1);
        QVERIFY(dlg->ControlPanel()->isVisible());
        QVERIFY(dlg->ControlTop()->isVisible());
        // Moving over a bar's own controls is not moving in the window.
        QTest::mouseMove(dlg->ControlTop()->Button(1100), QPoint(5, 5));
        QCOMPARE(laidOut.count(), 1);
        dlg->ControlPanel()->Button(1081)->Click();
        QVERIFY(dlg->ControlFileList()->isVisible());
        // Over the file list panel, which reaches into the middle, the bars stay.
        QTest::mouseMove(&dlg->ControlFileList()->FileList(), QPoint(100, 100));
        QVERIFY(dlg->ControlPanel()->isVisible());
        QTest::mouseMove(dlg.get(), QPoint(300, 400));
        QVERIFY(!dlg->ControlPanel()->isVisible());
        QVERIFY(!dlg->ControlTop()->isVisible());
        QVERIFY(!dlg->ControlFileList()->isVisible());
        QCOMPARE(dlg->ControlPanel()->Button(1081)->GetCheck(), 0);
        QTest::mouseMove(dlg.get(), QPoint(300, dlg->height() - 3));
        QVERIFY(dlg->ControlPanel()->isVisible());
        QVERIFY(dlg->ControlTop()->isVisible());
        QCOMPARE(laidOut.count(), 2);
    }

    void fileListPanelOpensAboveTheBarsRightEnd()
    {
        auto dlg = ExtendedWindow(MakeWindow());
        ShowBars(*dlg);
        CControlPanelDlg *bar = dlg->ControlPanel();
        CControlFileListDlg *panel = dlg->ControlFileList();
        bar->Button(1081)->Click();
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->geometry(), QRect(1280 - 326, 800 - 631, 326, 587));
        QCOMPARE(panel->geometry().bottom() + 1, bar->geometry().top());
        QCOMPARE(panel->geometry().right(), bar->geometry().right());
        bar->Button(1081)->Click();
        QVERIFY(!panel->isVisible());
        // Leaving extended mode keeps the panel's visibility; it stays whole in the window, over
        // the right column it copies.
        bar->Button(1081)->Click();
        QTest::keyClick(dlg.get(), Qt::Key_Escape);
        QCOMPARE(dlg->Views().GetDisplayMode(), DisplayMode::Normal);
        QVERIFY(!bar->isVisible());
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->geometry(), QRect(1022 - 326, 682 - 631, 326, 587));
    }

    void volumeOnTheBarMovesTheWindowsSlider()
    {
        auto dlg = ExtendedWindow(MakeWindow());
        ShowBars(*dlg);
        auto *barVolume = dlg->ControlPanel()->Slider(1077);
        CKipImageSlider *mainVolume = dlg->Slider(1022);
        QCOMPARE(barVolume->GetPos(), 50);
        PressSliderAt(barVolume, barVolume->width() * 3 / 4);
        const int p = barVolume->GetPos();
        QVERIFY(p > 50);
        QCOMPARE(mainVolume->GetPos(), p);
        QCOMPARE(CSoundOutput::Instance().Volume(), CSoundOutput::PackedFromPosition(p));
        QCOMPARE(dlg->Button(1026)->GetCheck(), 0);
        // Dragged to the left end: 0, and both Mute buttons checked.
        PressSliderAt(barVolume, 0);
        QCOMPARE(barVolume->GetPos(), 0);
        QCOMPARE(mainVolume->GetPos(), 0);
        QCOMPARE(dlg->Button(1026)->GetCheck(), 1);
        QCOMPARE(dlg->ControlPanel()->Button(1076)->GetCheck(), 1);
        QCOMPARE(CSoundOutput::Instance().Volume(), 0u);
        // The window's own slider moves the bar's copy.
        mainVolume->SetPos(40);
        dlg->OnHScroll(1022, CKipImageSlider::TB_THUMBTRACK);
        QCOMPARE(barVolume->GetPos(), 40);
        QCOMPARE(dlg->ControlPanel()->Button(1076)->GetCheck(), 0);
    }

    void muteOnTheBarChecksTheWindowsMute()
    {
        auto dlg = ExtendedWindow(MakeWindow());
        ShowBars(*dlg);
        CKipSkinButton *barMute = dlg->ControlPanel()->Button(1076);
        auto *barVolume = dlg->ControlPanel()->Slider(1077);
        barMute->Click();
        QCOMPARE(barMute->GetCheck(), 1);
        QCOMPARE(dlg->Button(1026)->GetCheck(), 1);
        QCOMPARE(CSoundOutput::Instance().Volume(), 0u);
        // Un-muting restores the bar slider's level, and the window's slider takes it.
        barVolume->SetPos(70);
        barMute->Click();
        QCOMPARE(barMute->GetCheck(), 0);
        QCOMPARE(dlg->Button(1026)->GetCheck(), 0);
        QCOMPARE(dlg->Slider(1022)->GetPos(), 70);
        QCOMPARE(CSoundOutput::Instance().Volume(), CSoundOutput::PackedFromPosition(70));
        // The window's Mute checks the bar's.
        dlg->Button(1026)->Click();
        QCOMPARE(barMute->GetCheck(), 1);
        dlg->Button(1026)->Click();
        QCOMPARE(barMute->GetCheck(), 0);
        // A bar laid out again takes the window's state over.
        dlg->Button(1026)->Click();
        barMute->SetCheck(0);
        dlg->ControlPanel()->LayoutPanel();
        QCOMPARE(barMute->GetCheck(), 1);
        QCOMPARE(CSoundOutput::Instance().Volume(), 0u);
    }

    // The panel's list is the main list's copy: rows, checks, selection, and a double click.
    void panelListDoubleClickPlaysTheSameRecording()
    {
        auto dlg = MakeListedWindow();
        QVERIFY(dlg);
        CConfigListCtrl &panelList = dlg->ControlFileList()->FileList();
        QCOMPARE(panelList.GetItemCount(), 2);
        for (int row = 0; row < 2; ++row)
            QCOMPARE(panelList.GetItemText(row, CConfigListCtrl::kColumnPath),
                     dlg->FileList()->GetItemText(row, CConfigListCtrl::kColumnPath));
        DoubleClickRow(*dlg, 1);
        QTRY_COMPARE(dlg->Player().GetState(), PlayState::Running);
        const QString nameFromMain = dlg->ControlTop()->Text(1082)->text();
        QVERIFY(!nameFromMain.isEmpty());
        dlg->Transport().StopAndReset();
        QVERIFY(dlg->ControlTop()->Text(1082)->text().isEmpty());

        dlg = ExtendedWindow(std::move(dlg));
        ShowBars(*dlg);
        dlg->ControlPanel()->Button(1081)->Click();
        const QPoint rowAt = panelList.GetItemRect(1).center();
        QTest::mouseDClick(&panelList, Qt::LeftButton, {}, rowAt);
        // QTest's double click leaves its button down; later pointer moves must not drag.
        QTest::mouseRelease(&panelList, Qt::LeftButton, {}, rowAt);
        QTRY_COMPARE(dlg->Player().GetState(), PlayState::Running);
        QCOMPARE(dlg->Transport().CurrentItem(), 1);
        QCOMPARE(dlg->FileList()->GetSelectedItem(), 1);
        QCOMPARE(panelList.GetSelectedItem(), 1);
        QCOMPARE(dlg->ControlTop()->Text(1082)->text(), nameFromMain);
        QCOMPARE(qobject_cast<QLabel *>(dlg->Control(1069))->text(), nameFromMain);
    }

    // The bars show what the window shows: times, the Play look, the seek position.
    void barsFollowTheLoadedRecording()
    {
        auto dlg = ExtendedWindow(MakeListedWindow());
        QVERIFY(dlg);
        ShowBars(*dlg);
        CControlPanelDlg *bar = dlg->ControlPanel();
        DoubleClickRow(*dlg, 1);
        QTRY_COMPARE(dlg->Player().GetState(), PlayState::Running);
        const auto text = [&](int id) { return qobject_cast<QLabel *>(dlg->Control(id))->text(); };
        QCOMPARE(bar->Text(1080)->text(), text(1024));
        QCOMPARE(bar->Text(1080)->text(), QStringLiteral("00:00:03"));
        QCOMPARE(dlg->ControlTop()->Text(1082)->text(), text(1069));
        QCOMPARE(bar->Slider(1067)->GetRangeMax(), dlg->Slider(1020)->GetRangeMax());
        QCOMPARE(bar->Button(1073)->toolTip(),
                 CTextTable().GetText(QStringLiteral("PLAYERDLG_PAUSE")));
        QTRY_VERIFY(dlg->Slider(1020)->GetPos() > 0);
        QTRY_COMPARE(bar->Slider(1067)->GetPos(), dlg->Slider(1020)->GetPos());
        QCOMPARE(bar->Text(1079)->text(), text(1025));
        // The bar's Play pauses, and its look follows.
        bar->Button(1073)->Click();
        QCOMPARE(dlg->Player().GetState(), PlayState::Paused);
        QCOMPARE(bar->Button(1073)->toolTip(),
                 CTextTable().GetText(QStringLiteral("PLAYERDLG_PLAY")));
        // Seeking on the bar moves the window's slider and the position.
        CKipImageSlider *seek = bar->Slider(1067);
        // No tick between the press and the reading: a tick while the seek is still settling
        // would show the old position again.
        dlg->Transport().KillTimerPosition();
        PressSliderAt(seek, seek->width() - 1);
        QCOMPARE(dlg->Slider(1020)->GetPos(), seek->GetPos());
        QVERIFY(seek->GetPos() > 2500);
        dlg->Transport().SetTimerPosition();
        QTRY_COMPARE(bar->Text(1079)->text(),
                     QStringLiteral("00:00:0%1").arg(seek->GetPos() / 1000));
        // Stopped: every copy back at the start.
        dlg->Transport().StopAndReset();
        QCOMPARE(bar->Text(1079)->text(), QStringLiteral("00:00:00"));
        QCOMPARE(bar->Text(1080)->text(), QStringLiteral("00:00:00"));
        QCOMPARE(seek->GetPos(), 0);
        QVERIFY(dlg->ControlTop()->Text(1082)->text().isEmpty());
        QVERIFY(!bar->Button(1073)->isEnabled());
    }

    // PageDown on a focused top bar button plays the next row; Space presses that button and
    // does not pause; Left and Right do not step.
    void keysOnAFocusedTopBarButton()
    {
        auto dlg = MakeListedWindow();
        QVERIFY(dlg);
        DoubleClickRow(*dlg, 0);
        QTRY_COMPARE(dlg->Player().GetState(), PlayState::Running);
        dlg = ExtendedWindow(std::move(dlg));
        ShowBars(*dlg);
        dlg->activateWindow();
        CKipSkinButton *front = dlg->ControlTop()->Button(1100);
        front->setFocus();
        QTest::keyClick(front, Qt::Key_PageDown);
        QTRY_COMPARE(dlg->Transport().CurrentItem(), 1);
        QTRY_COMPARE(dlg->Player().GetState(), PlayState::Running);
        CKipSkinButton *flip = dlg->ControlTop()->Button(1103);
        QVERIFY(flip->isEnabled()); // two streams
        flip->setFocus();
        QTest::keyClick(flip, Qt::Key_Space);
        QCOMPARE(flip->GetCheck(), 1);
        QCOMPARE(dlg->Button(1006)->GetCheck(), 1);
        QCOMPARE(dlg->Views().GetChannelView(), ChannelView::Front);
        QCOMPARE(dlg->Player().GetState(), PlayState::Running);
        QTest::keyClick(flip, Qt::Key_PageUp);
        QTRY_COMPARE(dlg->Transport().CurrentItem(), 0);
        // The view buttons of both sets agree.
        QCOMPARE(dlg->ControlTop()->Button(1100)->GetCheck(), 1);
        QCOMPARE(dlg->ControlTop()->Button(1101)->isEnabled(), false); // one stream
    }

    // The file list panel's buttons run the window's: categories, Check all, the row checks.
    void fileListPanelButtonsKeepBothListsAlike()
    {
        auto dlg = MakeListedWindow();
        QVERIFY(dlg);
        CControlFileListDlg *panel = dlg->ControlFileList();
        CConfigListCtrl &panelList = panel->FileList();
        QCOMPARE(panel->Button(1084)->GetCheck(), 1); // All, as listed
        QCOMPARE(panel->Button(1091)->GetCheck(), 1); // a folder library
        panel->Button(1099)->Click();
        QCOMPARE(dlg->Button(1093)->GetCheck(), 1);
        for (int row = 0; row < 2; ++row) {
            QCOMPARE(dlg->FileList()->GetItemText(row, CConfigListCtrl::kColumnCheck), "1");
            QCOMPARE(panelList.GetItemText(row, CConfigListCtrl::kColumnCheck), "1");
        }
        panel->Button(1086)->Click(); // Event: none here
        QCOMPARE(dlg->Button(1011)->GetCheck(), 1);
        QCOMPARE(dlg->Button(1009)->GetCheck(), 0);
        QCOMPARE(panel->Button(1099)->GetCheck(), 0);
        QCOMPARE(dlg->FileList()->GetItemCount(), 0);
        QCOMPARE(panelList.GetItemCount(), 0);
        panel->Button(1085)->Click(); // Normal: both recordings again
        QCOMPARE(panelList.GetItemCount(), 2);
        QCOMPARE(dlg->Button(1010)->GetCheck(), 1);
        // A click on a row's box in the panel's list checks it in the main list too.
        dlg = ExtendedWindow(std::move(dlg));
        ShowBars(*dlg);
        dlg->ControlPanel()->Button(1081)->Click();
        const QRect box = panelList.GetSubItemRect(1, CConfigListCtrl::kColumnCheck);
        panelList.repaint(); // the box's place is known once drawn
        QTest::mouseClick(&panelList, Qt::LeftButton, {}, QPoint(box.center().x(), box.top() + 8));
        QCOMPARE(panelList.GetItemText(1, CConfigListCtrl::kColumnCheck), "1");
        QCOMPARE(dlg->FileList()->GetItemText(1, CConfigListCtrl::kColumnCheck), "1");
        QCOMPARE(dlg->FileList()->GetSelectedItem(), 1);
    }

    // Each panel in each language, for a person to look at (QUORVIL_SHOT_DIR): the panel as
    // the window shows it, and under it every tooltip it carries.
    void grabEachPanelInEachLanguage_data()
    {
        QTest::addColumn<int>("language");
        for (const int language : {1033, 1041, 1042, 1049})
            QTest::newRow(qPrintable(QString::number(language))) << language;
    }
    void grabEachPanelInEachLanguage()
    {
        QFETCH(int, language);
        const QString key = QStringLiteral("SOFTWARE\\TARN\\Quorvil");
        CSettingsStore &store = CSettingsStore::System();
        QCOMPARE(store.CreateKey(SettingsHive::CurrentUser, key), SettingsStatus::Ok);
        QCOMPARE(
            store.SetString(SettingsHive::CurrentUser, key, "language", QString::number(language)),
            SettingsStatus::Ok);
        auto dlg = MakeListedWindow();
        store.DeleteKey(SettingsHive::CurrentUser, key);
        QVERIFY(dlg);
        QCOMPARE(int(dlg->GetLanguage()), language);
        DoubleClickRow(*dlg, 1);
        QTRY_COMPARE(dlg->Player().GetState(), PlayState::Running);
        dlg = ExtendedWindow(std::move(dlg));
        ShowBars(*dlg);
        dlg->ControlPanel()->Button(1081)->Click();
        QTest::qWait(400);
        const QString dir = qEnvironmentVariable("QUORVIL_SHOT_DIR");
        const CTextTable texts;
        const std::tuple<const char *, CExtendedPanel *, std::span<const ButtonRow>> panels[] = {
            {"control-bar", dlg->ControlPanel(), ControlBarButtons()},
            {"top-bar", dlg->ControlTop(), TopBarButtons()},
            {"file-list-panel", dlg->ControlFileList(), FileListPanelButtons()},
        };
        const QImage window = dlg->grab().toImage();
        for (const auto &[name, panel, buttons] : panels) {
            const QRect at = panel->geometry();
            QStringList tooltips;
            for (const ButtonRow &row : buttons) {
                const QString tip = panel->Button(row.id)->toolTip();
                // The Play button shows its Pause look while a recording plays.
                QCOMPARE(tip, texts.GetText(std::uint16_t(language),
                                            row.id == 1073 ? "PLAYERDLG_PAUSE" : row.tooltipKey));
                if (!tip.isEmpty())
                    tooltips << QStringLiteral("%1  %2").arg(row.id).arg(tip);
            }
            const int lineHeight = 18;
            const int width = std::min(at.width(), 1280);
            const int columns = std::max(1, width / 260);
            const int lines = (int(tooltips.size()) + columns - 1) / columns;
            QImage sheet(width, at.height() + 8 + lines * lineHeight, QImage::Format_RGB32);
            sheet.fill(QColor(33, 33, 33));
            QPainter painter(&sheet);
            painter.drawImage(0, 0, window, at.x() + at.width() - width, at.y(), width,
                              at.height());
            painter.setPen(QColor(220, 220, 220));
            painter.setFont(MakeSkinFont(QStringLiteral("Arial"), 14, 400));
            for (int i = 0; i < tooltips.size(); ++i)
                painter.drawText(QRect(4 + i % columns * 260,
                                       at.height() + 4 + i / columns * lineHeight, 256, lineHeight),
                                 Qt::AlignVCenter, tooltips[i]);
            painter.end();
            QVERIFY(window.pixelColor(at.topLeft() + QPoint(3, 3)) != QColor(238, 238, 238));
            if (!dir.isEmpty())
                sheet.save(QStringLiteral("%1/%2-%3.png").arg(dir, name).arg(language));
        }
    }
};

int main(int argc, char **argv)
{
    const auto sandbox = IsolateEnvironment();
    QApplication app(argc, argv);
    TestPanels test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_panels.moc"
