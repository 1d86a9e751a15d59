#pragma once

// The shared fixture of the main window's tests: the environment kept away from the machine,
// a fixed answer for the sound output, and short recordings written once per test program.

#include "tests/app-common/TestEnvironment.h"

#include "app/COrvelPlayerDlg.h"
#include "platform/DialogsScripted.h"
#include "platform/SoundOutput.h"
#include "tools/make-card/CardGenerator.h"

#include <QFileInfo>
#include <QObject>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

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

// Every control id of the main window.
inline constexpr int kAllControls[] = {1000, 1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009,
                                       1010, 1011, 1012, 1013, 1014, 1015, 1016, 1017, 1018, 1019,
                                       1020, 1021, 1022, 1023, 1024, 1025, 1026, 1027, 1028, 1029,
                                       1030, 1031, 1032, 1033, 1069, 1092, 1093};

// Not a test object itself: each test program derives its test class from it.
class MainWindowFixture : public QObject
{
protected:
    // Writes the recordings: a one-stream and a two-stream one with fixes, one without.
    void WriteRecordings()
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
};
