// The main window itself, offscreen: start-up, captions, tooltips, language, control states,
// sound, keys and closing.

#include "tests/app-common/MainWindowFixture.h"

#include "filters/CFilterRegistry.h"
#include "filters/CSensorDataSource.h"
#include "platform/SettingsStore.h"
#include "ui/CTextTable.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QApplication>
#include <QScreen>
#include <QSignalSpy>

namespace
{

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

class TestMainWindow : public MainWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { WriteRecordings(); }

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
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_window.moc"
