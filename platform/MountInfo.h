#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// One line of a mount table in the format of /proc/self/mountinfo:
//   36 35 98:0 /mnt1 /mnt/parent rw,noatime master:1 - ext3 /dev/root rw,errors=continue
struct MountEntry {
    int mountId = -1;
    int parentId = -1;
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    QString fsRoot;     // the folder of the file system that is mounted ("/" for all of it)
    QString mountPoint; // decoded
    QString fsType;
    QString source; // decoded ("/dev/sdb1")
};

// Decodes the kernel's octal escapes ("\040" space, "\011" tab, "\012" newline, "\134"
// backslash; any "\ooo"), taking the result as UTF-8. Other backslashes stay as they are.
QString DecodeMountInfoField(const QByteArray &field);

// Parses a whole mount table. Malformed lines are skipped, never guessed at.
std::vector<MountEntry> ParseMountInfo(const QByteArray &text);
