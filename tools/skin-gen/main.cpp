// quorvil-skin-gen: draws every numbered skin bitmap listed in resources/skin/manifest.tsv,
// the application icon set and the contact sheet docs/skin.png.
//
//   quorvil-skin-gen --root <source tree>
//
// The output is committed; run this only after changing the manifest or the drawing code.

#include "SkinGlyphs.h"
#include "SkinPainters.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QTextStream>

#include <cstdio>
#include <vector>

namespace
{

std::vector<SkinEntry> readManifest(const QString &path, QString *error)
{
    std::vector<SkinEntry> entries;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("cannot open %1").arg(path);
        return {};
    }
    QTextStream in(&file);
    int lineNo = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        ++lineNo;
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList cols = line.split(u'\t');
        if (cols.size() != 6) {
            *error = QStringLiteral("%1:%2: expected 6 columns").arg(path).arg(lineNo);
            return {};
        }
        SkinEntry e;
        e.id = cols[0].toInt();
        e.width = cols[1].toInt();
        e.height = cols[2].toInt();
        e.kind = cols[3];
        for (const QString &kv : cols[4].split(u';', Qt::SkipEmptyParts)) {
            const qsizetype eq = kv.indexOf(u'=');
            e.params.insert(kv.left(eq), eq < 0 ? QString() : kv.mid(eq + 1));
        }
        e.role = cols[5];
        if (e.id <= 0 || e.width <= 0 || e.height <= 0) {
            *error = QStringLiteral("%1:%2: bad id or size").arg(path).arg(lineNo);
            return {};
        }
        entries.push_back(e);
    }
    return entries;
}

bool saveImage(const QImage &image, const QString &path)
{
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || !image.save(&out, "PNG"))
        return false;
    return out.commit();
}

bool writeIcons(const QString &dir)
{
    QDir().mkpath(dir);
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        QImage img(size, size, QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        QPainter p(&img);
        PaintAppIcon(p, size);
        p.end();
        if (!saveImage(img, QStringLiteral("%1/128-%2.png").arg(dir).arg(size)))
            return false;
    }
    QSvgGenerator svg;
    svg.setFileName(dir + QStringLiteral("/128.svg"));
    svg.setSize(QSize(256, 256));
    svg.setViewBox(QRect(0, 0, 256, 256));
    svg.setTitle(QStringLiteral("ZI Zoreruv"));
    QPainter p(&svg);
    PaintAppIcon(p, 256);
    return true;
}

// Every bitmap with its id, size and role; small ones twice as large, on a checker pattern so
// the colour keys stand out.
QImage contactSheet(const std::vector<SkinEntry> &entries, const SkinSurfaces &drawn)
{
    const int sheetWidth = 1400, pad = 10, labelH = 26;
    struct Placed {
        const SkinEntry *e;
        QRect r;
        int scale;
    };
    std::vector<Placed> placed;
    int x = pad, y = pad + 30, rowH = 0;
    for (const SkinEntry &e : entries) {
        const int scale = (e.width <= 120 && e.height <= 60) ? 2 : 1;
        const int w = std::max(e.width * scale, 70), h = e.height * scale + labelH;
        if (x + w > sheetWidth - pad) {
            x = pad;
            y += rowH + pad;
            rowH = 0;
        }
        placed.push_back({&e, QRect(x, y, w, h), scale});
        x += w + pad;
        rowH = std::max(rowH, h);
    }
    QImage sheet(sheetWidth, y + rowH + pad, QImage::Format_RGB32);
    sheet.fill(QColor(96, 96, 100));
    QPainter p(&sheet);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(pad, 0, sheetWidth, 30), Qt::AlignVCenter,
               QStringLiteral("Quorvil skin: every numbered bitmap (small ones at 2x)"));
    for (const Placed &pl : placed) {
        const QImage &img = drawn[pl.e->id];
        const QRect target(pl.r.topLeft(), img.size() * pl.scale);
        p.drawImage(target, img);
        p.setPen(QColor(30, 30, 30));
        p.drawRect(target.adjusted(-1, -1, 0, 0));
        p.setPen(Qt::white);
        const QRect text(pl.r.left(), target.bottom() + 2, std::max(pl.r.width(), 70), 24);
        p.drawText(text, Qt::AlignLeft | Qt::TextWordWrap,
                   QStringLiteral("%1  %2x%3").arg(pl.e->id).arg(pl.e->width).arg(pl.e->height));
    }
    return sheet;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Draws the numbered skin bitmaps."));
    parser.addHelpOption();
    QCommandLineOption rootOption(QStringLiteral("root"), QStringLiteral("Source tree."),
                                  QStringLiteral("dir"), QStringLiteral("."));
    parser.addOption(rootOption);
    parser.process(app);
    const QString root = parser.value(rootOption);

    QString error;
    const std::vector<SkinEntry> entries =
        readManifest(root + QStringLiteral("/resources/skin/manifest.tsv"), &error);
    if (entries.empty()) {
        std::fprintf(stderr, "quorvil-skin-gen: %s\n", qPrintable(error));
        return 1;
    }
    SkinSurfaces drawn;
    for (const SkinEntry &e : entries) {
        std::optional<QImage> img = PaintSkinEntry(e, drawn);
        if (!img || img->size() != QSize(e.width, e.height)) {
            std::fprintf(stderr, "quorvil-skin-gen: cannot draw %d (%s)\n", e.id,
                         qPrintable(e.kind));
            return 1;
        }
        drawn.insert(e.id, *img);
        const QString path = QStringLiteral("%1/resources/skin/%2.png").arg(root).arg(e.id);
        if (!saveImage(*img, path)) {
            std::fprintf(stderr, "quorvil-skin-gen: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    if (!writeIcons(root + QStringLiteral("/resources/icons"))) {
        std::fprintf(stderr, "quorvil-skin-gen: cannot write the icons\n");
        return 1;
    }
    QDir().mkpath(root + QStringLiteral("/docs"));
    if (!saveImage(contactSheet(entries, drawn), root + QStringLiteral("/docs/skin.png"))) {
        std::fprintf(stderr, "quorvil-skin-gen: cannot write the contact sheet\n");
        return 1;
    }
    std::printf("quorvil-skin-gen: %zu bitmaps\n", entries.size());
    return 0;
}
