// The file operations with their window: the progress window follows a copy running on its
// worker, Cancel in the window stops it cleanly, and the questions and failures reach the
// prompts from the UI thread.
#include "platform/FileCopyProgressWindow.h"
#include "platform/FileCopyPromptsScripted.h"
#include "platform/FileOperationsQt.h"

#include "tests/platform-common/TestFiles.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QElapsedTimer>
#include <QTimer>

#include <condition_variable>
#include <mutex>

using namespace test_files;

namespace
{

// Holds the copy still once `threshold` source bytes were read, until Release(): the copy is
// then reliably midway while the test looks at the window.
class GateIo : public FileCopyIo
{
public:
    explicit GateIo(std::int64_t threshold) : m_threshold(threshold) {}

    std::int64_t Read(int fd, void *buffer, std::size_t size) override
    {
        std::unique_lock lock(m_mutex);
        if (m_read >= m_threshold) {
            m_held = true;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return m_released; });
        }
        lock.unlock();
        const std::int64_t got = FileCopyIo::Read(fd, buffer, size);
        lock.lock();
        if (got > 0)
            m_read += got;
        return got;
    }
    bool Held() const
    {
        std::lock_guard lock(m_mutex);
        return m_held;
    }
    void Release()
    {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::int64_t m_threshold;
    std::int64_t m_read = 0;
    bool m_held = false;
    bool m_released = false;
};

QString LabelTexts(const QWidget &window)
{
    QStringList texts;
    for (const QLabel *label : window.findChildren<QLabel *>())
        texts << label->text();
    return texts.join(u'\n');
}

void SaveShot(QWidget &window, const QString &name)
{
    const QString dir = qEnvironmentVariable(
        "QUORVIL_SHOT_DIR", qEnvironmentVariable("QUORVIL_TEST_TMP", QDir::tempPath()));
    QDir().mkpath(dir);
    window.grab().save(dir + u'/' + name);
}
} // namespace

class FileOpsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void copiesWithTheProgressWindow();
    void windowFollowsAndCancelStopsCleanly();
    void questionsAndFailuresReachThePrompts();
    void texts_data();
    void texts();
    void overwriteQuestionButtons_data();
    void overwriteQuestionButtons();
    void failureMessage();

private:
    QString Source(const QString &name, qint64 size, quint32 seed = 1)
    {
        const QString path = m_dir->filePath(QStringLiteral("card/") + name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(RandomBytes(size, seed)) != size)
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
    QString Target(const QString &name) const
    {
        return m_dir->filePath(QStringLiteral("pc/") + name);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void FileOpsTest::init()
{
    m_dir =
        std::make_unique<QTemporaryDir>(qEnvironmentVariable("QUORVIL_TEST_TMP", QDir::tempPath()) +
                                        QStringLiteral("/fileops-XXXXXX"));
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("card"))));
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("pc"))));
}

void FileOpsTest::copiesWithTheProgressWindow()
{
    QWidget owner;
    owner.show();
    std::vector<FileCopyJob> jobs;
    for (const QString &name : {QStringLiteral("a.AVI"), QStringLiteral("b.MP4")})
        jobs.push_back({Source(name, 3 << 20, name.at(0).unicode()), Target(name)});

    auto prompts = std::make_unique<FileCopyPromptsScripted>();
    const FileCopyPromptsScripted &script = *prompts;
    FileOperationsQt operations(std::move(prompts));
    QString title;
    QWidget *parent = nullptr;
    operations.SetWindowShownHook([&](QWidget &window) {
        title = window.windowTitle();
        parent = window.parentWidget();
    });

    const auto results = operations.CopyFiles(&owner, QStringLiteral("File Copy"), jobs);

    QCOMPARE(title, QStringLiteral("File Copy"));
    QCOMPARE(parent, &owner);
    QCOMPARE(results.size(), std::size_t{2});
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        QCOMPARE(results[i].outcome, FileCopyOutcome::Copied);
        QCOMPARE(ReadFile(jobs[i].target), ReadFile(jobs[i].source));
    }
    QVERIFY(script.Failures().empty());
    QCOMPARE(script.UnscriptedCalls(), 0);
}

void FileOpsTest::windowFollowsAndCancelStopsCleanly()
{
    const std::vector<FileCopyJob> jobs = {
        {Source(QStringLiteral("20140721_101500_NOR_F.AVI"), 2 * FileCopier::kBufferSize, 1),
         Target(QStringLiteral("20140721_101500_NOR_F.AVI"))},
        {Source(QStringLiteral("20140721_101600_EVT_F.AVI"), 3 * FileCopier::kBufferSize, 2),
         Target(QStringLiteral("20140721_101600_EVT_F.AVI"))},
        {Source(QStringLiteral("20140721_101700_NOR_F.AVI"), 1000, 3),
         Target(QStringLiteral("20140721_101700_NOR_F.AVI"))},
    };
    // Held one buffer into the second file.
    auto gate = std::make_shared<GateIo>(3 * FileCopier::kBufferSize);
    FileOperationsQt operations(std::make_unique<FileCopyPromptsScripted>(), gate);
    QString seenWhileHeld;
    operations.SetWindowShownHook([&](QWidget &window) {
        auto *poll = new QTimer(&window);
        auto heldSince = std::make_shared<QElapsedTimer>();
        QObject::connect(poll, &QTimer::timeout, &window, [&, poll, heldSince] {
            // The UI thread keeps running while the copying thread is held: the window must
            // show the second file, part-way. Its texts refresh on their own timer, so wait for
            // the refresh after the hold (or give up after a while and let the checks below say
            // what it showed).
            if (!gate->Held())
                return;
            if (!heldSince->isValid())
                heldSince->start();
            const QString texts = LabelTexts(window);
            const bool shown = texts.contains(QStringLiteral("(2 of 3)")) &&
                               texts.contains(QStringLiteral("12.0 MB of 20.0 MB"));
            if (!shown && heldSince->elapsed() < 10000)
                return;
            poll->stop();
            seenWhileHeld = LabelTexts(window);
            SaveShot(window, QStringLiteral("file-copy-progress.png"));
            auto *cancel = window.findChild<QPushButton *>();
            QVERIFY(cancel);
            QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
            QTest::mouseClick(cancel, Qt::LeftButton);
            gate->Release();
        });
        poll->start(20);
    });

    const auto results = operations.CopyFiles(nullptr, QStringLiteral("File Copy"), jobs);

    QVERIFY2(
        seenWhileHeld.contains(QStringLiteral("Copying \"20140721_101600_EVT_F.AVI\" (2 of 3)")),
        qPrintable(seenWhileHeld));
    QVERIFY2(seenWhileHeld.contains(QStringLiteral("12.0 MB of 20.0 MB")),
             qPrintable(seenWhileHeld));
    QCOMPARE(results.size(), std::size_t{3});
    QCOMPARE(results[0].outcome, FileCopyOutcome::Copied);
    QCOMPARE(results[1].outcome, FileCopyOutcome::Cancelled);
    QCOMPARE(results[2].outcome, FileCopyOutcome::Cancelled);
    QCOMPARE(ReadFile(jobs[0].target), ReadFile(jobs[0].source));
    QCOMPARE(Entries(m_dir->filePath(QStringLiteral("pc"))),
             QStringList{QStringLiteral("20140721_101500_NOR_F.AVI")});
}

void FileOpsTest::questionsAndFailuresReachThePrompts()
{
    const QString existing = Target(QStringLiteral("a.AVI"));
    {
        QFile file(existing);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("old");
    }
    const std::vector<FileCopyJob> jobs = {
        {Source(QStringLiteral("a.AVI"), 5000), existing},
        {Source(QStringLiteral("b.AVI"), 5000), m_dir->filePath(QStringLiteral("gone/b.AVI"))},
    };
    auto prompts = std::make_unique<FileCopyPromptsScripted>();
    prompts->QueueOverwriteAnswer(OverwriteAnswer::Skip);
    const FileCopyPromptsScripted &script = *prompts;
    FileOperationsQt operations(std::move(prompts));

    const auto results = operations.CopyFiles(nullptr, QStringLiteral("File Copy"), jobs);

    QCOMPARE(results[0].outcome, FileCopyOutcome::Skipped);
    QCOMPARE(ReadFile(existing), QByteArray("old"));
    QCOMPARE(script.OverwriteQuestions(), std::vector<QString>{existing});
    QCOMPARE(results[1].outcome, FileCopyOutcome::Failed);
    QCOMPARE(script.Failures().size(), std::size_t{1});
    QVERIFY(script.Failures()[0].contains(QStringLiteral("\"b.AVI\"")));
    QVERIFY(script.Failures()[0].contains(QStringLiteral("the folder no longer exists")));
}

void FileOpsTest::texts_data()
{
    QTest::addColumn<int>("fileIndex");
    QTest::addColumn<bool>("verifying");
    QTest::addColumn<qint64>("leftSeconds"); // -1: no estimate yet
    QTest::addColumn<QString>("fileText");
    QTest::addColumn<QString>("timeText");
    QTest::newRow("before the first file")
        << -1 << false << qint64(-1) << QStringLiteral("Preparing to copy…")
        << QStringLiteral("Estimating the time left…");
    QTest::newRow("copying, seconds")
        << 0 << false << qint64(42) << QStringLiteral("Copying \"x.AVI\" (1 of 3)")
        << QStringLiteral("About 42 seconds left");
    QTest::newRow("checking, one second")
        << 2 << true << qint64(1) << QStringLiteral("Checking \"x.AVI\" (3 of 3)")
        << QStringLiteral("About 1 second left");
    QTest::newRow("minutes rounded")
        << 1 << false << qint64(150) << QStringLiteral("Copying \"x.AVI\" (2 of 3)")
        << QStringLiteral("About 3 minutes left");
}

void FileOpsTest::texts()
{
    QFETCH(int, fileIndex);
    QFETCH(bool, verifying);
    QFETCH(qint64, leftSeconds);
    FileCopyStatus status;
    status.fileIndex = fileIndex;
    status.fileCount = 3;
    status.fileName = QStringLiteral("x.AVI");
    status.verifying = verifying;
    QTEST(FileCopyProgressWindow::FileText(status), "fileText");
    const std::optional<std::chrono::seconds> left =
        leftSeconds < 0 ? std::nullopt : std::optional(std::chrono::seconds(leftSeconds));
    QTEST(FileCopyProgressWindow::TimeLeftText(left), "timeText");

    // The estimate from the rate so far: half the work in 10 s leaves about 10 s.
    FileCopyStatus half;
    half.workDone = 500;
    half.workTotal = 1000;
    QCOMPARE(FileCopyProgressWindow::TimeLeft(half, std::chrono::seconds(10)),
             std::optional(std::chrono::seconds(10)));
    QCOMPARE(FileCopyProgressWindow::TimeLeft(half, std::chrono::milliseconds(200)), std::nullopt);
}

void FileOpsTest::overwriteQuestionButtons_data()
{
    QTest::addColumn<QString>("button"); // empty: Escape
    QTest::addColumn<OverwriteAnswer>("answer");
    QTest::newRow("Overwrite") << "Overwrite" << OverwriteAnswer::Overwrite;
    QTest::newRow("Skip") << "Skip" << OverwriteAnswer::Skip;
    QTest::newRow("Overwrite all") << "Overwrite all" << OverwriteAnswer::OverwriteAll;
    QTest::newRow("Cancel") << "Cancel" << OverwriteAnswer::Cancel;
    QTest::newRow("Escape") << "" << OverwriteAnswer::Cancel;
}

namespace
{
// Plays the user at the next message box: `answer` gets the box once it is up, after the box
// was grabbed to `shot`. The returned timer polls until then.
std::unique_ptr<QTimer> AtNextMessageBox(const QString &shot,
                                         std::function<void(QMessageBox &box)> answer)
{
    auto timer = std::make_unique<QTimer>();
    QTimer *raw = timer.get();
    QObject::connect(raw, &QTimer::timeout, raw, [raw, shot, answer] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        raw->stop();
        SaveShot(*box, shot);
        answer(*box);
    });
    timer->start(10);
    return timer;
}
} // namespace

void FileOpsTest::overwriteQuestionButtons()
{
    QFETCH(QString, button);
    QWidget owner;
    owner.setWindowTitle(QStringLiteral("File Copy"));
    QString shown;
    const auto player =
        AtNextMessageBox(QStringLiteral("file-copy-overwrite.png"), [&](QMessageBox &box) {
            shown = box.text();
            if (button.isEmpty()) {
                QTest::keyClick(&box, Qt::Key_Escape);
                return;
            }
            for (QAbstractButton *candidate : box.buttons())
                if (candidate->text() == button)
                    candidate->click();
        });
    FileCopyPromptsQt prompts;
    QTEST(prompts.AskOverwrite(&owner, QStringLiteral("/media/pc/20140721_101500_EVT_F2.AVI")),
          "answer");
    QCOMPARE(shown, QStringLiteral("\"20140721_101500_EVT_F2.AVI\" already exists in "
                                   "\"/media/pc\".\nDo you want to replace it?"));
}

void FileOpsTest::failureMessage()
{
    QString shown;
    const auto player =
        AtNextMessageBox(QStringLiteral("file-copy-failure.png"), [&](QMessageBox &box) {
            shown = box.text();
            box.accept();
        });
    const QString message = QStringLiteral(
        "\"20140721_101500_EVT_F2.AVI\" could not be copied to \"/media/pc\": there is not "
        "enough free space on the disk.");
    FileCopyPromptsQt().ShowFailure(nullptr, message);
    QCOMPARE(shown, message);
}

QTEST_MAIN(FileOpsTest)
#include "test_fileops.moc"
