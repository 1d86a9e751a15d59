#include "ui/SkinBitmap.h"

#include <QFile>
#include <QFontMetrics>
#include <QLoggingCategory>
#include <QPixmapCache>

#include <algorithm>

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

Q_LOGGING_CATEGORY(lcSkin, "quorvil.ui.skin")

QString SkinBitmapPath(int id)
{
    return QStringLiteral(":/skin/%1.png").arg(id);
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
        qCDebug(lcSkin) << "no skin bitmap" << id;
    return pixmap;
}

QImage LoadSkinImage(int id)
{
    EnsureSkinResources();
    QImage image(SkinBitmapPath(id));
    if (image.isNull())
        qCDebug(lcSkin) << "no skin bitmap" << id;
    return image;
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

QFont MakeSkinFont(const QString &face, int cellHeight, int weight)
{
    QFont font;
    font.setFamilies({face, QStringLiteral("Noto Sans CJK KR"), QStringLiteral("Noto Sans CJK JP"),
                      QStringLiteral("DejaVu Sans")});
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setStyleStrategy(QFont::PreferAntialias);
    // A Windows height counts the whole cell; find the largest em size whose cell fits.
    int pixelSize = std::max(1, cellHeight);
    for (; pixelSize > 1; --pixelSize) {
        font.setPixelSize(pixelSize);
        if (QFontMetrics(font).height() <= cellHeight)
            break;
    }
    font.setPixelSize(pixelSize);
    return font;
}
