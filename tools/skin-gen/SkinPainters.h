#pragma once

#include <QHash>
#include <QImage>
#include <QString>

#include <optional>

// One manifest row: a numbered bitmap and how to draw it.
struct SkinEntry {
    int id = 0;
    int width = 0;
    int height = 0;
    QString kind;
    QHash<QString, QString> params; // key=value pairs of the parameters column
    QString role;
};

// Bitmaps drawn so far, by id; rows may crop the surfaces drawn before them.
using SkinSurfaces = QHash<int, QImage>;

class SkinWords;

// Draws one entry with the words of `words`' language. Returns nothing for an unknown kind or a
// missing background surface.
std::optional<QImage> PaintSkinEntry(const SkinEntry &entry, const SkinSurfaces &drawn,
                                     SkinWords &words);

// The application icon at `size` pixels, drawn into whatever device the painter targets.
void PaintAppIcon(class QPainter &painter, int size);
// The same on a transparent size x size image.
QImage AppIconImage(int size);
