#include "recovery/RecordingRecovery.h"

#include "recovery/ContainerRecovery.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>

namespace recovery
{
namespace
{

// The whole input, mapped read-only: samples are handed to the writer without copying.
class MappedFile
{
public:
    bool Open(const QString &path, QString *error)
    {
        const QFileInfo info(path);
        if (!info.isFile()) {
            *error = QStringLiteral("%1 is not a file").arg(path);
            return false;
        }
        m_file.setFileName(path);
        if (!m_file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("cannot read %1: %2").arg(path, m_file.errorString());
            return false;
        }
        if (m_file.size() == 0)
            return true;
        m_data = m_file.map(0, m_file.size());
        if (!m_data) {
            *error = QStringLiteral("cannot read %1: %2").arg(path, m_file.errorString());
            return false;
        }
        return true;
    }
    Bytes bytes() const
    {
        return m_data ? Bytes(m_data, static_cast<std::size_t>(m_file.size())) : Bytes();
    }

private:
    QFile m_file; // unmaps on destruction
    uchar *m_data = nullptr;
};

enum class Container { Mp4, Avi, Other };

Container ContainerOf(Bytes head)
{
    if (head.size() >= 12 && FourCc(&head[4], "ftyp"))
        return Container::Mp4;
    if (head.size() >= 12 && FourCc(&head[0], "RIFF") && FourCc(&head[8], "AVI "))
        return Container::Avi;
    return Container::Other;
}

RecoveryReport Failure(const QString &why)
{
    RecoveryReport r;
    r.error = why;
    return r;
}

} // namespace

FileState ProbeFile(const QString &path)
{
    MappedFile file;
    QString error;
    if (!file.Open(path, &error))
        return FileState::NotRecording;
    switch (ContainerOf(file.bytes())) {
    case Container::Mp4:
        return Mp4State(file.bytes());
    case Container::Avi:
        return AviState(file.bytes());
    case Container::Other:
        break;
    }
    return FileState::NotRecording;
}

RecoveryReport Recover(const RecoveryOptions &options)
{
    MappedFile input;
    QString error;
    if (!input.Open(options.input, &error))
        return Failure(error);
    const Bytes bytes = input.bytes();
    const Container container = ContainerOf(bytes);
    if (container == Container::Other)
        return Failure(
            QStringLiteral("%1 is not a recording (neither MP4 nor AVI)").arg(options.input));
    const FileState state = container == Container::Mp4 ? Mp4State(bytes) : AviState(bytes);
    if (state == FileState::Complete)
        return Failure(QStringLiteral("%1 is complete: it plays as it is").arg(options.input));
    if (state == FileState::NotRecording)
        return Failure(QStringLiteral("%1 is not a recording").arg(options.input));

    const QFileInfo out(options.output);
    if (out.exists() && !options.overwrite)
        return Failure(QStringLiteral("%1 exists already").arg(options.output));
    if (out.absoluteFilePath() == QFileInfo(options.input).absoluteFilePath())
        return Failure(QStringLiteral("the copy cannot replace the recording itself"));
    if (!QDir().mkpath(out.absolutePath()))
        return Failure(QStringLiteral("cannot create the folder %1").arg(out.absolutePath()));

    // Under a hidden name that no catalogue lists, until complete.
    QTemporaryFile temporary(
        out.absoluteDir().filePath(QStringLiteral(".%1.XXXXXX.part").arg(out.fileName())));
    if (!temporary.open())
        return Failure(QStringLiteral("cannot write in %1: %2")
                           .arg(out.absolutePath(), temporary.errorString()));
    temporary.close();
    RecoveryReport report = container == Container::Mp4
                                ? RecoverMp4(bytes, options, temporary.fileName())
                                : RecoverAvi(bytes, options, temporary.fileName());
    report.bytesTotal = static_cast<std::int64_t>(bytes.size());
    if (!report.ok)
        return report; // the temporary file goes with `temporary`
    const QByteArray from = QFile::encodeName(temporary.fileName());
    const QByteArray to = QFile::encodeName(out.absoluteFilePath());
    // rename() replaces atomically; without leave to overwrite, QFile refuses an existing name.
    const bool moved = options.overwrite
                           ? std::rename(from.constData(), to.constData()) == 0
                           : QFile::rename(temporary.fileName(), out.absoluteFilePath());
    if (!moved)
        return Failure(QStringLiteral("cannot write %1").arg(options.output));
    temporary.setAutoRemove(false);
    QFile::setPermissions(out.absoluteFilePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ReadGroup |
                                                      QFileDevice::ReadOther);
    return report;
}

} // namespace recovery
