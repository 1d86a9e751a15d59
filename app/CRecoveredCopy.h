#pragma once

// What the player opens for a recording: the file itself, or, for a recording a power loss cut
// short (it lost its index), a playable copy recovered into the user's cache folder. The copy
// is made once and reused while the recording is unchanged; the recording is only read.

#include "playback/CBlockingCalls.h"
#include "playback/CResponsiveWait.h"

#include <QString>

#include <optional>

class QWidget;

class CRecoveredCopy
{
public:
    // `cacheFolder`: where copies go; empty for the user's cache folder ("recovered" in it).
    explicit CRecoveredCopy(QWidget *window, QString cacheFolder = {});

    // Whether `path` is an AVI or MP4 recording that lost its index. Other files (sound files
    // among them) are not even opened.
    static bool IsCut(const QString &path);

    // The file to play for `recording`: itself unless it is cut, else its recovered copy. While
    // recovering, the window keeps painting and a progress window appears when it takes longer
    // than a moment (with Cancel). None when the recording cannot be recovered (*error says
    // why), the user cancelled, `openCancel` was set, or the file did not answer (*error
    // empty).
    // Looking at the file runs on a worker while the window stays alive: a dying card or a
    // file that never delivers cannot hang the window.
    std::optional<QString> PathToPlay(const QString &recording, QString *error,
                                      const CWaitCancel *openCancel = nullptr);

    // Where the copy of `recording` goes: a folder per recording, size and modification time,
    // holding a file of the recording's own name.
    QString CopyPath(const QString &recording) const;

    // Whether `path` is cut, looked at on a worker while the window stays alive; none when
    // cancelled or not answered in time.
    std::optional<bool> IsCutOffUiThread(const QString &path, const CWaitCancel *cancel);

private:
    QWidget *m_window;
    QString m_cacheFolder;
    CBlockingCalls m_calls;
};
