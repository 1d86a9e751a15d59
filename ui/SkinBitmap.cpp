#include "ui/SkinBitmap.h"

#include "ui/AppMainWindow.h"
#include "ui/SkinWordSets.h"
#include "ui/UiLogging.h"

#include <QBitmap>
#include <QFile>
#include <QPixmapCache>

#include <algorithm>
#include <cmath>

// The resources live in a static library; make sure they are registered before the first
// look-up, whichever executable links us.
static void EnsureSkinResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(quorvil_skin);
        return true;
    }();
    (void)registered;
}

QString SkinBitmapPath(int id, std::uint16_t language)
{
    EnsureSkinResources();
    const QString localized = QStringLiteral(":/skin/%1/%2.png").arg(language).arg(id);
    return QFile::exists(localized) ? localized : QStringLiteral(":/skin/%1.png").arg(id);
}

QString SkinBitmapPath(int id)
{
    const IAppMainWindow *window = GetAppMainWindow();
    return window ? SkinBitmapPath(id, window->GetLanguage())
                  : QStringLiteral(":/skin/%1.png").arg(id);
}

bool HasSkinBitmap(int id)
{
    EnsureSkinResources();
    return QFile::exists(SkinBitmapPath(id));
}

QPixmap LoadSkinBitmap(int id)
{
    EnsureSkinResources();
    QPixmap pixmap;
    // QPixmap::load keeps decoded resources in QPixmapCache, so repeated skin changes are cheap.
    if (!pixmap.load(SkinBitmapPath(id)))
        qCDebug(lcUi) << "no skin bitmap" << id;
    return pixmap;
}

QImage LoadSkinImage(int id)
{
    EnsureSkinResources();
    QImage image(SkinBitmapPath(id));
    if (image.isNull())
        qCDebug(lcUi) << "no skin bitmap" << id;
    return image;
}

QPixmap ApplyColorKey(QPixmap pixmap, const QColor &key)
{
    if (!pixmap.isNull())
        pixmap.setMask(pixmap.createMaskFromColor(key, Qt::MaskInColor));
    return pixmap;
}

QImage ApplyColorKey(const QImage &image, const QColor &key)
{
    if (image.isNull())
        return image;
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb match = key.rgb() | 0xFF000000u;
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((line[x] | 0xFF000000u) == match && qAlpha(line[x]) == 255)
                line[x] = 0;
    }
    return out;
}

QPixmap LoadSkinBitmapKeyed(int id, const QColor &key)
{
    return ApplyColorKey(LoadSkinBitmap(id), key);
}

QIcon LoadAppIcon()
{
    EnsureSkinResources();
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString path = QStringLiteral(":/icons/128-%1.png").arg(size);
        if (QFile::exists(path))
            icon.addFile(path, QSize(size, size));
    }
    if (QFile::exists(QStringLiteral(":/icons/128.svg")))
        icon.addFile(QStringLiteral(":/icons/128.svg"));
    return icon;
}

namespace
{

// Cell height per em and ascent per cell of the Windows faces the windows name. The Malgun
// Gothic figure is a little above the face's own 1.33: the CJK fallback runs wider, and the
// windows' text boxes were measured for the original face.
struct FaceProportions {
    double cellPerEm;
    double ascentPerCell;
};

FaceProportions ProportionsOf(const QString &face)
{
    static const struct {
        const char16_t *name;
        FaceProportions proportions;
    } faces[] = {
        {u"맑은 고딕", {1.42, 0.81}}, {u"Malgun Gothic", {1.42, 0.81}}, {u"굴림", {1.0, 0.86}},
        {u"Gulim", {1.0, 0.86}},      {u"MS Sans Serif", {1.22, 0.85}},
    };
    for (const auto &f : faces) {
        if (face.compare(QString::fromUtf16(f.name), Qt::CaseInsensitive) == 0)
            return f.proportions;
    }
    return {1.2, 0.8};
}

} // namespace

QFont MakeSkinFont(const QString &face, int cellHeight, int weight)
{
    QFont font;
    font.setFamilies({face, QStringLiteral("Noto Sans CJK KR"), QStringLiteral("Noto Sans CJK JP"),
                      QStringLiteral("DejaVu Sans")});
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setStyleStrategy(QFont::PreferAntialias);
    const double em = std::max(1, cellHeight) / ProportionsOf(face).cellPerEm;
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(em))));
    return font;
}

int SkinFontWindowsAscent(const QString &face, int cellHeight)
{
    return static_cast<int>(std::lround(cellHeight * ProportionsOf(face).ascentPerCell));
}
