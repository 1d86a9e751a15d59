#include "platform/MountInfo.h"

#include <QList>

#include <optional>

namespace
{

bool IsOctalDigit(char c)
{
    return c >= '0' && c <= '7';
}

std::optional<int> ParseInt(const QByteArray &text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::optional<std::uint32_t> ParseUnsigned(const QByteArray &text)
{
    bool ok = false;
    const uint value = text.toUInt(&ok, 10);
    return ok ? std::optional<std::uint32_t>(value) : std::nullopt;
}

std::optional<MountEntry> ParseLine(const QByteArray &line)
{
    // Fields are separated by single spaces; the escapes keep spaces out of them.
    const QList<QByteArray> fields = line.split(' ');
    // The optional fields end at a lone "-", followed by type, source and super options.
    qsizetype separator = -1;
    for (qsizetype i = 6; i < fields.size(); ++i) {
        if (fields[i] == "-") {
            separator = i;
            break;
        }
    }
    if (separator < 0 || separator + 2 >= fields.size()) {
        return std::nullopt;
    }
    const auto mountId = ParseInt(fields[0]);
    const auto parentId = ParseInt(fields[1]);
    const QList<QByteArray> devno = fields[2].split(':');
    if (!mountId || !parentId || devno.size() != 2) {
        return std::nullopt;
    }
    const auto major = ParseUnsigned(devno[0]);
    const auto minor = ParseUnsigned(devno[1]);
    if (!major || !minor || fields[3].isEmpty() || fields[4].isEmpty()) {
        return std::nullopt;
    }
    MountEntry entry;
    entry.mountId = *mountId;
    entry.parentId = *parentId;
    entry.major = *major;
    entry.minor = *minor;
    entry.fsRoot = DecodeMountInfoField(fields[3]);
    entry.mountPoint = DecodeMountInfoField(fields[4]);
    entry.fsType = DecodeMountInfoField(fields[separator + 1]);
    entry.source = DecodeMountInfoField(fields[separator + 2]);
    return entry;
}

} // namespace

QString DecodeMountInfoField(const QByteArray &field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\\' && i + 3 < field.size() && IsOctalDigit(field[i + 1]) &&
            IsOctalDigit(field[i + 2]) && IsOctalDigit(field[i + 3])) {
            const int value =
                (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            if (value <= 0xFF) {
                out.append(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        out.append(c);
    }
    return QString::fromUtf8(out);
}

std::vector<MountEntry> ParseMountInfo(const QByteArray &text)
{
    std::vector<MountEntry> entries;
    for (const QByteArray &line : text.split('\n')) {
        if (line.trimmed().isEmpty()) {
            continue;
        }
        if (auto entry = ParseLine(line)) {
            entries.push_back(std::move(*entry));
        }
    }
    return entries;
}
