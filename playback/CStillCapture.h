#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

#include <optional>

class CDShowPlayer;
class IDialogs;
class QWidget;

// Still capture: the picture shown now, saved as a JPEG file per video stream (front, rear)
// under a name the user chooses. It keeps the folder of the last save for the run.
class CStillCapture
{
public:
    static constexpr char kFilter[] = "jpeg file (*.jpg)|*.jpg||";

    // The name offered for recording file name `recordingName`: its date and time stem, then
    // "_IMG_C" and the name's character at index 21 (the camera's channel digit), if any.
    static QString DefaultFileName(const QString &recordingName);
    // The folder part of a path: the text before the last '/' ("/" for a file in the root);
    // empty for a bare name, which leaves the dialog in its own default folder.
    static QString FolderOf(const QString &path);
    // The chosen path without a ".jpg" extension in any letter case; any other extension is
    // kept as part of the name.
    static QString BaseName(const QString &chosenPath);
    // The files written for `videoStreams` streams: base.jpg, or base_front.jpg and
    // base_rear.jpg.
    static QStringList TargetFiles(const QString &base, int videoStreams);

    // The Capture command on the open recording (`recordingName` is its file name): grabs the
    // front picture, pauses, asks for the name, writes the files (the rear picture grabbed
    // after the dialog, from the paused graph) and plays again if it was playing. A file that
    // cannot be written gets a message naming it. Nothing happens without a running or paused
    // graph, or when the front picture cannot be had.
    void Capture(CDShowPlayer &player, IDialogs &dialogs, QWidget *owner,
                 const QString &recordingName);

    // m_strCaptureFolder: offered by the next dialog; empty until the first save.
    const QString &CaptureFolder() const { return m_strCaptureFolder; }

private:
    void SaveOrTell(const QImage &picture, const QString &path, IDialogs &dialogs,
                    QWidget *owner) const;

    QString m_strCaptureFolder;
};

// Writes `bitmap` as a JPEG file at `path`, whole or not at all (a temporary file beside it,
// flushed, then renamed). Returns the failure message naming the file, nullopt when written.
std::optional<QString> SaveJpeg(const QImage &bitmap, const QString &path);
