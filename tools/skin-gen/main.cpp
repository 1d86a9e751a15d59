// quorvil-skin-gen: draws every numbered skin bitmap listed in resources/skin/manifest.tsv,
// the application icon set and the contact sheet docs/skin.png. The bitmaps that carry words
// are drawn once more for each other language, under the same ids, into
// resources/skin/<language id>/.
//
//   quorvil-skin-gen --root <source tree>
//
// The output is committed; run this only after changing the manifest or the drawing code.

#include "SkinGlyphs.h"
#include "SkinPainters.h"
#include "SkinWords.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QSaveFile>
#include <QSet>
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
        if (!saveImage(AppIconImage(size), QStringLiteral("%1/128-%2.png").arg(dir).arg(size)))
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

// TransparentBlt's colour key: every pixel of exactly `key` becomes transparent.
QImage KeyedOut(const QImage &image, const QColor &key)
{
    QImage img = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y) == key)
                img.setPixelColor(x, y, Qt::transparent);
    return img;
}

// Draws `id` at `at` with its colour key (green or white) transparent, as the windows do.
void Blit(QPainter &p, const SkinSurfaces &drawn, int id, QPoint at, QColor key = QColor())
{
    p.drawImage(at, key.isValid() ? KeyedOut(drawn.value(id), key) : drawn.value(id));
}

void Slider(QPainter &p, const SkinSurfaces &drawn, QRect r, int channel, int fill, int thumb)
{
    const QImage &t = drawn.value(thumb);
    const int thumbX = (r.width() - t.width()) / 2;
    p.drawImage(r, drawn.value(channel));
    p.drawImage(QRect(r.x(), r.y(), thumbX + 5, r.height()), drawn.value(fill),
                QRect(0, 0, std::min(drawn.value(fill).width(), thumbX + 5), r.height()));
    Blit(p, drawn, thumb, QPoint(r.x() + thumbX, r.y() + r.height() / 2 - t.height() / 2),
         Qt::white);
}

// The main window in normal mode as the layout places the bitmaps, then the two
// extended-mode bars at the same width: a check that every bitmap fits where it sits.
QImage Composition(const std::vector<SkinEntry> &entries, const SkinSurfaces &drawn)
{
    const int w = 1022, h = 682;
    QImage img(w, h + 20 + 44 + 20 + 40, QImage::Format_RGB32);
    img.fill(QColor(96, 96, 100));
    QPainter p(&img);
    p.drawImage(0, 0, drawn.value(129));
    QSet<QString> placed;
    for (const SkinEntry &e : entries) {
        const QString bg = e.params.value(QStringLiteral("bg"));
        if (e.kind != QLatin1String("button") && e.kind != QLatin1String("icon"))
            continue;
        if (e.params.value(QStringLiteral("state"), QStringLiteral("normal")) !=
                QLatin1String("normal") ||
            placed.contains(bg) || e.id == 502) // 502 shows only in the large map
            continue;
        placed.insert(bg);
        const QStringList parts = bg.split(u'@');
        const QStringList xy = parts.value(1).split(u',');
        QPoint at(xy.value(0).toInt(), xy.value(1).toInt());
        if (parts[0] == QLatin1String("bar279"))
            at += QPoint(695, 635);
        else if (parts[0] != QLatin1String("main"))
            continue;
        p.drawImage(at, drawn.value(e.id));
    }
    Slider(p, drawn, QRect(30, 474, 391, 20), 209, 210, 213);
    Slider(p, drawn, QRect(477, 544, 179, 15), 267, 215, 218);
    Slider(p, drawn, QRect(477, 582, 179, 15), 268, 216, 219);
    Slider(p, drawn, QRect(477, 620, 179, 15), 266, 214, 217);
    Blit(p, drawn, 293, QPoint(40, 494), Qt::green);
    Blit(p, drawn, 294, QPoint(364, 494), Qt::green);
    Blit(p, drawn, 312, QPoint(121, 57), Qt::green);
    Blit(p, drawn, 292, QPoint(41, 531), Qt::green);
    for (int i = 0; i < 3; ++i)
        p.drawImage(830 + 10 * i, 643, drawn.value(321 + QString("042")[i].digitValue()));
    // A few list rows with their check boxes (column 3 at x 963).
    for (int row = 0; row < 4; ++row) {
        const int y = 126 + row * 21;
        if (row == 1)
            p.fillRect(QRect(695, y, 308, 21), QColor(71, 71, 71));
        p.setPen(QColor(62, 62, 60));
        p.drawLine(695, y + 20, 1002, y + 20);
        const QImage glyph = drawn.value(241).copy((row == 2) * 18, 0, 18, 16);
        p.drawImage(QPoint(974, y + 3), KeyedOut(glyph, QColor(255, 0, 255)));
    }
    // Control bar (H 44) and top bar (H 40), W 1022.
    const int cb = h + 20, tb = cb + 44 + 20, W = w, H = 44;
    p.drawImage(QRect(0, cb, W, 44), drawn.value(269));
    const struct {
        int id, x, y;
    } bar[] = {{308, W - 93, H - 36},  {288, W - 57, H - 36},  {206, W - 550, H - 36},
               {191, W - 514, H - 36}, {200, W - 465, H - 36}, {203, W - 416, H - 36},
               {194, W - 380, H - 36}, {303, W - 319, H - 32}};
    for (const auto &b : bar)
        p.drawImage(b.x, cb + b.y, drawn.value(b.id));
    Slider(p, drawn, QRect(20, cb + H - 39, W - 599, 20), 306, 307, 213);
    Slider(p, drawn, QRect(W - 291, cb + H - 31, 181, 15), 296, 297, 219);
    Blit(p, drawn, 278, QPoint(20, cb + H - 19), Qt::green);
    Blit(p, drawn, 278, QPoint(W - 628, cb + H - 19), Qt::green);
    p.drawImage(QRect(0, tb, W, 40), drawn.value(270));
    const struct {
        int id, x;
    } top[] = {{285, W - 56},  {489, W - 99},  {485, W - 142},
               {481, W - 188}, {477, W - 228}, {473, W - 268}};
    for (const auto &b : top)
        p.drawImage(b.x, tb + 7, drawn.value(b.id));
    return img;
}

// Every bitmap with its id, size and role; small ones twice as large.
QImage contactSheet(const std::vector<SkinEntry> &entries, const SkinSurfaces &drawn)
{
    const int sheetWidth = 1400, pad = 10, labelH = 26;
    struct Placed {
        const SkinEntry *e;
        QRect r;
        int scale;
    };
    std::vector<Placed> placed;
    const QImage composed = Composition(entries, drawn);
    int x = pad, y = pad + 30 + composed.height() + pad, rowH = 0;
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
               QStringLiteral("Quorvil skin: the main window and the extended-mode bars as laid "
                              "out, then every numbered bitmap (small ones at 2x)"));
    p.drawImage(pad, pad + 30, composed);
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

// Every manifest row drawn in one language, and the ids whose pictures carry words.
struct DrawnSkin {
    SkinSurfaces drawn;
    QList<int> wordIds;
};

std::optional<DrawnSkin> drawSkin(const std::vector<SkinEntry> &entries, std::uint16_t language,
                                  const SkinSurfaces *english)
{
    DrawnSkin skin;
    SkinWords words(language);
    for (const SkinEntry &e : entries) {
        words.Reset();
        std::optional<QImage> img = PaintSkinEntry(e, skin.drawn, words);
        if (!img || img->size() != QSize(e.width, e.height)) {
            std::fprintf(stderr, "quorvil-skin-gen: cannot draw %d (%s)\n", e.id,
                         qPrintable(e.kind));
            return std::nullopt;
        }
        // A crop of a surface with words carries them too.
        if (words.Used() || (english && english->value(e.id) != *img))
            skin.wordIds.push_back(e.id);
        skin.drawn.insert(e.id, *img);
    }
    return skin;
}

// Writes one language's word set into `dir`, and only that: a bitmap that no longer carries
// words must not linger there.
bool writeWordSet(const DrawnSkin &skin, const QString &dir)
{
    QDir().mkpath(dir);
    for (const QString &old : QDir(dir).entryList({QStringLiteral("*.png")}, QDir::Files)) {
        if (!skin.wordIds.contains(QFileInfo(old).baseName().toInt()))
            QFile::remove(dir + u'/' + old);
    }
    for (const int id : skin.wordIds) {
        if (!saveImage(skin.drawn.value(id), QStringLiteral("%1/%2.png").arg(dir).arg(id)))
            return false;
    }
    return true;
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
    QCommandLineOption previewOption(QStringLiteral("preview"),
                                     QStringLiteral("Also write the composed windows here."),
                                     QStringLiteral("png"));
    parser.addOption(previewOption);
    parser.process(app);
    const QString root = parser.value(rootOption);

    QString error;
    const std::vector<SkinEntry> entries =
        readManifest(root + QStringLiteral("/resources/skin/manifest.tsv"), &error);
    if (entries.empty()) {
        std::fprintf(stderr, "quorvil-skin-gen: %s\n", qPrintable(error));
        return 1;
    }
    const std::optional<DrawnSkin> english = drawSkin(entries, SkinWords::Languages()[0], nullptr);
    if (!english)
        return 1;
    const SkinSurfaces &drawn = english->drawn;
    for (const SkinEntry &e : entries) {
        const QString path = QStringLiteral("%1/resources/skin/%2.png").arg(root).arg(e.id);
        if (!saveImage(drawn.value(e.id), path)) {
            std::fprintf(stderr, "quorvil-skin-gen: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    std::vector<std::pair<std::uint16_t, DrawnSkin>> translated;
    for (const std::uint16_t language : SkinWords::Languages().subspan(1)) {
        std::optional<DrawnSkin> skin = drawSkin(entries, language, &drawn);
        const QString dir = QStringLiteral("%1/resources/skin/%2").arg(root).arg(language);
        if (!skin || !writeWordSet(*skin, dir)) {
            std::fprintf(stderr, "quorvil-skin-gen: cannot write %s\n", qPrintable(dir));
            return 1;
        }
        translated.emplace_back(language, std::move(*skin));
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
    if (parser.isSet(previewOption)) {
        // One preview per language: name.png in English, name-<language id>.png beside it.
        const QFileInfo preview(parser.value(previewOption));
        bool ok = saveImage(Composition(entries, drawn), preview.filePath());
        for (const auto &[language, skin] : translated) {
            ok = ok && saveImage(Composition(entries, skin.drawn),
                                 QStringLiteral("%1/%2-%3.png")
                                     .arg(preview.path(), preview.completeBaseName())
                                     .arg(language));
        }
        if (!ok) {
            std::fprintf(stderr, "quorvil-skin-gen: cannot write the preview\n");
            return 1;
        }
    }
    std::printf("quorvil-skin-gen: %zu bitmaps, %zu of them with words in %zu more languages\n",
                entries.size(),
                translated.empty()
                    ? std::size_t{0}
                    : static_cast<std::size_t>(translated.front().second.wordIds.size()),
                translated.size());
    return 0;
}
