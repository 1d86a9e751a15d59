// Still capture on generated recordings in a real player: the names, one or two JPEG files
// holding the right channel's picture, the play state afterwards, the folder kept for the run
// and a target that cannot be written.
#include "playback/CStillCapture.h"

#include "tests/platform-common/ScratchMount.h"
#include "tests/platform-common/TestFiles.h"
#include "tests/playback-graph/PlaybackFixtures.h"
#include "platform/DialogsScripted.h"
#include "playback/CDShowPlayer.h"
#include "playback/CStaticView.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace playback_test;
using cardgen::Container;

using namespace test_files;

class TestCapture : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void defaultName_data();
    void defaultName();
    void baseNameAndFiles_data();
    void baseNameAndFiles();
    void folderOf_data();
    void folderOf();

    void savesEachChannel_data();
    void savesEachChannel();
    void nextDialogOpensInTheLastFolder();
    void cancelWritesNothing();
    void unwritableTargetSaysSoAndLeavesNothing();
    void nothingOpenDoesNothing();

private:
    void Open(const QString &file, PlayState state);

    QTemporaryDir m_dir{ScratchRoot() + QStringLiteral("/capture-XXXXXX")};
    CStaticView m_front;
    CStaticView m_rear;
    CDShowPlayer m_player;
    DialogsScripted m_dialogs;
    std::unique_ptr<CStillCapture> m_capture;
    QString m_out;
};

void TestCapture::initTestCase()
{
    QVERIFY(m_dir.isValid());
    UseSoundOutput(false);
    ShowVideoWindows(m_front, m_rear);
    for (auto [name, container, rear] :
         {std::tuple{"dual.avi", Container::Avi, true}, {"single.mp4", Container::Mp4, false}})
        QVERIFY(!MakeRecording(m_dir, name, SmallRecording(container, rear)).isEmpty());
    m_player.AttachWindows(&m_front, &m_rear);
}

void TestCapture::init()
{
    m_capture = std::make_unique<CStillCapture>();
    m_dialogs = DialogsScripted();
    m_out = m_dir.filePath(QStringLiteral("stills-%1-%2")
                               .arg(QString::fromLatin1(QTest::currentTestFunction()),
                                    QString::fromLatin1(QTest::currentDataTag()))
                               .replace(u' ', u'-'));
    QDir(m_out).removeRecursively();
    QVERIFY(QDir().mkpath(m_out));
}

void TestCapture::cleanup()
{
    m_player.Close();
    QCOMPARE(m_dialogs.UnscriptedCalls(), 0);
    QVERIFY(m_dialogs.ScriptConsumed());
}

void TestCapture::Open(const QString &file, PlayState state)
{
    QVERIFY(m_player.OpenFile(m_dir.filePath(file)));
    if (state == PlayState::Running) {
        QVERIFY(m_player.Play() >= 0);
        QTRY_COMPARE(m_player.GetState(), PlayState::Running);
    } else {
        QVERIFY(m_player.Pause() >= 0);
        QVERIFY(WaitSettled(*m_player.Graph()));
    }
    QTRY_VERIFY(m_front.HasFrame());
}

// ---------------------------------------------------------------------------------- names

void TestCapture::defaultName_data()
{
    QTest::addColumn<QString>("recording");
    QTest::addColumn<QString>("expected");
    QTest::newRow("two streams") << "20140721_093000_EVT_F2.AVI"
                                 << "20140721_093000_IMG_C2.jpg";
    QTest::newRow("one stream, MP4") << "20140722_080000_NOR_R1.MP4"
                                     << "20140722_080000_IMG_C1.jpg";
    QTest::newRow("22 characters") << "20140721_093000_MOT_F2"
                                   << "20140721_093000_IMG_C2.jpg";
    QTest::newRow("21 characters: nothing after C") << "20140721_093000_NOR_F"
                                                    << "20140721_093000_IMG_C.jpg";
    QTest::newRow("short") << "clip.avi"
                           << "clip.avi_IMG_C.jpg";
}

void TestCapture::defaultName()
{
    QFETCH(QString, recording);
    QTEST(CStillCapture::DefaultFileName(recording), "expected");
}

void TestCapture::baseNameAndFiles_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("one");     // files for one stream
    QTest::addColumn<QStringList>("two"); // for two streams
    QTest::newRow("no extension") << "/x/shot"
                                  << "/x/shot.jpg"
                                  << QStringList{"/x/shot_front.jpg", "/x/shot_rear.jpg"};
    QTest::newRow(".jpg") << "/x/shot.jpg"
                          << "/x/shot.jpg" << QStringList{"/x/shot_front.jpg", "/x/shot_rear.jpg"};
    QTest::newRow(".JPG") << "/x/shot.JPG"
                          << "/x/shot.jpg" << QStringList{"/x/shot_front.jpg", "/x/shot_rear.jpg"};
    QTest::newRow(".jPg") << "/x/shot.jPg"
                          << "/x/shot.jpg" << QStringList{"/x/shot_front.jpg", "/x/shot_rear.jpg"};
    QTest::newRow("other extension kept")
        << "/x/shot.png"
        << "/x/shot.png.jpg" << QStringList{"/x/shot.png_front.jpg", "/x/shot.png_rear.jpg"};
    QTest::newRow(".jpeg is another extension")
        << "/x/shot.jpeg"
        << "/x/shot.jpeg.jpg" << QStringList{"/x/shot.jpeg_front.jpg", "/x/shot.jpeg_rear.jpg"};
    QTest::newRow("dot in a folder only")
        << "/x/my.jpg/shot"
        << "/x/my.jpg/shot.jpg"
        << QStringList{"/x/my.jpg/shot_front.jpg", "/x/my.jpg/shot_rear.jpg"};
}

void TestCapture::baseNameAndFiles()
{
    QFETCH(QString, chosen);
    const QString base = CStillCapture::BaseName(chosen);
    QTEST(CStillCapture::TargetFiles(base, 1).value(0), "one");
    QTEST(CStillCapture::TargetFiles(base, 2), "two");
}

void TestCapture::folderOf_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("folder");
    QTest::newRow("bare default name") << "20140721_093000_IMG_C2.jpg"
                                       << "";
    QTest::newRow("in a folder") << "/home/anna/Pictures/shot.jpg"
                                 << "/home/anna/Pictures";
    QTest::newRow("in the root") << "/shot.jpg"
                                 << "/";
}

void TestCapture::folderOf()
{
    QFETCH(QString, path);
    QTEST(CStillCapture::FolderOf(path), "folder");
}

// ------------------------------------------------------------------------------ capturing

void TestCapture::savesEachChannel_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<PlayState>("state");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QStringList>("written");
    QTest::newRow("two streams, paused") << "dual.avi" << PlayState::Paused << "still.JPG"
                                         << QStringList{"still_front.jpg", "still_rear.jpg"};
    QTest::newRow("two streams, playing") << "dual.avi" << PlayState::Running << "still"
                                          << QStringList{"still_front.jpg", "still_rear.jpg"};
    QTest::newRow("one stream, playing")
        << "single.mp4" << PlayState::Running << "shot.png" << QStringList{"shot.png.jpg"};
}

void TestCapture::savesEachChannel()
{
    QFETCH(QString, file);
    QFETCH(PlayState, state);
    QFETCH(QString, chosen);
    QFETCH(QStringList, written);
    Open(file, state);
    m_dialogs.QueueSaveFile(m_out + u'/' + chosen);
    const QString recordingName = QStringLiteral("20140721_093000_EVT_F2.AVI");

    m_capture->Capture(m_player, m_dialogs, nullptr, recordingName);

    // The dialog as asked for.
    QCOMPARE(m_dialogs.SaveFileCalls().size(), std::size_t{1});
    const SaveFileRequest &request = m_dialogs.SaveFileCalls()[0].request;
    QCOMPARE(request.defaultName, QStringLiteral("20140721_093000_IMG_C2.jpg"));
    QCOMPARE(request.filter, QStringLiteral("jpeg file (*.jpg)|*.jpg||"));
    QVERIFY(request.overwritePrompt);
    QVERIFY(request.defaultExtension.isEmpty());
    QVERIFY(request.initialFolder.isEmpty()); // the dialog's own folder before the first save

    // The files: decodable JPEGs of the recording's size, each with its channel's picture
    // (red in the front's corner, yellow in the rear's).
    QCOMPARE(Entries(m_out), written);
    for (const QString &name : written) {
        QImage still;
        QVERIFY2(still.load(m_out + u'/' + name, "JPG"), qPrintable(name));
        QCOMPARE(still.size(), QSize(320, 180));
        if (name.contains(QStringLiteral("_rear")))
            QVERIFY2(IsYellow(ColourAt(still, 0.10, 0.10)), "rear picture in the rear file");
        else
            QVERIFY2(IsRedDominant(ColourAt(still, 0.75, 0.15)), "front picture in the front file");
    }
    QCOMPARE(m_capture->CaptureFolder(), m_out);
    QTRY_COMPARE(m_player.GetState(), state); // paused stays paused, playing plays again
}

void TestCapture::nextDialogOpensInTheLastFolder()
{
    Open(QStringLiteral("single.mp4"), PlayState::Paused);
    const QString other = m_out + QStringLiteral("/other");
    QVERIFY(QDir().mkpath(other));
    m_dialogs.QueueSaveFile(other + QStringLiteral("/one.jpg"));
    m_dialogs.QueueSaveFile(std::nullopt);

    m_capture->Capture(m_player, m_dialogs, nullptr, QStringLiteral("20140721_093000_NOR_F1.MP4"));
    m_capture->Capture(m_player, m_dialogs, nullptr, QStringLiteral("20140721_093000_NOR_F1.MP4"));

    QCOMPARE(m_dialogs.SaveFileCalls().size(), std::size_t{2});
    QCOMPARE(m_dialogs.SaveFileCalls()[1].request.initialFolder, other);
    QCOMPARE(Entries(other), QStringList{QStringLiteral("one.jpg")});
}

void TestCapture::cancelWritesNothing()
{
    Open(QStringLiteral("dual.avi"), PlayState::Running);
    m_dialogs.QueueSaveFile(std::nullopt);
    m_capture->Capture(m_player, m_dialogs, nullptr, QStringLiteral("20140721_093000_NOR_F2.AVI"));
    QVERIFY(m_capture->CaptureFolder().isEmpty());
    QCOMPARE(Entries(m_out), QStringList{});
    QTRY_COMPARE(m_player.GetState(), PlayState::Running);
}

// A full disk, a read-only or a vanished folder: the user is told which file was not saved,
// and nothing half-written is left.
void TestCapture::unwritableTargetSaysSoAndLeavesNothing()
{
    ReadOnlyFolder readOnly;
    if (!readOnly.IsReady())
        QSKIP(qPrintable(readOnly.Why()));
    Open(QStringLiteral("dual.avi"), PlayState::Paused);
    m_dialogs.QueueSaveFile(readOnly.Path() + QStringLiteral("/still.jpg"));
    m_dialogs.QueueMessageBoxAnswer(DialogResult::Ok);
    m_dialogs.QueueMessageBoxAnswer(DialogResult::Ok);

    m_capture->Capture(m_player, m_dialogs, nullptr, QStringLiteral("20140721_093000_NOR_F2.AVI"));

    const auto &calls = m_dialogs.MessageBoxCalls();
    QCOMPARE(calls.size(), std::size_t{2});
    QVERIFY2(calls[0].text.contains(readOnly.Path() + QStringLiteral("/still_front.jpg")),
             qPrintable(calls[0].text));
    QVERIFY2(calls[1].text.contains(readOnly.Path() + QStringLiteral("/still_rear.jpg")),
             qPrintable(calls[1].text));
    QCOMPARE(calls[0].buttons, MessageBoxButtons::Ok);
    QCOMPARE(Entries(readOnly.Path()), QStringList{});
    QCOMPARE(m_player.GetState(), PlayState::Paused);

    // A full disk: the picture does not fit a 16 KiB tmpfs.
    ScratchMount tiny(ScratchMount::Kind::SizeLimited, QStringLiteral("16k"));
    if (!tiny.IsMounted())
        QSKIP(qPrintable(tiny.Why()));
    QImage big(2000, 2000, QImage::Format_RGB32);
    big.fill(Qt::red);
    for (int y = 0; y < big.height(); y += 3) // noise, so it does not compress to nothing
        for (int x = 0; x < big.width(); x += 7)
            big.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    const std::optional<QString> failure = SaveJpeg(big, tiny.Path() + QStringLiteral("/big.jpg"));
    QVERIFY(failure.has_value());
    QVERIFY2(failure->contains(tiny.Path() + QStringLiteral("/big.jpg")), qPrintable(*failure));
    QCOMPARE(Entries(tiny.Path()), QStringList{});
}

void TestCapture::nothingOpenDoesNothing()
{
    m_capture->Capture(m_player, m_dialogs, nullptr, QStringLiteral("20140721_093000_NOR_F2.AVI"));
    QVERIFY(m_dialogs.SaveFileCalls().empty());
    // Opened but stopped: no picture is being shown.
    QVERIFY(m_player.OpenFile(m_dir.filePath(QStringLiteral("dual.avi"))));
    QCOMPARE(m_player.GetState(), PlayState::Stopped);
    m_capture->Capture(m_player, m_dialogs, nullptr, QStringLiteral("20140721_093000_NOR_F2.AVI"));
    QVERIFY(m_dialogs.SaveFileCalls().empty());
}

QUORVIL_PLAYBACK_TEST_MAIN(TestCapture)
#include "test_capture.moc"
