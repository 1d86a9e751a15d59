#pragma once

#include <QColor>
#include <QPainter>
#include <QRectF>
#include <QString>

// Flat icons drawn as vector paths on a 24 x 24 design grid, one stroke width for all.
// Names: close, minimize, info, calendar, save, delete, folder, flipv, fliph, capture, extend,
// reduce, play, pause, rewind, forward, prev, next, showmap, hidemap, largemap, reducemap, pin,
// speaker, muted, speed, brightness, filelist, front, rear, all, checkbox, checkbox-on, lens.
// Returns false for an unknown name.
bool DrawGlyph(QPainter &painter, const QString &name, const QRectF &box, const QColor &color,
               double strokePx = 1.6);
