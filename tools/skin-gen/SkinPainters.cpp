#include "SkinPainters.h"

#include "SkinGlyphs.h"
#include "SkinWords.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <functional>
#include <map>

namespace
{

// The palette of the dark theme. Keys are exact: green and magenta are transparent where the
// controls copy with a colour key, white around slider thumbs.
namespace pal
{
const QColor frame(20, 20, 22);
const QColor border(62, 62, 66);
const QColor panel(30, 30, 33);
const QColor panelDark(26, 26, 28);
const QColor separator(46, 46, 50);
const QColor titleTop(42, 42, 46);
const QColor titleBottom(32, 32, 35);
const QColor video(6, 6, 7);
const QColor list(33, 33, 33);
const QColor grid(62, 62, 60);
const QColor selection(71, 71, 71);
const QColor text(150, 150, 150);
const QColor textDim(104, 104, 110);
const QColor accent(239, 183, 26);
const QColor scrollbar(13, 14, 15);
const QColor well(14, 14, 16);
const QColor readout(12, 12, 12);
const QColor keyGreen(0, 255, 0);
const QColor keyMagenta(255, 0, 255);
const QColor keyWhite(255, 255, 255);
} // namespace pal

QFont uiFont(int pixelSize, bool bold,
             const QStringList &families = {QStringLiteral("Noto Sans CJK KR"),
                                            QStringLiteral("DejaVu Sans")})
{
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QImage blank(int w, int h, const QColor &fill)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

// Draws a shape with antialiasing over `bg`, then turns every pixel the shape does not touch
// into `key`, so a colour-keyed copy shows the shape with smooth edges and nothing around it.
QImage keyed(int w, int h, const QColor &bg, const QColor &key,
             const std::function<void(QPainter &)> &draw)
{
    QImage shape(w, h, QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    {
        QPainter p(&shape);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p);
    }
    QImage out = blank(w, h, bg);
    {
        QPainter p(&out);
        p.drawImage(0, 0, shape);
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (qAlpha(shape.pixel(x, y)) < 48)
                out.setPixelColor(x, y, key);
            else if (out.pixelColor(x, y) == key) // never let the shape itself read as the key
                out.setPixelColor(x, y, key.darker(101));
        }
    }
    return out;
}

// "surface@x,y": a w x h crop of a surface drawn earlier; strips repeat horizontally.
std::optional<QImage> background(const QString &ref, int w, int h, const SkinSurfaces &drawn)
{
    static const std::map<QString, int> surfaces = {
        {"main", 129}, {"bar279", 279}, {"strip269", 269}, {"strip270", 270}, {"info493", 493}};
    const QStringList parts = ref.split(u'@');
    if (parts.size() != 2)
        return std::nullopt;
    const auto surface = surfaces.find(parts[0]);
    const QStringList xy = parts[1].split(u',');
    if (surface == surfaces.end() || xy.size() != 2 || !drawn.contains(surface->second))
        return std::nullopt;
    const QImage &src = drawn[surface->second];
    const int x = xy[0].toInt(), y = xy[1].toInt();
    if (src.width() == 1) {
        QImage out = blank(w, h, Qt::black);
        QPainter p(&out);
        p.drawImage(QRect(0, 0, w, h), src, QRect(0, y, 1, h));
        return out;
    }
    return src.copy(x, y, w, h).convertToFormat(QImage::Format_RGB32);
}

// The title bar of a window: a soft vertical gradient over the top `height` rows.
void titleBar(QPainter &p, int width, int height)
{
    QLinearGradient title(0, 0, 0, height);
    title.setColorAt(0, pal::titleTop);
    title.setColorAt(1, pal::titleBottom);
    p.fillRect(QRect(0, 0, width, height), title);
}

void hline(QPainter &p, int x1, int x2, int y, const QColor &c)
{
    p.setPen(c);
    p.drawLine(x1, y, x2, y);
}

void vline(QPainter &p, int x, int y1, int y2, const QColor &c)
{
    p.setPen(c);
    p.drawLine(x, y1, x, y2);
}

void label(QPainter &p, const QRect &r, const QString &s, int px, const QColor &c,
           Qt::Alignment align = Qt::AlignCenter, bool bold = true,
           const QStringList &families = {})
{
    // A translation may run longer than the English word the box was laid out for: smaller
    // type, never a clipped word.
    QFont font = families.isEmpty() ? uiFont(px, bold) : uiFont(px, bold, families);
    while (font.pixelSize() > 7 && QFontMetrics(font).horizontalAdvance(s) > r.width())
        font.setPixelSize(font.pixelSize() - 1);
    p.setFont(font);
    p.setPen(c);
    p.drawText(r, align, s);
}

// --- surfaces ------------------------------------------------------------------------------

void paintVideoEmpty(QPainter &p, const QRect &r)
{
    QRadialGradient glow(r.center(), r.width() * 0.6);
    glow.setColorAt(0, QColor(24, 24, 27));
    glow.setColorAt(1, pal::video);
    p.fillRect(r, glow);
    const QRectF lens(r.center().x() - 44, r.center().y() - 56, 88, 88);
    DrawGlyph(p, QStringLiteral("lens"), lens, QColor(50, 50, 54), 3.0);
    DrawGlyph(p, QStringLiteral("play"), QRectF(r.center().x() - 11, r.center().y() + 46, 22, 22),
              QColor(50, 50, 54));
}

void paintDigitWell(QPainter &p, const QRect &r)
{
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(56, 56, 60));
    p.setBrush(pal::readout);
    p.drawRect(r.adjusted(0, 0, -1, -1));
}

void paintMapBar(QPainter &p, const QRect &r, SkinWords &words)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(40, 40, 44));
    g.setColorAt(1, QColor(32, 32, 35));
    p.fillRect(r, g);
    hline(p, r.left(), r.right(), r.top(), QColor(58, 58, 62));
    hline(p, r.left(), r.right(), r.bottom(), pal::frame);
    DrawGlyph(p, QStringLiteral("pin"), QRectF(r.left() + 6, r.top() + 5, 18, 18), pal::accent);
    label(p, QRect(r.left() + 28, r.top(), 60, r.height()), words(QStringLiteral("GPS")), 11,
          pal::text, Qt::AlignLeft | Qt::AlignVCenter, true, words.FontFamilies());
    DrawGlyph(p, QStringLiteral("speed"), QRectF(r.left() + 110, r.top() + 6, 16, 16),
              pal::textDim);
    // The speed readout (three digits at x 135..165, y 8..23) sits in this well.
    paintDigitWell(p, QRect(r.left() + 132, r.top() + 6, 36, 19));
    label(p, QRect(r.left() + 171, r.top(), 40, r.height()), words(QStringLiteral("km/h")), 10,
          pal::textDim, Qt::AlignLeft | Qt::AlignVCenter, false, words.FontFamilies());
}

QImage videoEmpty(int w, int h)
{
    QImage img = blank(w, h, pal::video);
    QPainter p(&img);
    paintVideoEmpty(p, img.rect());
    return img;
}

QImage mapBar(int w, int h, SkinWords &words)
{
    QImage img = blank(w, h, pal::panel);
    QPainter p(&img);
    paintMapBar(p, img.rect(), words);
    return img;
}

QImage mainSkin(int w, int h, SkinWords &words)
{
    QImage img = blank(w, h, pal::frame);
    QPainter p(&img);

    // Title bar: logo and name at the left, Information at 150, Minimize and Close at the right.
    titleBar(p, w, 47);
    hline(p, 0, w - 1, 47, pal::separator);
    {
        QImage logo(26, 26, QImage::Format_ARGB32_Premultiplied);
        logo.fill(Qt::transparent);
        QPainter lp(&logo);
        PaintAppIcon(lp, 26);
        lp.end();
        p.drawImage(14, 11, logo);
    }
    label(p, QRect(48, 0, 100, 47), QStringLiteral("ZI Zoreruv"), 15, QColor(228, 228, 228),
          Qt::AlignLeft | Qt::AlignVCenter);

    // Tool row of the left column: the file name field (121..411) and the view buttons.
    p.fillRect(QRect(1, 48, 691, 29), pal::panel);
    label(p, QRect(60, 48, 55, 29), words(QStringLiteral("FILE")), 10, pal::textDim,
          Qt::AlignRight | Qt::AlignVCenter, true, words.FontFamilies());
    vline(p, 421, 52, 72, pal::separator);

    // Video area 3..690 x 77..465, framed; bitmap 498 is drawn here when no channel shows.
    p.setPen(pal::separator);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(2, 76, 689, 390));
    p.drawImage(3, 77, videoEmpty(688, 389)); // the same pixels as bitmap 498

    // Transport area: position slider 30..420 at 474, times at 494, graph at 41,531; the
    // buttons, speed, volume and brightness rows right of x 437.
    p.fillRect(QRect(1, 467, 691, 214), pal::panel);
    hline(p, 1, 691, 467, pal::separator);
    label(p, QRect(41, 511, 200, 16), words(QStringLiteral("G-SENSOR")), 10, pal::textDim,
          Qt::AlignLeft | Qt::AlignVCenter, true, words.FontFamilies());
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QColor(50, 50, 54));
    p.setBrush(QColor(16, 16, 18));
    p.drawRoundedRect(QRectF(38.5, 528.5, 375, 119), 4, 4);
    p.setRenderHint(QPainter::Antialiasing, false);
    vline(p, 437, 472, 676, pal::separator);
    hline(p, 444, 686, 522, pal::separator);

    // Right column 693..1020: tool row, category tabs (78..106), column header (107..125),
    // the list (126..634), the map bar (635..662).
    vline(p, 692, 48, h - 2, pal::separator);
    p.fillRect(QRect(693, 48, w - 694, 30), pal::panel);
    label(p, QRect(702, 48, 160, 29), words(QStringLiteral("RECORDINGS")), 10, pal::textDim,
          Qt::AlignLeft | Qt::AlignVCenter, true, words.FontFamilies());
    p.fillRect(QRect(693, 78, w - 694, 29), pal::panelDark);
    p.fillRect(QRect(693, 107, w - 694, 19), QColor(38, 38, 42));
    const struct {
        int x0, x1;
        const char *title;
    } columns[] = {{695, 857, "Name"}, {858, 908, "Date"}, {909, 962, "Size"}};
    for (const auto &c : columns) {
        label(p, QRect(c.x0, 107, c.x1 - c.x0, 19), words(QString::fromLatin1(c.title)), 10,
              QColor(130, 130, 136), Qt::AlignCenter, true, words.FontFamilies());
        vline(p, c.x1, 109, 123, pal::grid);
    }
    p.fillRect(QRect(693, 126, w - 694, 509), pal::list);
    p.drawImage(695, 635, mapBar(324, 28, words)); // the same pixels as bitmap 279
    p.fillRect(QRect(693, 663, w - 694, h - 664), pal::panelDark);

    // Window edge.
    p.setPen(pal::border);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(0, 0, w - 1, h - 1));
    return img;
}

QImage graphBackground(int w, int h)
{
    QImage img = blank(w, h, pal::keyGreen);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false); // a blended edge would miss the green key
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(16, 16, 18));
    p.drawRoundedRect(QRect(0, 0, w, h), 3, 3);
    for (int y : {38, 76})
        hline(p, 3, w - 4, y, QColor(34, 34, 38));
    QPen dashed(pal::grid, 1, Qt::DotLine);
    const struct {
        int y;
        const char *axis;
    } lanes[] = {{19, "X"}, {57, "Y"}, {95, "Z"}};
    for (const auto &lane : lanes) {
        p.setPen(dashed);
        p.drawLine(14, lane.y, w - 4, lane.y);
        label(p, QRect(2, lane.y - 8, 10, 16), QString::fromLatin1(lane.axis), 10,
              QColor(96, 96, 102));
    }
    return img;
}

// A readout digit: bold accent figure on the readout well's colour, no key colour anywhere.
QImage digit(int w, int h, int value)
{
    QImage img = blank(w, h, pal::readout);
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(15);
    font.setBold(true);
    p.setFont(font);
    p.setPen(pal::accent);
    p.drawText(QRect(0, 0, w, h), Qt::AlignCenter, QString::number(value % 10));
    return img;
}

QImage checkStrip(int w, int h)
{
    QImage out = blank(w, h, pal::keyMagenta);
    for (int i = 0; i < 4; ++i) {
        const bool checked = i & 1, disabled = i & 2;
        QImage glyph = keyed(18, 16, pal::list, pal::keyMagenta, [&](QPainter &p) {
            const QRectF box(3.5, 2.5, 11, 11);
            p.setPen(QPen(disabled ? QColor(72, 72, 72) : QColor(132, 132, 132), 1));
            p.setBrush(checked ? (disabled ? QColor(104, 88, 44) : pal::accent)
                               : QColor(42, 42, 42));
            if (checked)
                p.setPen(Qt::NoPen);
            p.drawRoundedRect(box, 2, 2);
            if (checked) {
                p.setPen(QPen(disabled ? QColor(56, 56, 56) : QColor(28, 28, 28), 1.8,
                              Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                p.drawPolyline(QPolygonF({{6.0, 8.0}, {8.3, 10.4}, {12.2, 5.6}}));
            }
        });
        QPainter p(&out);
        p.drawImage(i * 18, 0, glyph);
    }
    return out;
}

QImage scrollArrow(int w, int h, bool up, bool pressed)
{
    QImage img = blank(w, h, pal::scrollbar);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(pressed ? pal::accent : QColor(128, 128, 134), 1.6, Qt::SolidLine, Qt::RoundCap,
                  Qt::RoundJoin));
    const double cx = 8.5, cy = h / 2.0;
    const double d = up ? -1.5 : 1.5;
    p.drawPolyline(QPolygonF({{cx - 4, cy - d}, {cx, cy + d}, {cx + 4, cy - d}}));
    return img;
}

// The thumb is stretched vertically: keep it uniform along y.
QImage scrollThumb(int w, int h)
{
    QImage img = blank(w, h, pal::scrollbar);
    QPainter p(&img);
    p.fillRect(QRect(3, 0, 11, h), QColor(70, 70, 75));
    vline(p, 3, 0, h - 1, QColor(86, 86, 92));
    vline(p, 13, 0, h - 1, QColor(54, 54, 58));
    return img;
}

QImage scrollTrack(int w, int h)
{
    QImage img = blank(w, h, pal::scrollbar);
    QPainter p(&img);
    p.fillRect(QRect(7, 0, 4, h), QColor(24, 25, 27));
    return img;
}

QImage strip(int w, int h, bool edgeTop)
{
    QImage img = blank(w, h, pal::panel);
    QPainter p(&img);
    const int edge = edgeTop ? 0 : h - 1, inner = edgeTop ? 1 : h - 2;
    hline(p, 0, w - 1, edge, QColor(66, 66, 70));
    hline(p, 0, w - 1, inner, QColor(40, 40, 44));
    return img;
}

// A dark chip without an outline: the static draws its text from the top-left corner with
// the baseline on the bottom rows, so a frame would run through the figures.
QImage textBackground(int w, int h)
{
    QImage img = blank(w, h, pal::keyGreen);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(pal::well);
    p.drawRoundedRect(QRect(0, 0, w, h), 2, 2);
    return img;
}

QImage infoWindow(int w, int h)
{
    QImage img = blank(w, h, QColor(24, 24, 26));
    QPainter p(&img);
    titleBar(p, w, 30);
    hline(p, 0, w - 1, 30, pal::accent);
    // Three sections: memory (headings at 38), version (225), support (324).
    const QRect sections[] = {{14, 33, 310, 164}, {14, 219, 310, 78}, {14, 318, 310, 84}};
    for (const QRect &s : sections) {
        p.setPen(QColor(48, 48, 52));
        p.setBrush(QColor(30, 30, 30));
        p.drawRect(s);
        hline(p, s.left() + 8, s.right() - 8, s.top() + 24, QColor(44, 44, 48));
    }
    p.setPen(pal::border);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(0, 0, w - 1, h - 1));
    return img;
}

QImage sliderPart(const SkinEntry &e, QImage bg, bool fill)
{
    QPainter p(&bg);
    const int groove = std::max(3, e.height / 5);
    const int y = (e.height - groove) / 2;
    if (fill) {
        p.fillRect(QRect(0, y, e.width, groove), pal::accent);
        hline(p, 0, e.width - 1, y, pal::accent.lighter(115));
    } else {
        p.fillRect(QRect(0, y, e.width, groove), QColor(58, 58, 62));
        hline(p, 0, e.width - 1, y, QColor(18, 18, 20));
    }
    return bg;
}

QImage thumb(const SkinEntry &e, const QColor &bg)
{
    return keyed(e.width, e.height, bg, pal::keyWhite, [&](QPainter &p) {
        const QRectF r(0.5, 0.5, e.width - 1.0, e.height - 1.0);
        p.setPen(QPen(QColor(18, 18, 20), 1));
        p.setBrush(QColor(214, 214, 218));
        p.drawEllipse(r);
        p.setPen(Qt::NoPen);
        p.setBrush(pal::accent);
        p.drawEllipse(r.center(), e.width / 5.0, e.height / 5.0);
    });
}

// --- buttons -------------------------------------------------------------------------------

struct Look {
    QColor plate, edge, ink;
    bool accentBar = false;
};

Look lookFor(const QString &state, const QString &glyph)
{
    if (state == QLatin1String("hover")) {
        if (glyph == QLatin1String("close"))
            return {QColor(192, 52, 42), QColor(214, 76, 64), QColor(255, 255, 255)};
        return {QColor(64, 64, 70), QColor(88, 88, 94), QColor(244, 244, 244)};
    }
    if (state == QLatin1String("pressed"))
        return {QColor(22, 22, 24), QColor(150, 116, 24), pal::accent, true};
    if (state == QLatin1String("disabled"))
        return {QColor(35, 35, 38), QColor(42, 42, 46), QColor(82, 82, 86)};
    if (state == QLatin1String("focus"))
        return {QColor(46, 46, 50), pal::accent, QColor(200, 200, 204)};
    return {QColor(46, 46, 50), QColor(62, 62, 67), QColor(200, 200, 204)};
}

QImage button(const SkinEntry &e, QImage img, SkinWords &words)
{
    const QString glyph = e.params.value(QStringLiteral("glyph"));
    const QString state = e.params.value(QStringLiteral("state"));
    const QString style = e.params.value(QStringLiteral("style"), QStringLiteral("plate"));
    const Look look = lookFor(state, glyph);
    const int w = e.width, h = e.height;
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    if (style == QLatin1String("tab")) {
        // Category tab: no frame; the chosen category has the accent underline.
        const QColor fill = state == QLatin1String("hover")     ? QColor(46, 46, 50)
                            : state == QLatin1String("pressed") ? QColor(20, 20, 22)
                                                                : QColor(34, 34, 37);
        p.fillRect(QRect(1, 1, w - 2, h - 2), fill);
        vline(p, w - 1, 4, h - 5, pal::frame);
        if (look.accentBar)
            p.fillRect(QRect(1, h - 4, w - 2, 3), pal::accent);
        else
            hline(p, 1, w - 2, h - 2, pal::separator);
        const QColor ink = state == QLatin1String("normal") ? QColor(164, 164, 168) : look.ink;
        label(p, QRect(4, 0, w - 8, h - 2), words(glyph.mid(6)), 12, ink, Qt::AlignCenter, true,
              words.FontFamilies());
        return img;
    }

    QString name = glyph;
    if (glyph == QLatin1String("checkbox") && state == QLatin1String("pressed"))
        name = QStringLiteral("checkbox-on");
    if (style == QLatin1String("plate")) {
        const QRectF plate(1.5, 1.5, w - 3.0, h - 3.0);
        p.setPen(QPen(look.edge, 1));
        p.setBrush(look.plate);
        p.drawRoundedRect(plate, 4, 4);
        const bool bar = look.accentBar && h >= 26; // too tight below the icon otherwise
        if (bar) {
            p.setPen(Qt::NoPen);
            p.setBrush(pal::accent);
            p.drawRoundedRect(QRectF(w / 2.0 - 7, h - 4.5, 14, 2), 1, 1);
        }
        const double size = std::min(h - 6.0, 18.0);
        const double glyphWidth = std::min(size * GlyphAspect(name), w - 8.0);
        const double dy = bar ? -1.0 : 0.0;
        DrawGlyph(p, name, QRectF((w - glyphWidth) / 2, (h - size) / 2 + dy, glyphWidth, size),
                  look.ink);
    } else {
        // Flat: the icon alone, the state shown by its colour and a faint plate on hover.
        if (state == QLatin1String("hover")) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 255, 255, 20));
            p.drawRoundedRect(QRectF(0.5, 0.5, w - 1.0, h - 1.0), 3, 3);
        }
        const QColor ink = state == QLatin1String("normal") ? QColor(170, 170, 174) : look.ink;
        const double size = std::min(w, h) - 2.0;
        DrawGlyph(p, name, QRectF((w - size) / 2, (h - size) / 2, size, size), ink);
    }
    return img;
}

QImage icon(const SkinEntry &e, QImage img)
{
    QPainter p(&img);
    const double size = std::min(e.width, e.height) - 2.0;
    DrawGlyph(p, e.params.value(QStringLiteral("glyph")),
              QRectF((e.width - size) / 2, (e.height - size) / 2, size, size),
              QColor(150, 150, 156));
    return img;
}

} // namespace

void PaintAppIcon(QPainter &p, int size)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    QLinearGradient body(0, 0, 0, s);
    body.setColorAt(0, QColor(250, 200, 52));
    body.setColorAt(1, QColor(226, 158, 12));
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawRoundedRect(QRectF(0.04 * s, 0.04 * s, 0.92 * s, 0.92 * s), 0.2 * s, 0.2 * s);
    const QPointF c(0.5 * s, 0.53 * s);
    p.setBrush(QColor(28, 28, 30));
    p.drawEllipse(c, 0.31 * s, 0.31 * s);
    p.setBrush(QColor(64, 64, 70));
    p.drawEllipse(c, 0.19 * s, 0.19 * s);
    p.setBrush(QColor(16, 16, 18));
    p.drawEllipse(c, 0.11 * s, 0.11 * s);
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawEllipse(QPointF(c.x() - 0.07 * s, c.y() - 0.07 * s), 0.035 * s, 0.035 * s);
    p.setBrush(QColor(208, 40, 32)); // the recording lamp
    p.drawEllipse(QPointF(0.8 * s, 0.2 * s), 0.06 * s, 0.06 * s);
    p.restore();
}

QImage AppIconImage(int size)
{
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    PaintAppIcon(p, size);
    return img;
}

std::optional<QImage> PaintSkinEntry(const SkinEntry &e, const SkinSurfaces &drawn,
                                     SkinWords &words)
{
    const int w = e.width, h = e.height;
    const QString &k = e.kind;
    std::optional<QImage> bg;
    if (e.params.contains(QStringLiteral("bg"))) {
        bg = background(e.params.value(QStringLiteral("bg")), w, h, drawn);
        if (!bg)
            return std::nullopt;
    }
    if (k == QLatin1String("main-skin"))
        return mainSkin(w, h, words);
    if (k == QLatin1String("video-empty"))
        return videoEmpty(w, h);
    if (k == QLatin1String("map-bar"))
        return mapBar(w, h, words);
    if (k == QLatin1String("graph"))
        return graphBackground(w, h);
    if (k == QLatin1String("digit"))
        return digit(w, h, e.params.value(QStringLiteral("digit")).toInt());
    if (k == QLatin1String("check-strip"))
        return checkStrip(w, h);
    if (k == QLatin1String("sb-arrow"))
        return scrollArrow(w, h, e.params.value(QStringLiteral("dir")) == QLatin1String("up"),
                           e.params.value(QStringLiteral("state")) == QLatin1String("pressed"));
    if (k == QLatin1String("sb-thumb"))
        return scrollThumb(w, h);
    if (k == QLatin1String("sb-track"))
        return scrollTrack(w, h);
    if (k == QLatin1String("strip"))
        return strip(w, h, e.params.value(QStringLiteral("edge")) == QLatin1String("top"));
    if (k == QLatin1String("text-bg"))
        return textBackground(w, h);
    if (k == QLatin1String("info-window"))
        return infoWindow(w, h);
    if (k == QLatin1String("app-icon"))
        return AppIconImage(w);
    if (!bg)
        return std::nullopt;
    if (k == QLatin1String("icon"))
        return icon(e, *bg);
    if (k == QLatin1String("button"))
        return button(e, *bg, words);
    if (k == QLatin1String("channel") || k == QLatin1String("fill"))
        return sliderPart(e, *bg, k == QLatin1String("fill"));
    if (k == QLatin1String("thumb"))
        return thumb(e, bg->pixelColor(w / 2, 0));
    return std::nullopt;
}
