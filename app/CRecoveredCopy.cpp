#include "app/CRecoveredCopy.h"

#include "recovery/RecordingRecovery.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QTimer>

#include <atomic>
#include <thread>

namespace
{

// Shorter recoveries finish before anything is shown.
constexpr int kProgressDelayMs = 400;
constexpr int kPollMs = 50;
constexpr int kProgressSteps = 1000;
// As long as the player waits for a file to answer.
constexpr std::chrono::milliseconds kLookTimeout{10000};

} // namespace

CRecoveredCopy::CRecoveredCopy(QWidget *window, QString cacheFolder)
    : m_window(window), m_cacheFolder(std::move(cacheFolder))
{
    if (m_cacheFolder.isEmpty())
        m_cacheFolder = QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation))
                            .filePath(QStringLiteral("recovered"));
}

bool CRecoveredCopy::IsCut(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toUpper();
    if (suffix != QLatin1String("AVI") && suffix != QLatin1String("MP4"))
        return false;
    return recovery::ProbeFile(path) == recovery::FileState::Cut;
}

QString CRecoveredCopy::CopyPath(const QString &recording) const
{
    const QFileInfo info(recording);
    const QByteArray key = info.absoluteFilePath().toUtf8() + '\n' +
                           QByteArray::number(info.size()) + '\n' +
                           QByteArray::number(info.lastModified().toMSecsSinceEpoch());
    const QString hash = QString::fromLatin1(
        QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(12));
    // Under the recording's own name: the viewer reads the date, time and number of cameras
    // from it (still captures, the file name shown).
    return QDir(QDir(m_cacheFolder).filePath(hash)).filePath(info.fileName());
}

std::optional<bool> CRecoveredCopy::IsCutOffUiThread(const QString &path, const CWaitCancel *cancel)
{
    auto cut = std::make_shared<bool>(false);
    const auto call = m_calls.Start([cut, path] { *cut = IsCut(path); });
    const WaitResult result =
        WaitResponsively([&] { return call->IsDone(); }, kLookTimeout, cancel);
    if (result != WaitResult::Done)
        return std::nullopt;
    return *cut;
}

std::optional<QString> CRecoveredCopy::PathToPlay(const QString &recording, QString *error,
                                                  const CWaitCancel *openCancel)
{
    error->clear();
    const std::optional<bool> cut = IsCutOffUiThread(recording, openCancel);
    if (!cut)
        return std::nullopt;
    if (!*cut)
        return recording;
    const QString copy = CopyPath(recording);
    if (QFileInfo(copy).isFile())
        return copy;

    recovery::RecoveryOptions options;
    options.input = recording;
    options.output = copy;
    options.overwrite = true;
    std::atomic<int> progress{0};
    std::atomic<bool> cancel{false};
    std::atomic<bool> finished{false};
    options.progress = [&](double share) {
        progress = static_cast<int>(share * kProgressSteps);
        return !cancel;
    };
    recovery::RecoveryReport report;
    std::jthread worker([&] {
        report = recovery::Recover(options);
        finished = true;
    });

    // The window keeps painting meanwhile. For a moment clicks and keys wait (nothing else may
    // be opened before this is); after that a window-modal progress window with Cancel shows.
    QEventLoop loop;
    QProgressDialog dialog(QObject::tr("Recovering %1").arg(QFileInfo(recording).fileName()),
                           QObject::tr("Cancel"), 0, kProgressSteps, m_window);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.reset(); // the constructor arms a timer that would show it by itself
    QObject::connect(&dialog, &QProgressDialog::canceled, [&] { cancel = true; });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (openCancel && openCancel->IsCancelled())
            cancel = true;
        if (finished)
            loop.quit();
        else if (dialog.isVisible())
            dialog.setValue(progress);
    });
    poll.start(kPollMs);
    QTimer::singleShot(kProgressDelayMs, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!finished) {
        dialog.setValue(progress);
        dialog.show();
        loop.exec();
    }
    worker.join();

    if (report.ok)
        return copy;
    if (!cancel)
        *error = report.error;
    return std::nullopt;
}
