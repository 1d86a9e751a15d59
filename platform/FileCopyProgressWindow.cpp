#include "platform/FileCopyProgressWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
// The bar counts in thousandths, so byte counts beyond int never overflow it.
constexpr int kBarSteps = 1000;
// Before this much time and work, a rate says nothing.
constexpr std::chrono::milliseconds kEstimateAfter{1000};
} // namespace

FileCopyProgressWindow::FileCopyProgressWindow(const FileCopyProgress &progress,
                                               const QString &title, QWidget *owner)
    : QDialog(owner), m_progress(progress)
{
    setWindowTitle(title);
    setWindowModality(Qt::WindowModal);
    setMinimumWidth(420);

    m_labelFile = new QLabel(this);
    m_labelFile->setTextFormat(Qt::PlainText);
    m_labelFile->setWordWrap(true);
    m_progressBar = new QProgressBar(this);
    m_progressBar->setRange(0, kBarSteps);
    m_progressBar->setTextVisible(false);
    m_labelBytes = new QLabel(this);
    m_labelTimeLeft = new QLabel(this);
    m_buttonCancel = new QPushButton(QStringLiteral("Cancel"), this);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_buttonCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_labelFile);
    layout->addWidget(m_progressBar);
    layout->addWidget(m_labelBytes);
    layout->addWidget(m_labelTimeLeft);
    layout->addLayout(buttons);

    connect(m_buttonCancel, &QPushButton::clicked, this, &FileCopyProgressWindow::RequestCancel);
    connect(&m_timer, &QTimer::timeout, this, &FileCopyProgressWindow::UpdateFromProgress);
    m_elapsed.start();
    m_timer.start(kUpdateInterval);
    UpdateFromProgress();
}

void FileCopyProgressWindow::UpdateFromProgress()
{
    const FileCopyStatus status = m_progress.Snapshot();
    m_labelFile->setText(FileText(status));
    m_labelBytes->setText(BytesText(status.bytesDone, status.bytesTotal));
    m_labelTimeLeft->setText(
        m_bCancelRequested
            ? QStringLiteral("Cancelling…")
            : TimeLeftText(TimeLeft(status, std::chrono::milliseconds(m_elapsed.elapsed()))));
    const double fraction = status.workTotal == 0 ? 0.0
                                                  : static_cast<double>(status.workDone) /
                                                        static_cast<double>(status.workTotal);
    m_progressBar->setValue(static_cast<int>(fraction * kBarSteps));
}

QString FileCopyProgressWindow::FileText(const FileCopyStatus &status)
{
    if (status.fileIndex < 0)
        return QStringLiteral("Preparing to copy…");
    const QString verb = status.verifying ? QStringLiteral("Checking") : QStringLiteral("Copying");
    return QStringLiteral("%1 \"%2\" (%3 of %4)")
        .arg(verb, status.fileName)
        .arg(status.fileIndex + 1)
        .arg(status.fileCount);
}

QString FileCopyProgressWindow::BytesText(std::uint64_t done, std::uint64_t total)
{
    const QLocale locale = QLocale::system();
    return QStringLiteral("%1 of %2")
        .arg(locale.formattedDataSize(static_cast<qint64>(done), 1,
                                      QLocale::DataSizeTraditionalFormat),
             locale.formattedDataSize(static_cast<qint64>(total), 1,
                                      QLocale::DataSizeTraditionalFormat));
}

std::optional<std::chrono::seconds>
FileCopyProgressWindow::TimeLeft(const FileCopyStatus &status, std::chrono::milliseconds elapsed)
{
    if (elapsed < kEstimateAfter || status.workDone == 0)
        return std::nullopt;
    const double perMs =
        static_cast<double>(status.workDone) / static_cast<double>(elapsed.count());
    const double leftMs = static_cast<double>(status.workTotal - status.workDone) / perMs;
    return std::chrono::seconds(static_cast<std::int64_t>(leftMs / 1000.0 + 0.999));
}

QString FileCopyProgressWindow::TimeLeftText(std::optional<std::chrono::seconds> left)
{
    if (!left)
        return QStringLiteral("Estimating the time left…");
    const std::int64_t seconds = left->count();
    if (seconds < 60)
        return seconds == 1 ? QStringLiteral("About 1 second left")
                            : QStringLiteral("About %1 seconds left").arg(seconds);
    const std::int64_t minutes = (seconds + 30) / 60;
    return minutes == 1 ? QStringLiteral("About 1 minute left")
                        : QStringLiteral("About %1 minutes left").arg(minutes);
}

void FileCopyProgressWindow::reject()
{
    RequestCancel(); // the window stays until the copying thread has stopped
}

void FileCopyProgressWindow::RequestCancel()
{
    if (m_bCancelRequested)
        return;
    m_bCancelRequested = true;
    m_buttonCancel->setEnabled(false);
    UpdateFromProgress();
    emit cancelRequested();
}
