#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <utility>

// Splits a fuzzer input at its first zero byte into two texts (the second empty when there is
// none), for targets that take two strings.
inline std::pair<QString, QString> SplitAtZero(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const qsizetype zero = bytes.indexOf('\0');
    if (zero < 0)
        return {QString::fromUtf8(bytes), QString()};
    return {QString::fromUtf8(bytes.left(zero)), QString::fromUtf8(bytes.mid(zero + 1))};
}

inline QByteArray ToByteArray(const std::uint8_t *data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
}
