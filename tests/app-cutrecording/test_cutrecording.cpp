// The transport room, offscreen, with a recording a power loss cut short: a double click plays
// a copy recovered into the cache folder while the row and the file name stay the card's; a
// recording that cannot be recovered says why and opens nothing.

#include "tests/app-common/MainWindowFixture.h"

#include "recovery/RecordingRecovery.h"

#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QStandardPaths>

class TestCutRecording : public MainWindowFixture
{
    Q_OBJECT

private:
    // A card folder: an intact MP4 (the camera's set-up), one cut at 60 % and one cut inside
    // its first frame (a larger picture, so the frame is larger than a listed file's least).
    void WriteCard()
    {
        m_card = std::make_unique<QTemporaryDir>(qEnvironmentVariable("QUORVIL_TEST_TMP") +
                                                 "/cutrecording-XXXXXX");
        QVERIFY(m_card->isValid());
        const auto write = [&](int minute, std::optional<double> cutAt,
                               std::optional<std::int64_t> cutAtByte = std::nullopt) {
            cardgen::RecordingOptions o;
            o.container = cardgen::Container::Mp4;
            o.durationMs = 3000;
            o.width = cutAtByte ? 640 : 160;
            o.height = cutAtByte ? 360 : 90;
            o.fps = 10;
            o.start = QDateTime(QDate(2014, 7, 22), QTime(22, minute, 0));
            o.cutAtPercent = cutAt;
            o.cutAtByte = cutAtByte;
            o.path = m_card->filePath(cardgen::RecordingFileName(o));
            QString error;
            if (!cardgen::WriteRecording(o, &error))
                qWarning("%s", qPrintable(error));
            return o.path;
        };
        m_intact = write(10, std::nullopt);
        m_cut = write(11, 60.0);
        // Past the 1024 bytes a listed file has, still inside the first picture.
        m_lost = write(12, std::nullopt, 2500);
    }
    QStringList CachedCopies() const
    {
        QStringList files;
        QDirIterator it(QStandardPaths::writableLocation(QStandardPaths::CacheLocation),
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        return files;
    }

    std::unique_ptr<QTemporaryDir> m_card;
    QString m_intact, m_cut, m_lost;

private slots:
    void initTestCase()
    {
        WriteRecordings();
        WriteCard();
    }

    void doubleClickPlaysTheRecoveredCopy()
    {
        auto dlg = MakeListedWindow(m_card->path(), 3);
        QVERIFY(dlg);
        const int row = RowOf(*dlg, m_cut);
        QVERIFY(row >= 0);
        const QByteArray before = [&] {
            QFile f(m_cut);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        DoubleClickRow(*dlg, row);
        QCOMPARE(dlg->Transport().CurrentItem(), row);
        QCOMPARE(dlg->Player().GetState(), PlayState::Running);
        QCOMPARE(dlg->Player().VideoStreams(), 2);
        // 60 % of three seconds, give or take the frame the power cut.
        QVERIFY2(dlg->Player().GetDurationMs() >= 1500 && dlg->Player().GetDurationMs() < 3000,
                 qPrintable(QString::number(dlg->Player().GetDurationMs())));
        QVERIFY(m_dialogs->MessageBoxCalls().empty());

        // The copy is in the cache under the recording's name; the card is as it was.
        const QStringList copies = CachedCopies();
        QCOMPARE(copies.size(), 1);
        QCOMPARE(QFileInfo(copies.first()).fileName(), QFileInfo(m_cut).fileName());
        QCOMPARE(recovery::ProbeFile(copies.first()), recovery::FileState::Complete);
        QFile f(m_cut);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
        QCOMPARE(QDir(m_card->path()).entryList(QDir::Files | QDir::Hidden).size(), 3);

        // The row and the file name shown are the card's recording.
        QCOMPARE(dlg->FileList()->GetItemText(row, CConfigListCtrl::kColumnPath), m_cut);
        auto *fileName = qobject_cast<QLabel *>(dlg->Control(1069));
        QVERIFY(fileName);
        QCOMPARE(fileName->text(), QFileInfo(m_cut).fileName());
        // A picture for a person to look at (QUORVIL_SHOT_DIR).
        if (const QString shots = qEnvironmentVariable("QUORVIL_SHOT_DIR"); !shots.isEmpty()) {
            QTest::qWait(300);
            dlg->grab().save(QDir(shots).filePath("cut-recording-playing.png"));
        }

        // An intact recording is played from the card, with no copy made.
        DoubleClickRow(*dlg, RowOf(*dlg, m_intact));
        QCOMPARE(dlg->Player().GetState(), PlayState::Running);
        QVERIFY(dlg->Player().GetDurationMs() > 2800);
        QCOMPARE(CachedCopies().size(), 1);
    }

    void unrecoverableRecordingSaysWhy()
    {
        auto dlg = MakeListedWindow(m_card->path(), 3);
        QVERIFY(dlg);
        m_dialogs->QueueMessageBoxAnswer(DialogResult::Ok);
        DoubleClickRow(*dlg, RowOf(*dlg, m_lost));
        QCOMPARE(dlg->Transport().CurrentItem(), -1);
        QVERIFY(!dlg->Transport().IsRecordingLoaded());
        QCOMPARE(m_dialogs->MessageBoxCalls().size(), 1u);
        QVERIFY2(m_dialogs->MessageBoxCalls().front().text.contains("nothing to recover"),
                 qPrintable(m_dialogs->MessageBoxCalls().front().text));
    }
};

int main(int argc, char **argv)
{
    const auto sandbox = IsolateEnvironment();
    QApplication app(argc, argv);
    TestCutRecording test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_cutrecording.moc"
