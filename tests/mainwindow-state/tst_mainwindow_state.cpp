// The main window's state machine and geometry, offscreen. Every expected rectangle and state is
// typed here from the window's design tables, independently of the window's own tables.

#include "TestEnvironment.h"

#include "app/COrvelPlayerDlg.h"
#include "filters/CFilterRegistry.h"
#include "filters/CSensorDataSource.h"
#include "platform/DialogsScripted.h"
#include "platform/SettingsStore.h"
#include "tools/make-card/CardGenerator.h"
#include "platform/SoundOutput.h"
#include "ui/CTextTable.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace
{

// This machine may or may not have a sound card: the window sees the answer given here.
class FixedSoundOutput : public CSoundOutput::Backend
{
public:
    explicit FixedSoundOutput(bool present) : m_present(present) {}
    bool Probe() override { return m_present; }
    GstElement *CreateSink() override { return nullptr; }

private:
    bool m_present;
};

struct Expected {
    int id;
    QRect rect;
};

// Layout kind 1 with the map hidden.
const Expected kNormal[] = {
    {1002, {150, 12, 37, 28}},   {1000, {937, 12, 36, 28}},   {1001, {973, 12, 37, 28}},
    {1028, {431, 53, 36, 22}},   {1030, {467, 53, 36, 22}},   {1031, {501, 53, 36, 22}},
    {1006, {543, 53, 36, 22}},   {1027, {579, 53, 34, 22}},   {1007, {613, 53, 34, 22}},
    {1008, {647, 53, 36, 22}},   {1092, {871, 53, 36, 22}},   {1003, {907, 53, 36, 22}},
    {1004, {940, 53, 34, 22}},   {1005, {974, 53, 36, 22}},   {1093, {963, 107, 39, 19}},
    {1009, {695, 78, 81, 29}},   {1010, {776, 78, 81, 29}},   {1011, {857, 78, 81, 29}},
    {1012, {938, 78, 82, 29}},   {1013, {450, 475, 36, 28}},  {1014, {486, 475, 37, 28}},
    {1015, {535, 475, 37, 28}},  {1016, {584, 475, 36, 28}},  {1017, {620, 475, 37, 28}},
    {1018, {937, 639, 36, 22}},  {1019, {973, 639, 37, 22}},  {1032, {450, 544, 22, 16}},
    {1026, {450, 581, 22, 16}},  {1033, {450, 617, 22, 21}},  {1020, {30, 474, 391, 20}},
    {1021, {477, 544, 179, 15}}, {1022, {477, 582, 179, 15}}, {1023, {477, 620, 179, 15}},
    {1025, {40, 494, 50, 13}},   {1024, {364, 494, 50, 13}},  {1069, {121, 57, 290, 15}},
};

const int kHiddenInExtended[] = {1029, 1000, 1001, 1028, 1030, 1031, 1006, 1027, 1007, 1092,
                                 1003, 1004, 1005, 1093, 1009, 1010, 1011, 1012, 1018, 1019,
                                 1032, 1033, 1026, 1021, 1023, 1025, 1024, 1069};

const int kShownInLargeMap[] = {1002, 1000, 1001, 1018};

const int kAllControls[] = {1000, 1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009,
                            1010, 1011, 1012, 1013, 1014, 1015, 1016, 1017, 1018, 1019,
                            1020, 1021, 1022, 1023, 1024, 1025, 1026, 1027, 1028, 1029,
                            1030, 1031, 1032, 1033, 1069, 1092, 1093};

enum S { D, E, K }; // disabled, enabled, kept
struct StateRow {
    int id;
    S idle, listed, playing;
};
// Enabled state per control state; the view buttons are checked separately (single stream).
const StateRow kStates[] = {
    {1020, D, D, E}, {1021, E, E, E}, {1023, E, E, E}, {1007, D, D, E}, {1013, D, D, E},
    {1014, D, D, E}, {1015, D, D, E}, {1016, D, D, E}, {1017, D, D, E}, {1008, E, E, E},
    {1092, E, E, E}, {1003, D, E, E}, {1004, D, E, E}, {1005, D, E, E}, {1018, D, D, E},
    {1019, D, D, E}, {1028, D, D, E}, {1030, D, D, E}, {1031, D, D, E}, {1006, D, D, E},
    {1027, D, D, E},
};

} // namespace

class TestMainWindowState : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<COrvelPlayerDlg> MakeWindow(bool soundOutput = true, int streams = 0)
    {
        CSoundOutput::Instance().SetBackend(std::make_unique<FixedSoundOutput>(soundOutput));
        Q_UNUSED(streams);
        auto scripted = std::make_unique<DialogsScripted>();
        m_dialogs = scripted.get();
        auto dlg = std::make_unique<COrvelPlayerDlg>(std::move(scripted));
        if (!m_library.isEmpty())
            dlg->SetStartupLibraryFolder(m_library);
        dlg->move(100, 80);
        if (!dlg->OnInitDialog())
            return nullptr;
        return dlg;
    }
    DialogsScripted *m_dialogs = nullptr;
    QString m_library;
    std::unique_ptr<QTemporaryDir> m_recordings;
    QString m_singlePath;
    QString m_dualPath;
    std::unique_ptr<QTemporaryDir> m_noGps;

    // A folder library of two short recordings: row 0 one stream, row 1 two streams.
    std::unique_ptr<COrvelPlayerDlg> MakeListedWindow(const QString &folder = {}, int rows = 2)
    {
        m_library = folder.isEmpty() ? m_recordings->path() : folder;
        auto dlg = MakeWindow();
        m_library.clear();
        if (!dlg)
            return nullptr;
        // The folder is listed once the window is shown, as a posted call.
        if (!QTest::qWaitFor([&] { return dlg->FileList()->GetItemCount() == rows; }))
            return nullptr;
        return dlg;
    }
    // A double click: the press selects the row, then the double click opens and plays it.
    void DoubleClickRow(COrvelPlayerDlg &dlg, int row)
    {
        dlg.FileList()->SelectItem(row);
        dlg.Transport().OnListDoubleClick(row);
    }
    int RowOf(COrvelPlayerDlg &dlg, const QString &path)
    {
        for (int row = 0; row < dlg.FileList()->GetItemCount(); ++row)
            if (QFileInfo(dlg.FileList()->GetItemText(row, CConfigListCtrl::kColumnPath)) ==
                QFileInfo(path))
                return row;
        return -1;
    }

private slots:
    void initTestCase()
    {
        // Short 160 x 90 recordings without sound, written into `dir`; returns the path.
        const auto write = [](const QTemporaryDir &dir, int durationMs, bool rear, bool gps,
                              const QDateTime &start) {
            cardgen::RecordingOptions options;
            options.durationMs = durationMs;
            options.width = 160;
            options.height = 90;
            options.fps = 10;
            options.rear = rear;
            options.audio = false;
            options.gps = gps;
            if (start.isValid())
                options.start = start;
            options.path = dir.path() + "/" + cardgen::RecordingFileName(options);
            QString error;
            if (cardgen::WriteRecording(options, &error))
                return options.path;
            qWarning("%s", qPrintable(error));
            return QString();
        };
        const QString tmp = qEnvironmentVariable("QUORVIL_TEST_TMP");
        m_recordings = std::make_unique<QTemporaryDir>(tmp + "/mainwindow-rec-XXXXXX");
        QVERIFY(m_recordings->isValid());
        const QDate day(2014, 7, 21);
        m_singlePath = write(*m_recordings, 3000, false, true, QDateTime(day, QTime(9, 30, 0)));
        m_dualPath = write(*m_recordings, 3000, true, true, QDateTime(day, QTime(9, 31, 0)));
        QVERIFY(!m_singlePath.isEmpty() && !m_dualPath.isEmpty());
        m_noGps = std::make_unique<QTemporaryDir>(tmp + "/mainwindow-nogps-XXXXXX");
        QVERIFY(!write(*m_noGps, 2000, false, false, QDateTime()).isEmpty());
    }

    void startsFramelessAtFixedSize()
    {
        auto dlg = MakeWindow();
        QVERIFY(dlg);
        QCOMPARE(dlg->size(), QSize(1022, 682));
        QVERIFY(dlg->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(dlg->windowTitle(), QStringLiteral("Quorvil"));
        QCOMPARE(dlg->Views().GetDisplayMode(), DisplayMode::Normal);
        QCOMPARE(dlg->Views().GetChannelView(), ChannelView::None);
        QCOMPARE(dlg->Views().GetMapState(), MapState::Hidden);
        QCOMPARE(dlg->Transport().CurrentItem(), -1);
        QCOMPARE(dlg->Views().WindowRect().size(), QSize(1022, 682));
        QCOMPARE(dlg->Views().WindowRect().topLeft(), dlg->geometry().topLeft());
    }

    // The sensor source is missing and the installer cannot help: the message, then the end.
    void missingFiltersShowTheMessageAndClose()
    {
        CFilterRegistry::Instance().Unregister(CLSID_SensorDataSource);
        CSoundOutput::Instance().SetBackend(std::make_unique<FixedSoundOutput>(true));
        auto scripted = std::make_unique<DialogsScripted>();
        DialogsScripted *dialogs = scripted.get();
        COrvelPlayerDlg dlg(std::move(scripted));
        dlg.Player().SetFilterInstallerPath(m_recordings->path() + "/no-installer-here");
        const bool started = dlg.OnInitDialog();
        CFilterRegistry::Instance().Register(CLSID_SensorDataSource, CSensorDataSource::Create);
        QVERIFY(!started);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dialogs->MessageBoxCalls().size(), std::size_t(1));
        QCOMPARE(dialogs->MessageBoxCalls()[0].text,
                 QStringLiteral("Video filter is not registered.\nPlease re-install ZI Zoreruv."));
        QVERIFY(!dlg.Transport().IsPositionTimerActive());
    }

    // The missing-filter message comes before the window is ever shown: no half-built window
    // with every control enabled behind it. A complete start-up ends with the window shown.
    void windowShowsOnlyWhenStartUpEnds()
    {
        class WatchingDialogs : public DialogsScripted
        {
        public:
            std::vector<bool> ownerShown;
            DialogResult MessageBox(QWidget *owner, const QString &text, MessageBoxButtons buttons,
                                    const QString &caption) override
            {
                ownerShown.push_back(owner && owner->isVisible());
                return DialogsScripted::MessageBox(owner, text, buttons, caption);
            }
        };
        CFilterRegistry::Instance().Unregister(CLSID_SensorDataSource);
        CSoundOutput::Instance().SetBackend(std::make_unique<FixedSoundOutput>(true));
        auto scripted = std::make_unique<WatchingDialogs>();
        WatchingDialogs *dialogs = scripted.get();
        {
            COrvelPlayerDlg dlg(std::move(scripted));
            dlg.Player().SetFilterInstallerPath(m_recordings->path() + "/no-installer-here");
            const bool started = dlg.OnInitDialog();
            CFilterRegistry::Instance().Register(CLSID_SensorDataSource, CSensorDataSource::Create);
            QVERIFY(!started);
            QCOMPARE(dialogs->ownerShown, std::vector<bool>{false});
            QVERIFY(!dlg.isVisible());
        }
        COrvelPlayerDlg dlg(std::make_unique<DialogsScripted>());
        QVERIFY(!dlg.isVisible());
        QVERIFY(dlg.OnInitDialog());
        QVERIFY(dlg.isVisible());
        QVERIFY(!dlg.Control(1015)->isEnabled()); // idle, as it first shows
    }

    void volumeAndMute()
    {
        auto dlg = MakeWindow(true);
        CSoundOutput &output = CSoundOutput::Instance();
        dlg->Slider(1022)->SetPos(0);
        dlg->OnHScroll(1022, 5);
        QCOMPARE(dlg->Button(1026)->GetCheck(), 1);
        QCOMPARE(output.Volume(), 0u);
        dlg->Slider(1022)->SetPos(99);
        dlg->OnHScroll(1022, 5);
        QCOMPARE(dlg->Button(1026)->GetCheck(), 0);
        QCOMPARE(output.Volume(), 0xFD6FFD6Fu);
        // Mute, then unmute: the slider's level comes back, not the one before muting.
        dlg->Button(1026)->SetCheck(1);
        dlg->OnCommand(1026);
        QCOMPARE(output.Volume(), 0u);
        dlg->Slider(1022)->SetPos(50);
        dlg->Button(1026)->SetCheck(0);
        dlg->OnCommand(1026);
        QCOMPARE(output.Volume(), 0x7FFF7FFFu);
    }

    void everyButtonHasNoCaption()
    {
        auto dlg = MakeWindow();
        for (const int id : kAllControls)
            if (auto *button = dlg->Button(id))
                QVERIFY2(button->text().isEmpty(), qPrintable(QString::number(id)));
    }

    void tooltipsInEnglish_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("text");
        const std::pair<int, const char *> rows[] = {
            {1000, "Minimize"},
            {1001, "Close"},
            {1002, "Information"},
            {1003, "Calender"},
            {1004, "Save"},
            {1005, "Delete"},
            {1006, "Flip Vertical"},
            {1007, "Capture"},
            {1008, "Extend"},
            {1009, "All"},
            {1010, "Normal"},
            {1011, "Event"},
            {1012, "Motion"},
            {1013, "Rewind"},
            {1014, "Forward"},
            {1015, "Play"},
            {1016, "Prev"},
            {1017, "Next"},
            {1018, "Show large map"},
            {1019, "Show Map"},
            {1026, "Volume"},
            {1027, "Flip Horizontal"},
            {1028, "Front"},
            {1030, "Rear"},
            {1031, "All"},
            {1032, "Speed"},
            {1033, "Brightness"},
            {1092, "Folder"},
            {1093, ""},
        };
        for (const auto &[id, text] : rows)
            QTest::newRow(qPrintable(QString::number(id))) << id << QString::fromUtf8(text);
    }
    void tooltipsInEnglish()
    {
        QFETCH(int, id);
        QFETCH(QString, text);
        auto dlg = MakeWindow();
        QCOMPARE(dlg->GetLanguage(), std::uint16_t(1033));
        QVERIFY(dlg->Button(id));
        QCOMPARE(dlg->Button(id)->toolTip(), text);
    }

    void languageAtStart_data()
    {
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("stored"); // "-" for no value
        QTest::addColumn<int>("language");
        QTest::newRow("no value, Korean system") << "ko_KR.UTF-8"
                                                 << "-" << 1042;
        QTest::newRow("1049 on a Korean system") << "ko_KR.UTF-8"
                                                 << "1049" << 1049;
        QTest::newRow("non-numeric value") << "ja_JP.UTF-8"
                                           << "abc" << 1041;
        QTest::newRow("empty value") << "ru_RU.UTF-8"
                                     << "" << 1049;
        QTest::newRow("2057 gives English") << "ko_KR.UTF-8"
                                            << "2057" << 1033;
        QTest::newRow("German system") << "de_DE.UTF-8"
                                       << "-" << 1033;
    }
    void languageAtStart()
    {
        QFETCH(QString, lang);
        QFETCH(QString, stored);
        QFETCH(int, language);
        const QString key = QStringLiteral("SOFTWARE\\TARN\\Quorvil");
        CSettingsStore &store = CSettingsStore::System();
        store.DeleteKey(SettingsHive::CurrentUser, key);
        if (stored != "-") {
            QCOMPARE(store.CreateKey(SettingsHive::CurrentUser, key), SettingsStatus::Ok);
            QCOMPARE(store.SetString(SettingsHive::CurrentUser, key, "language", stored),
                     SettingsStatus::Ok);
        }
        qputenv("LANG", lang.toLocal8Bit());
        auto dlg = MakeWindow();
        qputenv("LANG", "C");
        store.DeleteKey(SettingsHive::CurrentUser, key);
        QCOMPARE(int(dlg->GetLanguage()), language);
        // Tooltips come in that language.
        QCOMPARE(dlg->Button(1015)->toolTip(),
                 CTextTable().GetText(std::uint16_t(language), "PLAYERDLG_PLAY"));
    }

    void videoWindowsAtStart()
    {
        auto dlg = MakeWindow();
        QWidget *video1 = dlg->Control(-1);
        QWidget *video2 = dlg->Control(-2);
        QVERIFY(video1 && video2);
        QCOMPARE(video1->windowTitle(), QStringLiteral("Video window1"));
        QCOMPARE(video2->windowTitle(), QStringLiteral("Video window2"));
        // Created at (left, top, right, bottom) 2,175,322,317 and 348,174,668,414.
        QCOMPARE(video1->geometry(), QRect(2, 175, 320, 142));
        QCOMPARE(video2->geometry(), QRect(348, 174, 320, 240));
        // Idle hides both.
        QVERIFY(!video1->isVisible());
        QVERIFY(!video2->isVisible());
    }

    void slidersAtStart()
    {
        auto dlg = MakeWindow();
        QCOMPARE(dlg->Slider(1022)->minimum(), 0);
        QCOMPARE(dlg->Slider(1022)->maximum(), 99);
        QCOMPARE(dlg->Slider(1022)->value(), 50);
        QCOMPARE(dlg->Slider(1021)->minimum(), 1);
        QCOMPARE(dlg->Slider(1021)->maximum(), 9);
        QCOMPARE(dlg->Slider(1021)->value(), 5);
        QCOMPARE(dlg->Slider(1023)->minimum(), -150);
        QCOMPARE(dlg->Slider(1023)->maximum(), 150);
        QCOMPARE(dlg->Slider(1023)->value(), 0);
        QCOMPARE(dlg->Button(1026)->GetCheck(), 0);
        for (const int id : {1020, 1021, 1022, 1023})
            QVERIFY2(!dlg->Slider(id)->GetWheelPasses(), qPrintable(QString::number(id)));
        QCOMPARE(dlg->Slider(1020)->geometry(), QRect(30, 474, 391, 20)); // laid out after 39, 477
    }

    void normalLayout_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QRect>("rect");
        for (const Expected &e : kNormal)
            QTest::newRow(qPrintable(QString::number(e.id))) << e.id << e.rect;
    }
    void normalLayout()
    {
        QFETCH(int, id);
        QFETCH(QRect, rect);
        auto dlg = MakeWindow();
        QWidget *control = dlg->Control(id);
        QVERIFY(control);
        QCOMPARE(control->geometry(), rect);
        QVERIFY(control->isVisible());
        QCOMPARE(dlg->FileList()->geometry(), QRect(695, 126, 324, 508));
        QVERIFY(dlg->FileList()->isVisible());
        QCOMPARE(dlg->MapWindow()->geometry().size(), QSize(0, 0));
    }

    void mapStates_data()
    {
        QTest::addColumn<int>("mapState");
        QTest::addColumn<QRect>("fileList");
        QTest::addColumn<QRect>("map");
        QTest::addColumn<QRect>("largeMap");
        QTest::addColumn<QRect>("showMap");
        QTest::newRow("hidden") << 0 << QRect(695, 126, 329, 508) << QRect(0, 0, 0, 0)
                                << QRect(937, 639, 36, 22) << QRect(973, 639, 37, 22);
        QTest::newRow("small") << 8 << QRect(695, 126, 329, 310) << QRect(695, 466, 324, 197)
                               << QRect(937, 441, 36, 22) << QRect(973, 441, 37, 22);
        QTest::newRow("large") << 16 << QRect() << QRect(2, 48, 1017, 615) << QRect(897, 12, 37, 28)
                               << QRect();
    }
    void mapStates()
    {
        QFETCH(int, mapState);
        QFETCH(QRect, fileList);
        QFETCH(QRect, map);
        QFETCH(QRect, largeMap);
        QFETCH(QRect, showMap);
        auto dlg = MakeWindow();
        dlg->Views().SetMapState(MapState(mapState));
        if (mapState == 16)
            dlg->LayoutControls(LayoutKind::LargeMap);
        dlg->Views().ApplyMapStateGeometry(MapState(mapState));
        QCOMPARE(dlg->FileList()->isVisible(), !fileList.isNull());
        // A shown map covers the skin beneath it: no map bar or video art shows through.
        if (!map.isEmpty()) {
            const QImage image = dlg->grab().toImage();
            const QColor surface = image.pixelColor(map.center());
            for (const QPoint p : {map.topLeft() + QPoint(4, 4), map.bottomRight() - QPoint(4, 4),
                                   QPoint(740, 649), QPoint(850, 649)})
                QVERIFY2(image.pixelColor(p) == surface,
                         qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
        }
        if (!fileList.isNull())
            QCOMPARE(dlg->FileList()->geometry(), fileList);
        QCOMPARE(dlg->MapWindow()->geometry(), map);
        QCOMPARE(dlg->Control(1018)->geometry(), largeMap);
        QCOMPARE(dlg->Control(1019)->isVisible(), !showMap.isNull());
        if (!showMap.isNull())
            QCOMPARE(dlg->Control(1019)->geometry(), showMap);
    }

    void normalLayoutWithSmallMap()
    {
        auto dlg = MakeWindow();
        dlg->Views().SetMapState(MapState::Small);
        dlg->LayoutControls(LayoutKind::Normal);
        QCOMPARE(dlg->Control(1018)->geometry(), QRect(937, 441, 36, 22));
        QCOMPARE(dlg->Control(1019)->geometry(), QRect(973, 441, 37, 22));
        QCOMPARE(dlg->MapWindow()->geometry(), QRect(695, 466, 323, 196));
    }

    void largeMapLayout()
    {
        auto dlg = MakeWindow();
        dlg->Views().SetMapState(MapState::Large);
        dlg->LayoutControls(LayoutKind::LargeMap);
        QCOMPARE(dlg->Views().GetDisplayMode(), DisplayMode::Normal);
        for (const int id : kAllControls) {
            const bool shown =
                std::ranges::find(kShownInLargeMap, id) != std::end(kShownInLargeMap);
            QVERIFY2(dlg->Control(id)->isVisible() == shown, qPrintable(QString::number(id)));
        }
        QCOMPARE(dlg->Control(1018)->geometry(), QRect(897, 12, 37, 28));
        QCOMPARE(dlg->Control(1002)->geometry(), QRect(150, 12, 37, 28));
        QCOMPARE(dlg->MapWindow()->geometry(), QRect(2, 48, 1017, 615));
        QVERIFY(!dlg->Control(-1)->isVisible());
        QVERIFY(!dlg->Control(-2)->isVisible());
    }

    void otherLayoutKindsDoNothing()
    {
        auto dlg = MakeWindow();
        dlg->LayoutControls(LayoutKind(3));
        dlg->LayoutControls(LayoutKind(0));
        QCOMPARE(dlg->Views().GetDisplayMode(), DisplayMode::Normal);
        QCOMPARE(dlg->Control(1013)->geometry(), QRect(450, 475, 36, 28));
    }

    void extendedLayout()
    {
        auto dlg = MakeWindow();
        dlg->OnCommand(1008);
        QCOMPARE(dlg->Views().GetDisplayMode(), DisplayMode::Extended);
        const QRect screen = dlg->screen()->geometry();
        QCOMPARE(dlg->geometry(), screen);
        const int w = dlg->width();
        const int h = dlg->height();
        for (const int id : kHiddenInExtended)
            QVERIFY2(!dlg->Control(id)->isVisible(), qPrintable(QString::number(id)));
        const Expected shown[] = {
            {1002, {w - 94, h - 36, 37, 28}},   {1008, {w - 56, 7, 36, 22}},
            {1013, {w - 550, h - 36, 36, 28}},  {1014, {w - 514, h - 36, 37, 28}},
            {1015, {w - 465, h - 36, 37, 28}},  {1016, {w - 416, h - 36, 36, 28}},
            {1017, {w - 380, h - 36, 37, 28}},  {1020, {20, h - 39, w - 599, 20}},
            {1022, {w - 291, h - 31, 181, 15}},
        };
        for (const Expected &e : shown) {
            QCOMPARE(dlg->Control(e.id)->geometry(), e.rect);
            QVERIFY(dlg->Control(e.id)->isVisible());
        }
        QCOMPARE(dlg->MapWindow()->geometry().size(), QSize(0, 0));
        // The panels are placed along the edges but stay hidden until the pointer comes.
        QVERIFY(!dlg->ControlPanel()->isVisible());
        QCOMPARE(dlg->ControlPanel()->geometry(),
                 QRect(screen.left(), screen.bottom() + 1 - 44, screen.width(), 44));
        QCOMPARE(dlg->ControlTop()->geometry(),
                 QRect(screen.left(), screen.top(), screen.width(), 40));
    }

    void extendedAndBackRestoresGeometryAndState()
    {
        auto dlg = MakeWindow();
        dlg->move(120, 90);
        const QRect before = dlg->geometry();
        dlg->Views().SetMapState(MapState::Small);
        dlg->Views().ApplyMapStateGeometry(MapState::Small);
        dlg->OnCommand(1008);
        QCOMPARE(dlg->Views().GetDisplayMode(), DisplayMode::Extended);
        QTest::keyClick(dlg.get(), Qt::Key_Escape);
        QCOMPARE(dlg->Views().GetDisplayMode(), DisplayMode::Normal);
        QCOMPARE(dlg->geometry(), before);
        QCOMPARE(dlg->size(), QSize(1022, 682));
        QCOMPARE(dlg->Views().GetMapState(), MapState::Small);
        QCOMPARE(dlg->Views().GetChannelView(), ChannelView::None);
        QCOMPARE(dlg->Control(1018)->geometry(), QRect(937, 441, 36, 22));
        for (const Expected &e : kNormal)
            if (e.id != 1018 && e.id != 1019)
                QCOMPARE(dlg->Control(e.id)->geometry(), e.rect);
        QVERIFY(!dlg->ControlPanel()->isVisible());
        QVERIFY(!dlg->ControlTop()->isVisible());
    }

    void pointerZonesInExtendedMode()
    {
        auto dlg = MakeWindow();
        dlg->OnCommand(1008);
        const int h = dlg->height();
        QTest::mouseMove(dlg.get(), QPoint(300, 10));
        QCOMPARE(dlg->Views().GetPointerZone(), PointerZone::Edge);
        QTRY_VERIFY(dlg->ControlPanel()->isVisible());
        QVERIFY(dlg->ControlTop()->isVisible());
        QVERIFY(dlg->Control(1008)->isVisible());
        dlg->ControlFileList()->show();
        // The control bar's file list button (1081) was on while the panel showed.
        auto *fileListButton = dlg->ControlPanel()->findChild<CKipSkinButton *>("1081");
        if (!fileListButton) {
            fileListButton =
                new CKipSkinButton(dlg->ControlPanel(), CKipSkinButton::Kind::CheckBox, 1081);
            fileListButton->setObjectName("1081");
        }
        fileListButton->SetCheck(1);
        QTest::mouseMove(dlg.get(), QPoint(300, h / 2));
        QCOMPARE(dlg->Views().GetPointerZone(), PointerZone::Middle);
        QVERIFY(!dlg->ControlPanel()->isVisible());
        QVERIFY(!dlg->ControlTop()->isVisible());
        QVERIFY(!dlg->ControlFileList()->isVisible());
        QCOMPARE(fileListButton->GetCheck(), 0);
        QVERIFY(!dlg->Control(1008)->isVisible());
        QTest::mouseMove(dlg.get(), QPoint(300, h - 10));
        QCOMPARE(dlg->Views().GetPointerZone(), PointerZone::Edge);
        QVERIFY(dlg->ControlPanel()->isVisible());
    }

    void controlStates_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("sound");
        QTest::newRow("idle, sound") << 0 << true;
        QTest::newRow("listed, sound") << 1 << true;
        QTest::newRow("playing, sound") << 2 << true;
        QTest::newRow("idle, no sound") << 0 << false;
        QTest::newRow("listed, no sound") << 1 << false;
        QTest::newRow("playing, no sound") << 2 << false;
    }
    void controlStates()
    {
        QFETCH(int, state);
        QFETCH(bool, sound);
        auto dlg = MakeWindow(sound, 2);
        dlg->ApplyControlState(ControlState(state));
        for (const StateRow &row : kStates) {
            const S want = state == 0 ? row.idle : state == 1 ? row.listed : row.playing;
            QVERIFY2(dlg->Control(row.id)->isEnabled() == (want == E),
                     qPrintable(QString::number(row.id)));
        }
        if (sound) {
            QVERIFY(dlg->Slider(1022)->isEnabled());
            QVERIFY(dlg->Button(1026)->isEnabled());
            QCOMPARE(dlg->Slider(1022)->value(), 50);
            QCOMPARE(CSoundOutput::Instance().GetVolume(),
                     std::optional<std::uint32_t>(0x7FFF7FFFu));
        } else {
            QVERIFY(!dlg->Slider(1022)->isEnabled());
            QCOMPARE(dlg->Slider(1022)->value(), 0);
            QCOMPARE(dlg->Button(1026)->GetCheck(), 1);
            QVERIFY(!dlg->Button(1026)->isEnabled());
        }
        if (state < 2) {
            QVERIFY(!dlg->Control(-1)->isVisible());
            QVERIFY(!dlg->Control(-2)->isVisible());
        }
    }

    void controlStateKeepsUnlistedControls()
    {
        auto dlg = MakeWindow();
        dlg->Control(1009)->setEnabled(false);
        for (int state : {0, 1, 2})
            dlg->ApplyControlState(ControlState(state));
        QVERIFY(!dlg->Control(1009)->isEnabled());
        QVERIFY(dlg->Control(1000)->isEnabled());
        QVERIFY(dlg->Control(1001)->isEnabled());
        dlg->ApplyControlState(ControlState(7)); // not a state: nothing changes
        QVERIFY(dlg->Control(1015)->isEnabled());
    }

    void singleStreamRule_data()
    {
        QTest::addColumn<bool>("dual");
        QTest::newRow("one stream") << false;
        QTest::newRow("two streams") << true;
    }
    void singleStreamRule()
    {
        QFETCH(bool, dual);
        auto dlg = MakeListedWindow();
        QVERIFY(dlg);
        DoubleClickRow(*dlg, RowOf(*dlg, dual ? m_dualPath : m_singlePath));
        QCOMPARE(dlg->Player().VideoStreams(), dual ? 2 : 1);
        QVERIFY(dlg->Transport().IsPositionTimerActive());
        QVERIFY(dlg->Control(1015)->isEnabled());
        QVERIFY(dlg->Control(1028)->isEnabled());
        for (const int id : {1030, 1031, 1006, 1027})
            QVERIFY2(dlg->Control(id)->isEnabled() == dual, qPrintable(QString::number(id)));
        QCOMPARE(dlg->Views().GetChannelView(), ChannelView::Front);
        QVERIFY(dlg->Control(-1)->isVisible());
        QCOMPARE(dlg->Control(-1)->geometry(), QRect(3, 78, 688, 387));
        // A two-stream recording after a one-stream one enables them all again.
        if (!dual) {
            DoubleClickRow(*dlg, RowOf(*dlg, m_dualPath));
            for (const int id : {1030, 1031, 1006, 1027})
                QVERIFY(dlg->Control(id)->isEnabled());
        }
    }

    // The loaded track has no fix: the small map goes away, the file list gets its full height.
    void recordingWithoutFixesHidesTheMap()
    {
        auto dlg = MakeListedWindow(m_noGps->path(), 1);
        QVERIFY(dlg);
        dlg->ApplyControlState(ControlState::Playing);
        dlg->OnCommand(1019);
        QCOMPARE(dlg->Views().GetMapState(), MapState::Small);
        DoubleClickRow(*dlg, 0);
        QTRY_COMPARE(dlg->Views().GetMapState(), MapState::Hidden);
        QCOMPARE(dlg->Transport().CurrentItem(), 0); // still loaded: not the reset at the end
        QCOMPARE(dlg->FileList()->geometry(), QRect(695, 126, 329, 508));
        QCOMPARE(dlg->MapWindow()->geometry().size(), QSize(0, 0));
        QCOMPARE(dlg->Control(1019)->geometry(), QRect(973, 639, 37, 22));
    }

    // Small map, then large map, then the end of the list: the hidden map's geometry, not the
    // short list and an empty gap below it.
    void stopFromTheLargeMapGivesTheListItsFullHeight()
    {
        auto dlg = MakeListedWindow();
        QVERIFY(dlg);
        DoubleClickRow(*dlg, 0);
        dlg->OnCommand(1019);
        QCOMPARE(dlg->Views().GetMapState(), MapState::Small);
        dlg->OnCommand(1018);
        QCOMPARE(dlg->Views().GetMapState(), MapState::Large);
        dlg->Transport().StopAndReset();
        QCOMPARE(dlg->Views().GetMapState(), MapState::Hidden);
        QVERIFY(dlg->FileList()->isVisible());
        QCOMPARE(dlg->FileList()->geometry(), QRect(695, 126, 329, 508));
        QCOMPARE(dlg->MapWindow()->geometry().size(), QSize(0, 0));
        QCOMPARE(dlg->Control(1019)->geometry(), QRect(973, 639, 37, 22));
        QCOMPARE(dlg->Button(1019)->toolTip(), QStringLiteral("Show Map"));
    }

    // Leaving the large map for the hidden map, by the end of the list or by a load without
    // fixes, gives Large map its "Show large map" tooltip back.
    void hiddenMapAfterTheLargeMapRestoresTheLargeMapTooltip()
    {
        const QString showLargeMap = QStringLiteral("Show large map");
        {
            auto dlg = MakeListedWindow();
            QVERIFY(dlg);
            DoubleClickRow(*dlg, 0);
            dlg->OnCommand(1018);
            QCOMPARE(dlg->Button(1018)->toolTip(), QStringLiteral("Reduce Map"));
            dlg->Transport().StopAndReset();
            QCOMPARE(dlg->Views().GetMapState(), MapState::Hidden);
            QCOMPARE(dlg->Button(1018)->toolTip(), showLargeMap);
        }
        {
            auto dlg = MakeListedWindow(m_noGps->path(), 1);
            QVERIFY(dlg);
            dlg->ApplyControlState(ControlState::Playing);
            dlg->OnCommand(1018);
            QCOMPARE(dlg->Views().GetMapState(), MapState::Large);
            DoubleClickRow(*dlg, 0);
            QTRY_COMPARE(dlg->Views().GetMapState(), MapState::Hidden);
            QCOMPARE(dlg->Button(1018)->toolTip(), showLargeMap);
        }
    }

    void pageDownAndPageUpChangeRecording()
    {
        auto dlg = MakeListedWindow();
        QVERIFY(dlg);
        DoubleClickRow(*dlg, 0);
        QCOMPARE(dlg->Transport().CurrentItem(), 0);
        // Even with the focus on a slider, PageDown is the accelerator, not a slider step.
        dlg->Slider(1021)->setFocus();
        QTest::keyClick(dlg->Slider(1021), Qt::Key_PageDown);
        QCOMPARE(dlg->Transport().CurrentItem(), 1);
        QCOMPARE(dlg->Slider(1021)->GetPos(), 5);
        QCOMPARE(dlg->FileList()->GetSelectedItem(), 1);
        QCOMPARE(dlg->Player().GetState(), PlayState::Running);
        QTest::keyClick(dlg.get(), Qt::Key_PageUp);
        QCOMPARE(dlg->Transport().CurrentItem(), 0);
        QTest::keyClick(dlg.get(), Qt::Key_PageUp); // first row: nothing
        QCOMPARE(dlg->Transport().CurrentItem(), 0);
        QTest::keyClick(dlg.get(), Qt::Key_PageDown);
        // PageDown on the last row stops everything: the library stays listed.
        QTest::keyClick(dlg.get(), Qt::Key_PageDown);
        QCOMPARE(dlg->Transport().CurrentItem(), -1);
        QVERIFY(!dlg->Transport().IsPositionTimerActive());
        QVERIFY(!dlg->Player().Graph());
        QCOMPARE(dlg->Views().GetChannelView(), ChannelView::None);
        QVERIFY(dlg->Control(1004)->isEnabled());
        QVERIFY(!dlg->Control(1015)->isEnabled());
        QCOMPARE(dlg->FileList()->GetItemCount(), 2);
    }

    void folderLibraryAtStart()
    {
        auto dlg = MakeListedWindow();
        QVERIFY(dlg);
        QCOMPARE(dlg->Button(1092)->GetCheck(), 1);
        QCOMPARE(dlg->Button(1009)->GetCheck(), 1);
        QCOMPARE(dlg->GetLibraryRoot(), m_recordings->path());
        QVERIFY(dlg->GetFolderMode());
    }

    void spaceOpensTheSelectedRow()
    {
        auto dlg = MakeListedWindow();
        QVERIFY(dlg);
        const int row = RowOf(*dlg, m_dualPath);
        dlg->FileList()->SelectItem(row);
        QTest::keyClick(dlg.get(), Qt::Key_Space);
        QCOMPARE(dlg->Transport().CurrentItem(), row);
        QCOMPARE(dlg->Player().GetState(), PlayState::Running);
        QVERIFY(dlg->Transport().IsPositionTimerActive());
        // Space again pauses; the timer keeps running.
        QTest::keyClick(dlg.get(), Qt::Key_Space);
        QCOMPARE(dlg->Player().GetState(), PlayState::Paused);
        QVERIFY(dlg->Transport().IsPositionTimerActive());
    }

    void closeWhilePlayingStopsTimerAndPlayer()
    {
        auto dlg = MakeListedWindow();
        QVERIFY(dlg);
        DoubleClickRow(*dlg, 0);
        QVERIFY(dlg->Transport().IsPositionTimerActive());
        QVERIFY(dlg->Player().Graph());
        dlg->OnCommand(1001);
        QVERIFY(!dlg->Transport().IsPositionTimerActive());
        QVERIFY(!dlg->Player().Graph());
        QVERIFY(!dlg->isVisible());
    }

    void extendedWhilePlayingKeepsChannelView()
    {
        auto dlg = MakeListedWindow();
        QVERIFY(dlg);
        DoubleClickRow(*dlg, RowOf(*dlg, m_dualPath));
        dlg->OnCommand(1031);
        QCOMPARE(dlg->Views().GetChannelView(), ChannelView::Both);
        const QRect before = dlg->geometry();
        dlg->OnCommand(1008);
        const int w = dlg->width();
        const int h = dlg->height();
        const int u = h < w / 16 * 9 ? h / 9 : w / 16;
        const int d = u * 9 / 2;
        QCOMPARE(dlg->Control(-1)->geometry(), QRect(0, (h - d) / 2, w / 2, d));
        QCOMPARE(dlg->Control(-2)->geometry(), QRect(w / 2, (h - d) / 2, w / 2, d));
        QTest::keyClick(dlg.get(), Qt::Key_Escape);
        QCOMPARE(dlg->geometry(), before);
        QCOMPARE(dlg->Views().GetChannelView(), ChannelView::Both);
        QCOMPARE(dlg->Control(-1)->geometry(), QRect(3, 175, 344, 194));
        QCOMPARE(dlg->Control(-2)->geometry(), QRect(347, 175, 344, 194));
        QVERIFY(dlg->Control(-1)->isVisible());
        QVERIFY(dlg->Control(-2)->isVisible());
    }

    void enterAndEscapeNeverClose()
    {
        auto dlg = MakeWindow();
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QTest::keyClick(dlg.get(), key);
            QVERIFY(dlg->isVisible());
            QCOMPARE(dlg->Views().GetDisplayMode(), DisplayMode::Normal);
        }
        dlg->Button(1015)->setFocus();
        QTest::keyClick(dlg->Button(1015), Qt::Key_Escape);
        QTest::keyClick(dlg->Button(1015), Qt::Key_Return);
        QVERIFY(dlg->isVisible());
    }

    void spaceWithNothingListedDoesNothing()
    {
        auto dlg = MakeWindow();
        QTest::keyClick(dlg.get(), Qt::Key_Space);
        QVERIFY(!dlg->Transport().IsPositionTimerActive());
        QCOMPARE(dlg->Transport().CurrentItem(), -1);
        QCOMPARE(dlg->Views().GetChannelView(), ChannelView::None);
        QVERIFY(!dlg->Control(1015)->isEnabled());
    }

    void arrowsDoNotMoveAFocusedSlider()
    {
        auto dlg = MakeWindow();
        QAbstractSlider *speed = dlg->Slider(1021);
        speed->setFocus();
        QTest::keyClick(speed, Qt::Key_Left);
        QTest::keyClick(speed, Qt::Key_Right);
        QTest::keyClick(speed, Qt::Key_Right);
        QCOMPARE(speed->value(), 5);
    }

    void closeStopsTimerAndEndsTheRun()
    {
        auto dlg = MakeWindow();
        dlg->Transport().SetTimerPosition();
        QVERIFY(dlg->Transport().IsPositionTimerActive());
        dlg->OnCommand(1001);
        QVERIFY(!dlg->Transport().IsPositionTimerActive());
        QVERIFY(!dlg->isVisible());
    }

    void minimizeKeepsState()
    {
        auto dlg = MakeWindow();
        dlg->Transport().SetTimerPosition();
        dlg->OnCommand(1000);
        QVERIFY(dlg->isMinimized() || dlg->windowState() & Qt::WindowMinimized);
        QVERIFY(dlg->Transport().IsPositionTimerActive());
    }

    // Pictures of every layout for a person to look at (QUORVIL_SHOT_DIR); the checks here are
    // only that each grab has the window's size and is not blank.
    void grabEveryLayout()
    {
        const QString dir = qEnvironmentVariable("QUORVIL_SHOT_DIR");
        auto dlg = MakeListedWindow();
        QVERIFY(dlg);
        const auto shoot = [&](const char *name) {
            const QImage image = dlg->grab().toImage();
            QCOMPARE(image.size(), dlg->size());
            QVERIFY(image.pixelColor(10, 10) != image.pixelColor(500, 300) ||
                    dlg->Views().GetDisplayMode() == DisplayMode::Extended);
            if (!dir.isEmpty())
                image.save(dir + "/" + name + ".png");
        };
        shoot("normal-idle");
        dlg->ApplyControlState(ControlState::Listed);
        shoot("normal-listed");
        DoubleClickRow(*dlg, RowOf(*dlg, m_dualPath));
        QTest::qWait(300);
        shoot("normal-playing-front");
        dlg->Views().ShowBothViews();
        QTest::qWait(300);
        shoot("normal-playing-both");
        dlg->Views().SetMapState(MapState::Small);
        dlg->Views().ApplyMapStateGeometry(MapState::Small);
        shoot("normal-small-map");
        dlg->Views().SetMapState(MapState::Large);
        dlg->LayoutControls(LayoutKind::LargeMap);
        shoot("large-map");
        dlg->Views().SetMapState(MapState::Hidden);
        dlg->LayoutControls(LayoutKind::Normal);
        dlg->Views().ApplyMapStateGeometry(MapState::Hidden);
        dlg->OnCommand(1008);
        shoot("extended");
    }

    void unknownCommandDoesNothing()
    {
        auto dlg = MakeWindow();
        dlg->OnCommand(1032);
        dlg->OnCommand(4242);
        QVERIFY(dlg->isVisible());
    }
};

int main(int argc, char **argv)
{
    const auto sandbox = IsolateEnvironment();
    QApplication app(argc, argv);
    TestMainWindowState test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow_state.moc"
