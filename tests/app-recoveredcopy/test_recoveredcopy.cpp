// A cut recording is played from a copy recovered once into the cache folder; every other file
// (an intact recording, a sound file) is played as it is without being opened here.

#include "app/CRecoveredCopy.h"
#include "recovery/RecordingRecovery.h"
#include "tools/make-card/CardGenerator.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

namespace
{

QByteArray Checksum(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(&f);
    return hash.result();
}

} // namespace

class TestRecoveredCopy : public QObject
{
    Q_OBJECT

private:
    QString Write(const QString &name, std::optional<double> cutAt)
    {
        cardgen::RecordingOptions o;
        o.container = name.endsWith("AVI") ? cardgen::Container::Avi : cardgen::Container::Mp4;
        o.width = 160;
        o.height = 96;
        o.durationMs = 2000;
        o.path = m_dir.filePath("Recordings/" + name);
        o.cutAtPercent = cutAt;
        QString error;
        if (!cardgen::WriteRecording(o, &error))
            qWarning("%s", qPrintable(error));
        return o.path;
    }
    QString Cache() const { return m_dir.filePath("cache"); }

    QTemporaryDir m_dir{qEnvironmentVariable("QUORVIL_TEST_TMP", QDir::tempPath()) +
                        "/recoveredcopy-XXXXXX"};
    QWidget m_window;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_window.resize(400, 300);
        m_window.show();
    }

    void OtherFilesPlayAsTheyAre()
    {
        const QString intact = Write("20140722_081200_EVT_C2.MP4", std::nullopt);
        const QString sound = m_dir.filePath("Recordings/voice.WAV");
        QFile f(sound);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16) + QByteArray(64, '\0'));
        f.close();
        CRecoveredCopy copies(&m_window, Cache());
        for (const QString &path : {intact, sound}) {
            QVERIFY(!CRecoveredCopy::IsCut(path));
            QString error;
            QCOMPARE(copies.PathToPlay(path, &error), std::optional<QString>(path));
            QVERIFY(error.isEmpty());
        }
        QVERIFY(!QDir(Cache()).exists() || QDir(Cache()).isEmpty());
    }

    void CutRecordingsPlayFromOneRecoveredCopy_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("MP4") << "20140722_081300_EVT_C2.MP4";
        QTest::newRow("AVI") << "20140722_081400_EVT_C2.AVI";
    }
    void CutRecordingsPlayFromOneRecoveredCopy()
    {
        QFETCH(QString, name);
        // The intact recording beside it gives the codec set-up.
        Write(name.endsWith("AVI") ? "20140722_081100_EVT_C2.AVI" : "20140722_081200_EVT_C2.MP4",
              std::nullopt);
        const QString cut = Write(name, 60.0);
        const QByteArray before = Checksum(cut);
        QVERIFY(CRecoveredCopy::IsCut(cut));

        CRecoveredCopy copies(&m_window, Cache());
        QString error;
        const auto play = copies.PathToPlay(cut, &error);
        QVERIFY2(play.has_value(), qPrintable(error));
        QCOMPARE(*play, copies.CopyPath(cut));
        QVERIFY(play->startsWith(Cache()));
        QCOMPARE(QFileInfo(*play).fileName(), name); // the name is read for stills and cameras
        QCOMPARE(recovery::ProbeFile(*play), recovery::FileState::Complete);
        QCOMPARE(Checksum(cut), before);
        QVERIFY(QApplication::topLevelWidgets().count() >= 1);
        for (QWidget *w : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<QProgressDialog *>(w) || !w->isVisible());

        // Opened again: the same copy, not made again.
        const QDateTime made = QFileInfo(*play).lastModified();
        QFile::setPermissions(*play, QFileDevice::ReadOwner); // a rewrite would fail
        QCOMPARE(copies.PathToPlay(cut, &error), play);
        QCOMPARE(QFileInfo(*play).lastModified(), made);
        QFile::setPermissions(*play, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void UnrecoverableRecordingsSayWhy()
    {
        const QString cut = Write("20140722_081500_EVT_C1.MP4", 1.0);
        CRecoveredCopy copies(&m_window, Cache());
        QString error;
        QCOMPARE(copies.PathToPlay(cut, &error), std::nullopt);
        QVERIFY2(error.contains("nothing to recover"), qPrintable(error));
        QVERIFY(!QFile::exists(copies.CopyPath(cut)));
    }
};

QTEST_MAIN(TestRecoveredCopy)
#include "test_recoveredcopy.moc"
