// The card pulled while the window is busy with it: while a recording plays, while its sensor
// track loads, while Save copies from it and while a Delete waits for its answer. Each time the
// window goes back to its empty state, no partial copy is left at the save target, and no file
// on the card changes unless its deletion was confirmed. The card reader is the drive layer's
// fake tree; pulling it rewrites the mount table, and reads of the card fail from then on as a
// pulled card's do.

#include "tests/app-common/MainWindowFixture.h"
#include "tests/platform-common/TestFiles.h"
#include "tests/platform-common/UiStallMeter.h"
#include "tests/platform-drives/FakeDriveTree.h"

#include "library/widgets/CSelectDriveDlg.h"
#include "platform/FileCopyPromptsScripted.h"
#include "platform/FileOperationsQt.h"
#include "ui/CKipImageSlider.h"
#include "ui/ControlIds.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QLabel>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <map>
#include <thread>

using namespace ControlIds;
using namespace test_files;

namespace
{

constexpr int kDeadlineMs = 15000;

// Reads of the card as a card reader gives them: whole until the card is pulled, then EIO.
// The second read of a copy waits for the pull, so the pull lands in the middle of a copy.
class PullableCardIo : public FileCopyIo
{
public:
    std::int64_t Read(int fd, void *buffer, std::size_t size) override
    {
        if (++m_reads == 2) {
            m_bCopying = true;
            const auto deadline =
                std::chrono::steady_clock::now() + std::chrono::milliseconds(kDeadlineMs);
            while (!m_bPulled && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        if (m_bPulled) {
            errno = EIO;
            return -1;
        }
        return FileCopyIo::Read(fd, buffer, size);
    }
    bool IsCopying() const { return m_bCopying; }
    void Pull() { m_bPulled = true; }

private:
    std::atomic<int> m_reads{0};
    std::atomic<bool> m_bCopying{false};
    std::atomic<bool> m_bPulled{false};
};

// Scripted dialogs that run `onMessageBox` while a message box is up, before it is answered.
class DialogsWithHook : public DialogsScripted
{
public:
    DialogResult MessageBox(QWidget *owner, const QString &text, MessageBoxButtons buttons,
                            const QString &caption = {}) override
    {
        if (onMessageBox)
            onMessageBox();
        return DialogsScripted::MessageBox(owner, text, buttons, caption);
    }
    std::function<void()> onMessageBox;
};

// Every file under `root` by relative path: size and hash.
std::map<QString, QByteArray> Fingerprint(const QString &root)
{
    std::map<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QByteArray bytes = ReadFile(path);
        files[QDir(root).relativeFilePath(path)] =
            QByteArray::number(bytes.size()) + ':' +
            QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
    }
    return files;
}

enum class Busy {
    Playing,
    LoadingSensors,
    Saving,
    DeleteQuestion, // pulled while the question is up; the reset comes before the answer
    Deleting,       // pulled as OK is pressed; the reset comes after the deletion
};

} // namespace

Q_DECLARE_METATYPE(Busy)

class TestCardRemoval : public MainWindowFixture
{
    Q_OBJECT

private slots:
    void pullWhileBusy_data();
    void pullWhileBusy();

private:
    // A card with a long recording (row 0; its sensor stream takes a while to read) and three
    // large files named as recordings (rows 1 to 3: what Save copies), mounted; returns its root.
    static QString MountCard(FakeDriveTree &tree);
    // The reset of the window after the card went, as the drive monitor triggers it.
    static void VerifyEmptyWindow(COrvelPlayerDlg &dlg);
};

QString TestCardRemoval::MountCard(FakeDriveTree &tree)
{
    tree.AddDevice(FakeDriveTree::UsbCardReaderPartition());
    const QString root = tree.MediaPath("CARD");
    cardgen::RecordingOptions recording;
    recording.durationMs = 10 * 60 * 1000; // 60 000 sensor ticks in the AVI
    recording.width = 32;
    recording.height = 18;
    recording.fps = 1;
    recording.rear = false;
    recording.audio = false;
    cardgen::CardOptions card;
    card.root = root;
    card.recordings = {recording};
    if (!cardgen::WriteCard(card))
        return {};
    for (int i = 1; i <= 3; ++i) {
        QFile big(QStringLiteral("%1/Recordings/20140721_1000%2_EVT_C2.AVI")
                      .arg(root)
                      .arg(i * 10, 2, 10, QLatin1Char('0')));
        if (!big.open(QIODevice::WriteOnly) ||
            big.write(RandomBytes(9 << 20, i)) != qint64(9 << 20))
            return {};
    }
    tree.WriteMounts({{40, 8, 17, root}});
    return root;
}

void TestCardRemoval::VerifyEmptyWindow(COrvelPlayerDlg &dlg)
{
    QVERIFY(dlg.isVisible());
    QVERIFY(dlg.GetLibraryRoot().isEmpty());
    QCOMPARE(dlg.FileList()->GetItemCount(), 0);
    if (CConfigListCtrl *panel = dlg.Catalogue().GetPanelList())
        QCOMPARE(panel->GetItemCount(), 0);
    QCOMPARE(dlg.Transport().CurrentItem(), -1);
    QVERIFY(!dlg.Transport().IsPositionTimerActive());
    QVERIFY(!dlg.Player().Graph());
    for (const int id : {IDC_FILE_ALL, IDC_FILE_NORMAL, IDC_FILE_EVENT, IDC_FILE_MOTION,
                         IDC_FLIP_VERTICAL, IDC_FLIP_HORIZONTAL})
        QVERIFY2(dlg.Button(id)->GetCheck() == 0, qPrintable(QString::number(id)));
    QCOMPARE(dlg.Views().GetDisplayMode(), DisplayMode::Normal);
    QCOMPARE(dlg.Views().GetMapState(), MapState::Hidden);
    QCOMPARE(qobject_cast<QLabel *>(dlg.Control(IDC_FILE_NAME))->text(), QString());
    for (const int id : {IDC_POSITION_TIME, IDC_TOTAL_TIME})
        QCOMPARE(qobject_cast<QLabel *>(dlg.Control(id))->text(), QStringLiteral("00:00:00"));
    QCOMPARE(dlg.Slider(IDC_POSITION_SLIDER)->GetPos(), 0);
    QCOMPARE(dlg.Slider(IDC_SPEED_SLIDER)->GetPos(), 5);
    QCOMPARE(dlg.Slider(IDC_BRIGHTNESS_SLIDER)->GetPos(), 0);
    // Idle: nothing that needs a library or a recording.
    for (const int id : {IDC_CALENDAR, IDC_SAVE, IDC_DELETE, IDC_PLAY})
        QVERIFY2(!dlg.Control(id)->isEnabled(), qPrintable(QString::number(id)));
    QVERIFY(!dlg.SensorLoader().IsLoading());
    QVERIFY(dlg.SensorTrack().m_arrGPS.empty() && dlg.SensorTrack().m_arrGSensor.empty());
}

void TestCardRemoval::pullWhileBusy_data()
{
    QTest::addColumn<Busy>("busy");
    QTest::newRow("playing") << Busy::Playing;
    QTest::newRow("sensor track loading") << Busy::LoadingSensors;
    QTest::newRow("save copying") << Busy::Saving;
    QTest::newRow("delete question up") << Busy::DeleteQuestion;
    QTest::newRow("deleting") << Busy::Deleting;
}

void TestCardRemoval::pullWhileBusy()
{
    QFETCH(Busy, busy);
    FakeDriveTree tree;
    const QString root = MountCard(tree);
    QVERIFY(!root.isEmpty());
    const auto cardBefore = Fingerprint(root);
    QTemporaryDir target(qEnvironmentVariable("QUORVIL_TEST_TMP") + "/removal-target-XXXXXX");
    QVERIFY(target.isValid());

    CSoundOutput::Instance().SetBackend(std::make_unique<FixedSoundOutput>(false));
    auto dialogs = std::make_unique<DialogsWithHook>();
    DialogsWithHook *script = dialogs.get();
    script->QueueModal([](QDialog &dialog) {
        static_cast<CSelectDriveDlg &>(dialog).DoDataExchange();
        return int(QDialog::Accepted);
    });
    auto io = std::make_shared<PullableCardIo>();
    auto prompts = std::make_unique<FileCopyPromptsScripted>();
    FileCopyPromptsScripted *copyPrompts = prompts.get();
    auto dlg = std::make_unique<COrvelPlayerDlg>(
        std::move(dialogs), nullptr, std::make_unique<FileOperationsQt>(std::move(prompts), io));
    QVERIFY(dlg->OnInitDialog());
    QVERIFY(QTest::qWaitFor([&] { return dlg->FileList()->GetItemCount() == 4; }, kDeadlineMs));

    bool pulled = false;
    const auto pull = [&] {
        pulled = true;
        io->Pull();
        tree.WriteMounts({});
    };
    const auto checkRows = [&](std::initializer_list<int> rows) {
        for (CConfigListCtrl *list : {dlg->FileList(), dlg->Catalogue().GetPanelList()})
            for (const int row : rows)
                if (list)
                    list->SetCellText(list->GetCell(row, CConfigListCtrl::kColumnCheck), "1");
    };

    UiStallMeter meter;
    meter.Start();
    QString while_;
    QStringList confirmed; // files on the card the user confirmed to delete
    switch (busy) {
    case Busy::Playing:
    case Busy::LoadingSensors: {
        // Playing in extended mode: the reset brings the normal window back too.
        DoubleClickRow(*dlg, 0);
        QCOMPARE(dlg->Transport().CurrentItem(), 0);
        if (busy == Busy::Playing) {
            QVERIFY(QTest::qWaitFor([&] { return !dlg->SensorLoader().IsLoading(); }, kDeadlineMs));
            dlg->OnCommand(IDC_EXTEND);
            QCOMPARE(dlg->Views().GetDisplayMode(), DisplayMode::Extended);
            QTest::qWait(300);
            QCOMPARE(dlg->Player().GetState(), PlayState::Running);
        }
        while_ =
            dlg->SensorLoader().IsLoading() ? "while the sensor track loaded" : "while playing";
        pull();
        break;
    }
    case Busy::Saving: {
        checkRows({1, 2, 3});
        script->QueueFolder(target.path());
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (!pulled && io->IsCopying())
                pull();
        });
        watch.start(5);
        dlg->OnCommand(IDC_SAVE);
        while_ = pulled ? "while a save copied" : "after the save (never in progress)";
        QVERIFY(pulled);
        break;
    }
    case Busy::DeleteQuestion:
    case Busy::Deleting: {
        checkRows({1, 3});
        for (const int row : {1, 3})
            confirmed << QDir(root).relativeFilePath(
                dlg->FileList()->GetItemText(row, CConfigListCtrl::kColumnPath));
        script->QueueMessageBoxAnswer(DialogResult::Ok);
        script->onMessageBox = [&] {
            pull();
            if (busy == Busy::DeleteQuestion)
                QVERIFY(
                    QTest::qWaitFor([&] { return dlg->GetLibraryRoot().isEmpty(); }, kDeadlineMs));
        };
        dlg->OnCommand(IDC_DELETE);
        while_ = busy == Busy::DeleteQuestion ? "while the delete question was up (then OK)"
                                              : "as the delete was confirmed";
        break;
    }
    }
    QVERIFY(QTest::qWaitFor([&] { return dlg->GetLibraryRoot().isEmpty(); }, kDeadlineMs));
    QVERIFY(QTest::qWaitFor([&] { return !dlg->SensorLoader().IsLoading(); }, kDeadlineMs));
    QTest::qWait(100); // anything still queued by the pull
    meter.Stop();
    VerifyEmptyWindow(*dlg);

    // Nothing half-copied at the target (not even under a temporary name); on the card every
    // file as it was, but for confirmed deletes that went through.
    const QStringList leftAtTarget = Entries(target.path());
    QVERIFY2(leftAtTarget.isEmpty(), qPrintable(leftAtTarget.join(' ')));
    const auto cardAfter = Fingerprint(root);
    for (const auto &[file, print] : cardAfter)
        QVERIFY2(cardBefore.count(file) && cardBefore.at(file) == print, qPrintable(file));
    QStringList deleted;
    for (const auto &[file, print] : cardBefore)
        if (!cardAfter.count(file))
            deleted << file;
    for (const QString &file : deleted)
        QVERIFY2(confirmed.contains(file), qPrintable(file + " vanished from the card"));
    std::printf("REMOVAL %-22s | pulled %s: window reset, target empty, card files unchanged, "
                "%lld deleted, %zu copy failure message(s), %zu message box(es) | longest "
                "stall %lld ms\n",
                QTest::currentDataTag(), qPrintable(while_), static_cast<long long>(deleted.size()),
                copyPrompts->Failures().size(), script->MessageBoxCalls().size(),
                static_cast<long long>(meter.Longest().count()));
    std::fflush(stdout);
}

int main(int argc, char **argv)
{
    const auto sandbox = IsolateEnvironment();
    QApplication app(argc, argv);
    TestCardRemoval test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_cardremoval.moc"
