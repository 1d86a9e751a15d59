#pragma once

#include "platform/FileCopier.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <chrono>
#include <optional>

class QLabel;
class QProgressBar;
class QPushButton;

// The progress window of a copy batch: which file, how many bytes of how many, the time left
// and Cancel. It reads the batch's progress on its own timer, so the copying thread never
// waits for the window.
class FileCopyProgressWindow : public QDialog
{
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kUpdateInterval{100};

    FileCopyProgressWindow(const FileCopyProgress &progress, const QString &title,
                           QWidget *owner = nullptr);

    // Reads the progress now (the timer does so every kUpdateInterval).
    void UpdateFromProgress();
    bool CancelRequested() const { return m_bCancelRequested; }

    // The texts, apart from the widgets.
    static QString FileText(const FileCopyStatus &status);
    static QString BytesText(std::uint64_t done, std::uint64_t total);
    // nullopt: too early to tell.
    static std::optional<std::chrono::seconds> TimeLeft(const FileCopyStatus &status,
                                                        std::chrono::milliseconds elapsed);
    static QString TimeLeftText(std::optional<std::chrono::seconds> left);

signals:
    void cancelRequested();

protected:
    void reject() override; // Escape and the window's close button cancel too

private:
    void RequestCancel();

    const FileCopyProgress &m_progress;
    QLabel *m_labelFile = nullptr;
    QLabel *m_labelBytes = nullptr;
    QLabel *m_labelTimeLeft = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QPushButton *m_buttonCancel = nullptr;
    QTimer m_timer;
    QElapsedTimer m_elapsed;
    bool m_bCancelRequested = false;
};
