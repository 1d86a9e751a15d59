#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <thread>

// A file that hangs whoever reads it, as a damaged card or a dying card reader does: a named
// pipe put in place of a file (a listed recording, say). Either nobody ever writes it (opening
// it hangs), or every reader that opens it gets `head` and then nothing more (reading past the
// head hangs, as on a card whose first sectors still read). The destructor lets every
// reader go (each sees the end of the file, an open that hangs returns) and removes the pipe; a
// test that gives up on a hanging open thus leaves no thread behind.
class StalledFile
{
public:
    enum class Kind { NeverWritten, HeadThenStall };

    StalledFile(QString path, Kind kind, QByteArray head = {});
    ~StalledFile();
    StalledFile(const StalledFile &) = delete;
    StalledFile &operator=(const StalledFile &) = delete;

    // False when the pipe could not be made (Why() says why).
    bool IsReady() const { return m_bReady; }
    QString Why() const { return m_strWhy; }
    const QString &Path() const { return m_strPath; }

private:
    void Feed();
    // Lets a reader that hangs in its open go; true when one did.
    bool ReleaseWaitingReader() const;

    QString m_strPath;
    Kind m_kind;
    QByteArray m_head;
    bool m_bReady = false;
    QString m_strWhy;
    std::atomic<bool> m_bStop = false;
    std::thread m_feeder;
};
