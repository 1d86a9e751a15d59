// Damaged recordings in the real main window: every file of the generated damaged corpus is
// opened, played to its end (or for a bounded time), paused, sought, stepped, captured, its
// sensor track loaded and its map shown, then exported with quorvil-export. Each either works
// on what it can read or fails cleanly: no crash and no hang (every wait has a deadline). One
// line per file tells how it ended and the longest time the window's event loop stood still;
// that figure is printed, never asserted.

#include "tests/app-common/MainWindowFixture.h"
#include "tests/platform-common/UiStallMeter.h"

#include "sensors/CSensorLoader.h"
#include "tools/make-card/DamagedCorpus.h"
#include "ui/CKipImageSlider.h"
#include "ui/ControlIds.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <cstdio>

using namespace ControlIds;

namespace
{

// Deadlines: far beyond what an intact file needs, short enough to call a stuck one a hang.
constexpr int kListedDeadlineMs = 5000;
constexpr int kSensorLoadDeadlineMs = 15000;
constexpr int kPlayBoundMs = 6000; // the recordings last 1.5 s
constexpr int kExportDeadlineMs = 30000;

// The files that must come through whole: the controls of the corpus.
bool IsIntact(const QString &label)
{
    return label == QLatin1String("avi-intact") || label == QLatin1String("mp4-intact") ||
           label == QLatin1String("avi-name-spaces-utf8");
}

} // namespace

class TestDamagedRecordings : public MainWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("QUORVIL_ONLINE", "0"); // the map without the web engine: its zero-size form
        m_corpus = std::make_unique<QTemporaryDir>(qEnvironmentVariable("QUORVIL_TEST_TMP") +
                                                   "/damaged-corpus-XXXXXX");
        QVERIFY(m_corpus->isValid());
        QString error;
        QVERIFY2(cardgen::WriteDamagedCorpus(m_corpus->path(), 1, false, &m_files, &error),
                 qPrintable(error));
    }
    void init() { m_sandbox = IsolateEnvironment(); }

    void eachFileWorksOrFailsCleanly_data();
    void eachFileWorksOrFailsCleanly();

private:
    // The listed file's round in the window; its steps in *ended.
    void RunListed(COrvelPlayerDlg &dlg, QStringList *ended);
    // A file the catalogue does not list (too small to be a recording): the player and the
    // sensor loader the window uses, directly.
    void RunUnlisted(COrvelPlayerDlg &dlg, const QString &path, QStringList *ended);
    // quorvil-export on the file: "export 0", "export 1: <first line of its complaint>".
    void RunExport(const QString &path, QStringList *ended);

    std::unique_ptr<QTemporaryDir> m_sandbox;
    std::unique_ptr<QTemporaryDir> m_corpus;
    std::vector<cardgen::DamagedFile> m_files;
};

void TestDamagedRecordings::eachFileWorksOrFailsCleanly_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("label");
    for (const cardgen::DamagedFile &file : m_files)
        QTest::newRow(qPrintable(file.label)) << file.name << file.label;
}

void TestDamagedRecordings::eachFileWorksOrFailsCleanly()
{
    QFETCH(QString, name);
    QFETCH(QString, label);

    // Each file alone in a folder library, so the end of it is the end of the list.
    QTemporaryDir library(qEnvironmentVariable("QUORVIL_TEST_TMP") + "/damaged-case-XXXXXX");
    QVERIFY(library.isValid());
    const QString path = library.filePath(name);
    QVERIFY(QFile::copy(m_corpus->filePath(name), path));
    m_library = library.path();
    auto dlg = MakeWindow(false);
    m_library.clear();
    QVERIFY(dlg);
    QVERIFY(QTest::qWaitFor([&] { return dlg->GetLibraryRoot() == library.path(); },
                            kListedDeadlineMs));

    UiStallMeter meter;
    meter.Start();
    QStringList ended;
    const int row = RowOf(*dlg, path);
    if (row >= 0)
        RunListed(*dlg, &ended);
    else
        RunUnlisted(*dlg, path, &ended);
    if (QTest::currentTestFailed()) {
        std::printf("DAMAGED %-28s | FAILED after: %s\n", qPrintable(label),
                    qPrintable(ended.join("; ")));
        return;
    }
    RunExport(path, &ended);
    meter.Stop();
    std::printf("DAMAGED %-28s | %s | longest stall %lld ms\n", qPrintable(label),
                qPrintable(ended.join("; ")), static_cast<long long>(meter.Longest().count()));
    std::fflush(stdout);

    // Whatever happened, the window is usable: nothing loaded, nothing playing.
    QVERIFY(dlg->isVisible());
    QCOMPARE(dlg->Transport().CurrentItem(), -1);
    QCOMPARE(dlg->Player().GetState(), PlayState::Closed);
    if (IsIntact(label))
        QVERIFY2(ended.first() == "played to the end" && ended.last() == "export 0",
                 qPrintable(ended.join("; ")));
}

void TestDamagedRecordings::RunListed(COrvelPlayerDlg &dlg, QStringList *ended)
{
    DoubleClickRow(dlg, 0);
    if (dlg.Transport().CurrentItem() != 0) {
        const auto &boxes = m_dialogs->MessageBoxCalls();
        *ended << (boxes.empty() ? QStringLiteral("open refused")
                                 : QStringLiteral("open refused with \"%1\"")
                                       .arg(boxes.back().text.simplified().left(60)));
        return;
    }
    QVERIFY2(
        QTest::qWaitFor([&] { return !dlg.SensorLoader().IsLoading(); }, kSensorLoadDeadlineMs),
        "the sensor track never finished loading");
    const QString track = QStringLiteral("%1 fixes, %2 samples")
                              .arg(dlg.SensorTrack().m_arrGPS.size())
                              .arg(dlg.SensorTrack().m_arrGSensor.size());
    // The end of the only row stops and resets everything.
    if (QTest::qWaitFor([&] { return dlg.Transport().CurrentItem() == -1; }, kPlayBoundMs))
        *ended << QStringLiteral("played to the end");
    else
        *ended << QStringLiteral("still playing after %1 s (stopped)").arg(kPlayBoundMs / 1000);
    *ended << track;
    dlg.Transport().StopAndReset();

    // Once more by hand: pause, seek to the middle, step both ways, capture, the map.
    DoubleClickRow(dlg, 0);
    if (dlg.Transport().CurrentItem() != 0) {
        *ended << QStringLiteral("second open refused");
        return;
    }
    dlg.OnCommand(IDC_PLAY);
    CKipImageSlider *seek = dlg.Slider(IDC_POSITION_SLIDER);
    seek->SetPos(seek->maximum() / 2);
    dlg.OnHScroll(IDC_POSITION_SLIDER, CKipImageSlider::TB_THUMBTRACK);
    dlg.OnCommand(IDC_FORWARD);
    dlg.OnCommand(IDC_REWIND);
    QTemporaryDir stills(qEnvironmentVariable("QUORVIL_TEST_TMP") + "/damaged-still-XXXXXX");
    m_dialogs->QueueSaveFile(stills.filePath("still.jpg"));
    dlg.OnCommand(IDC_CAPTURE);
    const int stillFiles = QDir(stills.path()).entryList(QDir::Files).size();
    *ended << (stillFiles ? QStringLiteral("%1 still(s)").arg(stillFiles)
                          : QStringLiteral("no still"));
    QVERIFY2(QDir(stills.path()).entryList(QDir::Files | QDir::Hidden).size() == stillFiles,
             "a partial still was left behind");
    QVERIFY2(
        QTest::qWaitFor([&] { return !dlg.SensorLoader().IsLoading(); }, kSensorLoadDeadlineMs),
        "the sensor track never finished loading");
    dlg.OnCommand(IDC_SHOW_MAP);
    dlg.OnCommand(IDC_SHOW_MAP);
    dlg.OnCommand(IDC_LARGE_MAP);
    dlg.OnCommand(IDC_LARGE_MAP);
    dlg.OnCommand(IDC_PLAY);
    QTest::qWait(300); // a few position ticks on whatever is readable
    dlg.Transport().StopAndReset();
}

void TestDamagedRecordings::RunUnlisted(COrvelPlayerDlg &dlg, const QString &path,
                                        QStringList *ended)
{
    *ended << QStringLiteral("not listed");
    CDShowPlayer &player = dlg.Player();
    if (player.OpenFile(path)) {
        player.Play();
        QTest::qWait(500);
        player.SeekTo(player.GetDurationMs() / 2);
        player.Close();
        *ended << QStringLiteral("player opened it");
    } else {
        *ended << QStringLiteral("player refused it");
    }
    CTextData track = CTextData::Empty();
    CSensorLoader loader(track);
    std::optional<CSensorLoader::LoadResult> result;
    connect(&loader, &CSensorLoader::loadEnded, this,
            [&](CSensorLoader::LoadResult r) { result = r; });
    loader.StartSensorLoad(path);
    QVERIFY2(QTest::qWaitFor([&] { return result.has_value(); }, kSensorLoadDeadlineMs),
             "the sensor track never finished loading");
    *ended << QStringLiteral("sensor load %1")
                  .arg(*result == CSensorLoader::LoadResult::NoSource ? "refused" : "ended");
}

void TestDamagedRecordings::RunExport(const QString &path, QStringList *ended)
{
    QTemporaryDir out(qEnvironmentVariable("QUORVIL_TEST_TMP") + "/damaged-export-XXXXXX");
    QProcess exporter;
    exporter.start(QStringLiteral(QUORVIL_EXPORT_BIN),
                   {path, "--gpx", out.filePath("track.gpx"), "--csv", out.filePath("g.csv")});
    QVERIFY(exporter.waitForStarted(kExportDeadlineMs));
    // The window keeps turning while the exporter runs.
    const bool finished = QTest::qWaitFor([&] { return exporter.state() == QProcess::NotRunning; },
                                          kExportDeadlineMs);
    if (!finished)
        exporter.kill();
    QVERIFY2(finished, "quorvil-export hung");
    QVERIFY2(exporter.exitStatus() == QProcess::NormalExit, "quorvil-export crashed");
    const int code = exporter.exitCode();
    const QString complaints = QString::fromUtf8(exporter.readAllStandardError());
    QVERIFY2(code == 0 || code == 1, qPrintable(complaints));
    // Both outputs whole, or (nothing readable at all) none; never a temporary left behind.
    const QStringList outputs = QDir(out.path()).entryList(QDir::Files | QDir::Hidden);
    QVERIFY2(outputs.isEmpty() || outputs == (QStringList{"g.csv", "track.gpx"}),
             qPrintable(outputs.join(' ')));
    const QString complaint = complaints.section('\n', 0, 0).section(": ", -1).left(50);
    *ended << (code == 0 ? QStringLiteral("export 0")
                         : QStringLiteral("export 1: %1").arg(complaint));
}

int main(int argc, char **argv)
{
    const auto sandbox = IsolateEnvironment();
    QApplication app(argc, argv);
    TestDamagedRecordings test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_damaged.moc"
