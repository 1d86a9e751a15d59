#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

// Settings, drives and the sound output of a window test never touch the machine: settings go
// to fresh folders and the mount table is an empty file, so no real card is ever found.
inline std::unique_ptr<QTemporaryDir> IsolateEnvironment()
{
    const QByteArray base = qgetenv("QUORVIL_TEST_TMP");
    auto dir = std::make_unique<QTemporaryDir>(
        base.isEmpty() ? QDir::tempPath() + "/mainwindow-XXXXXX"
                       : QString::fromLocal8Bit(base) + "/mainwindow-XXXXXX");
    QDir(dir->path()).mkpath("user");
    QDir(dir->path()).mkpath("machine");
    QFile mountinfo(dir->path() + "/mountinfo");
    mountinfo.open(QIODevice::WriteOnly);
    qputenv("QUORVIL_CONFIG_HOME", (dir->path() + "/user").toLocal8Bit());
    qputenv("QUORVIL_SYSTEM_CONFIG", (dir->path() + "/machine").toLocal8Bit());
    qputenv("QUORVIL_MOUNTINFO", (dir->path() + "/mountinfo").toLocal8Bit());
    qputenv("QUORVIL_SYSFS", (dir->path() + "/sys").toLocal8Bit());
    qputenv("QUORVIL_DEVDIR", (dir->path() + "/dev").toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (dir->path() + "/cache").toLocal8Bit()); // recovered copies
    qputenv("LANG", "C");
    qunsetenv("LC_ALL");
    qunsetenv("LC_MESSAGES");
    return dir;
}
