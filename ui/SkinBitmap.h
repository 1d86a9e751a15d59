#pragma once

#include <QFont>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>

// Every picture of the skin is a numbered bitmap compiled into the program (Qt resources,
// ":/skin/<id>.png"). These are the only ways to reach them.

// Resource path of bitmap `id` (whether or not it exists).
QString SkinBitmapPath(int id);

// True when bitmap `id` is part of the skin.
bool HasSkinBitmap(int id);

// Bitmap `id` as a pixmap (needs a QGuiApplication). A missing id gives a null pixmap.
QPixmap LoadSkinBitmap(int id);

// Bitmap `id` as an image (works without a GUI application). A missing id gives a null image.
QImage LoadSkinImage(int id);

// TransparentBlt's colour key as a mask: every pixel of exactly `key` becomes transparent.
// The skin's keys: pure green (0, 255, 0) for the graph, digits and text backgrounds, magenta
// (255, 0, 255) for the check box strip, white for the slider thumbs.
QPixmap ApplyColorKey(QPixmap pixmap, const QColor &key);
QImage ApplyColorKey(const QImage &image, const QColor &key);
// LoadSkinBitmap with the key applied.
QPixmap LoadSkinBitmapKeyed(int id, const QColor &key);

// The application icon (resource 128) at every size the resources carry.
QIcon LoadAppIcon();

// The font a skinned control asks for: the Windows face it was designed with, then fonts with
// Hangul, Kana and Cyrillic glyphs, so every language renders without boxes. `cellHeight` is
// a Windows-style positive font height (ascent + descent of that face, pixels); the em size is
// taken from the named face's proportions, so text keeps its designed size whichever font
// fontconfig substitutes. Weight is 100..900.
QFont MakeSkinFont(const QString &face, int cellHeight, int weight);

// The ascent (baseline from the top of the cell) the named Windows face has at `cellHeight`.
// Controls that place text from the top use it to put the baseline where the design has it.
int SkinFontWindowsAscent(const QString &face, int cellHeight);
