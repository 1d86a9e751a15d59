#pragma once

#include <QString>

#include <cstdint>

// What the memory card information window computes from a card: space per recording
// category, the camera's firmware version and the capacity texts.
namespace CardInformation
{

// Size in KiB of the recordings of `category` ("NOR", "EVT" or "MOT") under `folder`, its
// sub-folders included. A file counts when its name ends in ".AVI" or ".MP4" and characters
// 16-18 of its name give the category (both compared upper-cased); each file adds its size
// shifted right by 10. A missing folder gives 0.
std::int64_t SumCategoryKiB(const QString &folder, const QString &category);

// The firmware version text of the file "Configs/km7_sysenv.cfg" under `root`: "%d.%03d" of
// the little-endian 32-bit numbers at bytes 8 and 12 (missing bytes count as 0); empty when
// the file is missing or empty.
QString ReadFirmwareVersion(const QString &root);

// The firmware version text of raw file bytes (at most the first 16 matter).
QString FirmwareVersionFromBytes(const QByteArray &bytes);

// "%.1f GB" of mebibytes x 2^-10, taken in single precision ("32.0 GB").
QString FormatCapacity(double mebibytes);

// `relative` ("Configs/km7_sysenv.cfg") under `root`, each component matched without regard
// to case when the exact name is missing (the camera writes FAT names, Linux compares case).
QString PathOnCard(const QString &root, const QString &relative);

} // namespace CardInformation
