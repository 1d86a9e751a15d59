#include "playback/CStillCapture.h"

#include "platform/Dialogs.h"
#include "playback/CDShowPlayer.h"
#include "playback/PlaybackLogging.h"

#include <QImageWriter>
#include <QSaveFile>

QString CStillCapture::DefaultFileName(const QString &recordingName)
{
    const QString channel = recordingName.size() > 21 ? recordingName.mid(21, 1) : QString();
    return QStringLiteral("%1_IMG_C%2.jpg").arg(recordingName.left(15), channel);
}

QString CStillCapture::FolderOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0)
        return {};
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

QString CStillCapture::BaseName(const QString &chosenPath)
{
    // The extension is looked for in the file name only: "/a.b/shot" has none.
    const qsizetype slash = chosenPath.lastIndexOf(u'/');
    const qsizetype dot = chosenPath.lastIndexOf(u'.');
    if (dot <= slash)
        return chosenPath;
    if (chosenPath.mid(dot + 1).compare(QStringLiteral("jpg"), Qt::CaseInsensitive) == 0)
        return chosenPath.left(dot);
    return chosenPath;
}

QStringList CStillCapture::TargetFiles(const QString &base, int videoStreams)
{
    if (videoStreams == 2)
        return {base + QStringLiteral("_front.jpg"), base + QStringLiteral("_rear.jpg")};
    return {base + QStringLiteral(".jpg")};
}

void CStillCapture::Capture(CDShowPlayer &player, IDialogs &dialogs, QWidget *owner,
                            const QString &recordingName)
{
    // 1. A picture is only shown by a running or paused graph.
    const PlayState state = player.GetState();
    if (state != PlayState::Running && state != PlayState::Paused)
        return;
    const bool wasRunning = state == PlayState::Running;

    // 2. The front picture as it is shown now, before the pause.
    QImage front;
    if (!player.GrabFrame(0, front))
        return;

    // 3. to 6.
    player.Pause();
    const QString defaultName = DefaultFileName(recordingName);
    if (m_strCaptureFolder.isEmpty())
        m_strCaptureFolder = FolderOf(defaultName);
    SaveFileRequest request;
    request.initialFolder = m_strCaptureFolder;
    request.defaultName = defaultName;
    request.filter = QString::fromLatin1(kFilter);
    request.overwritePrompt = true;
    const std::optional<QString> chosen = dialogs.GetSaveFileName(owner, request);

    // 7.
    if (chosen && !chosen->isEmpty()) {
        const QString base = BaseName(*chosen);
        if (const QString folder = FolderOf(*chosen); !folder.isEmpty())
            m_strCaptureFolder = folder;
        const int streams = player.VideoStreams() == 2 ? 2 : 1;
        const QStringList files = TargetFiles(base, streams);
        SaveOrTell(front, files[0], dialogs, owner);
        if (streams == 2) {
            QImage rear;
            if (player.GrabFrame(1, rear))
                SaveOrTell(rear, files[1], dialogs, owner);
        }
    }

    // 8. Back to the state it was in, whatever the answer.
    if (wasRunning)
        player.Play();
}

void CStillCapture::SaveOrTell(const QImage &picture, const QString &path, IDialogs &dialogs,
                               QWidget *owner) const
{
    if (const std::optional<QString> failure = SaveJpeg(picture, path))
        dialogs.MessageBox(owner, *failure, MessageBoxButtons::Ok);
}

std::optional<QString> SaveJpeg(const QImage &bitmap, const QString &path)
{
    auto failure = [&path](const QString &reason) {
        const QString message =
            QStringLiteral("The picture could not be saved as \"%1\": %2.").arg(path, reason);
        qCWarning(lcPlayback) << message;
        return std::optional<QString>(message);
    };
    if (bitmap.isNull())
        return failure(QStringLiteral("there is no picture"));
    if (!QImageWriter::supportedImageFormats().contains("jpg"))
        return failure(QStringLiteral("no JPEG encoder is installed"));

    // QSaveFile writes beside the target and renames on commit; a failed write removes it.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failure(file.errorString());
    QImageWriter writer(&file, "jpg");
    if (!writer.write(bitmap)) {
        const QString reason =
            file.error() != QFileDevice::NoError ? file.errorString() : writer.errorString();
        file.cancelWriting();
        return failure(reason);
    }
    if (!file.commit())
        return failure(file.errorString());
    qCDebug(lcPlayback) << "saved" << path << bitmap.size();
    return std::nullopt;
}
