#include "SkinGlyphs.h"

#include <QFont>
#include <QPainterPath>
#include <QPolygonF>

#include <functional>
#include <map>

namespace
{

// Everything below works in grid units (0..24); the painter is scaled to the box.
struct Pen {
    QPainter &p;
    QColor color;

    void line(double x1, double y1, double x2, double y2) { p.drawLine(QLineF(x1, y1, x2, y2)); }
    void poly(std::initializer_list<QPointF> pts, bool closed = false)
    {
        QPolygonF polygon(pts);
        if (closed)
            p.drawPolygon(polygon);
        else
            p.drawPolyline(polygon);
    }
    void fillPoly(std::initializer_list<QPointF> pts)
    {
        p.save();
        p.setBrush(color);
        p.drawPolygon(QPolygonF(pts));
        p.restore();
    }
    void fillRect(double x, double y, double w, double h)
    {
        p.save();
        p.setBrush(color);
        p.drawRoundedRect(QRectF(x, y, w, h), 0.8, 0.8);
        p.restore();
    }
    void circle(double cx, double cy, double r) { p.drawEllipse(QPointF(cx, cy), r, r); }
    void dot(double cx, double cy, double r)
    {
        p.save();
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawEllipse(QPointF(cx, cy), r, r);
        p.restore();
    }
    void rounded(double x, double y, double w, double h, double r)
    {
        p.drawRoundedRect(QRectF(x, y, w, h), r, r);
    }
    void text(const QRectF &r, const QString &s, double px)
    {
        p.save();
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(qRound(px)); // grid units; the scaled painter maps them
        f.setBold(true);
        p.setFont(f);
        p.setPen(color);
        p.drawText(r, Qt::AlignCenter, s);
        p.restore();
    }
};

void mapOutline(Pen &g)
{
    g.poly({{3, 6}, {9, 4}, {15, 6}, {21, 4}, {21, 18}, {15, 20}, {9, 18}, {3, 20}}, true);
    g.line(9, 4, 9, 18);
    g.line(15, 6, 15, 20);
}

void pin(Pen &g, double cx, double cy, double s)
{
    QPainterPath path;
    path.moveTo(cx, cy + 5 * s);
    path.cubicTo(cx - 4.5 * s, cy + 0.5 * s, cx - 4.5 * s, cy - 5 * s, cx, cy - 5 * s);
    path.cubicTo(cx + 4.5 * s, cy - 5 * s, cx + 4.5 * s, cy + 0.5 * s, cx, cy + 5 * s);
    g.p.drawPath(path);
    g.dot(cx, cy - 1.6 * s, 1.3 * s);
}

void screen(Pen &g)
{
    g.rounded(2.5, 5, 19, 14, 2);
}

void speakerBody(Pen &g)
{
    g.fillPoly({{3, 9}, {7, 9}, {12, 4.5}, {12, 19.5}, {7, 15}, {3, 15}});
}

using GlyphFn = std::function<void(Pen &)>;

const std::map<QString, GlyphFn> &glyphs()
{
    static const std::map<QString, GlyphFn> table = {
        {"close", [](Pen &g) { g.line(6, 6, 18, 18), g.line(18, 6, 6, 18); }},
        {"minimize", [](Pen &g) { g.line(6, 17, 18, 17); }},
        {"info",
         [](Pen &g) {
             g.circle(12, 12, 9);
             g.dot(12, 7.6, 1.3);
             g.line(12, 11, 12, 17);
         }},
        {"calendar",
         [](Pen &g) {
             g.rounded(4, 6, 16, 14, 2);
             g.line(4, 10.5, 20, 10.5);
             g.line(8.5, 3.5, 8.5, 8);
             g.line(15.5, 3.5, 15.5, 8);
             for (double x : {8.5, 12.0, 15.5})
                 g.dot(x, 15, 1.2);
         }},
        {"save",
         [](Pen &g) {
             g.line(12, 3.5, 12, 14.5);
             g.poly({{7.5, 10}, {12, 14.5}, {16.5, 10}});
             g.poly({{4, 15}, {4, 20}, {20, 20}, {20, 15}});
         }},
        {"delete",
         [](Pen &g) {
             g.line(4, 7, 20, 7);
             g.poly({{9, 7}, {9, 4}, {15, 4}, {15, 7}});
             g.poly({{6, 7}, {7, 20}, {17, 20}, {18, 7}});
             g.line(10, 10.5, 10, 16.5);
             g.line(14, 10.5, 14, 16.5);
         }},
        {"folder",
         [](Pen &g) {
             g.poly({{3, 6}, {9.5, 6}, {11.5, 8.5}, {21, 8.5}, {21, 19}, {3, 19}}, true);
         }},
        {"flipv",
         [](Pen &g) {
             g.line(1.5, 12, 22.5, 12);
             g.fillPoly({{12, 2}, {4.5, 9.5}, {19.5, 9.5}});
             g.poly({{12, 22}, {4.5, 14.5}, {19.5, 14.5}}, true);
         }},
        {"fliph",
         [](Pen &g) {
             g.line(12, 1.5, 12, 22.5);
             g.fillPoly({{2, 12}, {9.5, 4.5}, {9.5, 19.5}});
             g.poly({{22, 12}, {14.5, 4.5}, {14.5, 19.5}}, true);
         }},
        {"capture",
         [](Pen &g) {
             g.poly({{3, 8}, {7.5, 8}, {9, 5}, {15, 5}, {16.5, 8}, {21, 8}, {21, 19}, {3, 19}},
                    true);
             g.circle(12, 13.3, 3.6);
         }},
        {"extend",
         [](Pen &g) {
             g.poly({{4, 9}, {4, 4}, {9, 4}});
             g.poly({{15, 4}, {20, 4}, {20, 9}});
             g.poly({{20, 15}, {20, 20}, {15, 20}});
             g.poly({{9, 20}, {4, 20}, {4, 15}});
         }},
        {"reduce",
         [](Pen &g) {
             g.poly({{9, 4}, {9, 9}, {4, 9}});
             g.poly({{15, 4}, {15, 9}, {20, 9}});
             g.poly({{20, 15}, {15, 15}, {15, 20}});
             g.poly({{4, 15}, {9, 15}, {9, 20}});
         }},
        {"play",
         [](Pen &g) {
             g.fillPoly({{7, 4}, {19.5, 12}, {7, 20}});
         }},
        {"pause", [](Pen &g) { g.fillRect(6, 4.5, 4, 15), g.fillRect(14, 4.5, 4, 15); }},
        {"rewind",
         [](Pen &g) {
             g.fillPoly({{12, 5.5}, {2.5, 12}, {12, 18.5}});
             g.fillPoly({{21.5, 5.5}, {12, 12}, {21.5, 18.5}});
         }},
        {"forward",
         [](Pen &g) {
             g.fillPoly({{12, 5.5}, {21.5, 12}, {12, 18.5}});
             g.fillPoly({{2.5, 5.5}, {12, 12}, {2.5, 18.5}});
         }},
        {"prev",
         [](Pen &g) {
             g.fillRect(4.5, 5, 3, 14);
             g.fillPoly({{19.5, 5}, {8.5, 12}, {19.5, 19}});
         }},
        {"next",
         [](Pen &g) {
             g.fillRect(16.5, 5, 3, 14);
             g.fillPoly({{4.5, 5}, {15.5, 12}, {4.5, 19}});
         }},
        {"showmap", [](Pen &g) { mapOutline(g); }},
        {"hidemap",
         [](Pen &g) {
             mapOutline(g);
             g.line(3.5, 3, 20.5, 21);
         }},
        {"largemap",
         [](Pen &g) {
             g.poly({{3, 8}, {3, 3}, {8, 3}});
             g.poly({{16, 3}, {21, 3}, {21, 8}});
             g.poly({{21, 16}, {21, 21}, {16, 21}});
             g.poly({{8, 21}, {3, 21}, {3, 16}});
             pin(g, 12, 12, 1.1);
         }},
        {"reducemap",
         [](Pen &g) {
             g.poly({{7, 2.5}, {7, 7}, {2.5, 7}});
             g.poly({{17, 2.5}, {17, 7}, {21.5, 7}});
             g.poly({{21.5, 17}, {17, 17}, {17, 21.5}});
             g.poly({{2.5, 17}, {7, 17}, {7, 21.5}});
             pin(g, 12, 12, 0.8);
         }},
        {"pin", [](Pen &g) { pin(g, 12, 12, 1.6); }},
        {"speaker",
         [](Pen &g) {
             speakerBody(g);
             g.p.drawArc(QRectF(10, 8, 8, 8), -50 * 16, 100 * 16);
             g.p.drawArc(QRectF(8, 4.5, 15, 15), -50 * 16, 100 * 16);
         }},
        {"muted",
         [](Pen &g) {
             speakerBody(g);
             g.line(15, 9, 21, 15);
             g.line(21, 9, 15, 15);
         }},
        {"speed",
         [](Pen &g) {
             g.p.drawArc(QRectF(3, 5, 18, 18), -20 * 16, 220 * 16);
             g.line(12, 14, 16.5, 8.5);
             g.dot(12, 14, 1.8);
         }},
        {"brightness",
         [](Pen &g) {
             g.circle(12, 12, 4);
             for (int i = 0; i < 8; ++i) {
                 QLineF ray = QLineF::fromPolar(9.5, i * 45.0).translated(12, 12);
                 QLineF inner = QLineF::fromPolar(6.8, i * 45.0).translated(12, 12);
                 g.line(inner.x2(), inner.y2(), ray.x2(), ray.y2());
             }
         }},
        {"filelist",
         [](Pen &g) {
             for (double y : {6.0, 12.0, 18.0}) {
                 g.dot(4.5, y, 1.4);
                 g.line(8.5, y, 20, y);
             }
         }},
        {"front",
         [](Pen &g) {
             screen(g);
             g.text(QRectF(1, 3.5, 22, 17), QStringLiteral("1"), 14);
         }},
        {"rear",
         [](Pen &g) {
             screen(g);
             g.text(QRectF(1, 3.5, 22, 17), QStringLiteral("2"), 14);
         }},
        {"checkbox", [](Pen &g) { g.rounded(5, 5, 14, 14, 2.5); }},
        {"checkbox-on",
         [](Pen &g) {
             g.rounded(5, 5, 14, 14, 2.5);
             g.poly({{8.5, 12.3}, {11, 15}, {16, 9}});
         }},
        {"lens",
         [](Pen &g) {
             g.circle(12, 12, 8.5);
             g.circle(12, 12, 4.5);
             g.dot(12, 12, 1.8);
         }},
    };
    return table;
}

// Glyphs on a 36 x 24 grid, for icons that need more width than height: both pictures side
// by side, each as large as the single-picture glyphs' figures.
const std::map<QString, GlyphFn> &wideGlyphs()
{
    static const std::map<QString, GlyphFn> table = {
        {"all",
         [](Pen &g) {
             g.rounded(1, 5, 15, 14, 2);
             g.rounded(20, 5, 15, 14, 2);
             g.text(QRectF(1, 3.5, 15, 17), QStringLiteral("1"), 13);
             g.text(QRectF(20, 3.5, 15, 17), QStringLiteral("2"), 13);
         }},
    };
    return table;
}

} // namespace

double GlyphAspect(const QString &name)
{
    return wideGlyphs().count(name) ? 1.5 : 1.0;
}

bool DrawGlyph(QPainter &painter, const QString &name, const QRectF &box, const QColor &color,
               double strokePx)
{
    const double gridWidth = 24 * GlyphAspect(name);
    auto it = glyphs().find(name);
    if (it == glyphs().end()) {
        it = wideGlyphs().find(name);
        if (it == wideGlyphs().end())
            return false;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.translate(box.topLeft());
    const double scale = std::min(box.width() / gridWidth, box.height() / 24.0);
    painter.translate((box.width() - gridWidth * scale) / 2, (box.height() - 24 * scale) / 2);
    painter.scale(scale, scale);
    QPen pen(color, strokePx / scale, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    Pen g{painter, color};
    it->second(g);
    painter.restore();
    return true;
}
