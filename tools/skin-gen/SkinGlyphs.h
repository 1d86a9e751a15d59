#pragma once

#include <QColor>
#include <QPainter>
#include <QRectF>
#include <QString>

// Flat icons drawn as vector paths on a 24 x 24 design grid, one stroke width for all.
// Names: close, minimize, info, calendar, save, delete, folder, flipv, fliph, capture, extend,
// reduce, play, pause, rewind, forward, prev, next, showmap, hidemap, largemap, reducemap, pin,
// speaker, muted, speed, brightness, filelist, front, rear, all, checkbox, checkbox-on, lens.
// "all" is drawn on a 36 x 24 grid (GlyphAspect 1.5): give it a box that much wider.
// Returns false for an unknown name.
bool DrawGlyph(QPainter &painter, const QString &name, const QRectF &box, const QColor &color,
               double strokePx = 1.6);

// Width over height of the glyph's design grid (1 for the square ones).
double GlyphAspect(const QString &name);
