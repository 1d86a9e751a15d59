#pragma once

#include <QString>

#include <cstdint>

// The few skin bitmaps that carry words (the category tabs, the area titles, the column heads,
// "G-SENSOR", "GPS", "km/h") exist once per language under the same id,
// ":/skin/<language id>/<id>.png". SkinBitmapPath(id) and the loaders of ui/SkinBitmap.h take
// the set of the registered main window's language; English, or no main window, takes the
// default ":/skin/<id>.png".

// The resource path of bitmap `id` in `language` (1033, 1041, 1042 or 1049): its word set's
// picture where it has one, else the default one.
QString SkinBitmapPath(int id, std::uint16_t language);
