#include "sensors/widgets/CSpeedReadout.h"

#include "sensors/CSensorLoader.h"
#include "ui/SkinBitmap.h"

#include <QPainter>

namespace
{

const QColor kTransparentKey(0, 255, 0);

} // namespace

QPoint CSpeedReadout::Position(int mapState)
{
    return {830, mapState == 8 ? 445 : 643};
}

bool CSpeedReadout::IsShown(int displayMode, int mapState)
{
    return displayMode == 1 && mapState != 16;
}

QImage CSpeedReadout::DrawSpeedDigits(int n)
{
    if (n < 0)
        return {};
    QImage readout(kSize, QImage::Format_RGB32);
    readout.fill(kTransparentKey);
    QPainter painter(&readout);
    const int digits[] = {n / 100 % 10, n / 10 % 10, n % 10};
    for (int i = 0; i < 3; ++i)
        painter.drawImage(
            QPoint(i * 10, 0),
            ApplyColorKey(LoadSkinImage(kFirstDigitBitmap + digits[i]), kTransparentKey));
    return readout;
}

bool CSpeedReadout::Update(std::uint32_t position, const std::vector<CGPSData> &fixes)
{
    const std::optional<std::size_t> index = CSensorLoader::FindSpeedFix(fixes, position);
    if (!index || !fixes[*index].m_bValid) {
        Show(0);
        return true;
    }
    const std::size_t i = *index;
    const double v = fixes[i].m_dSpeed;
    const double p = i >= 2 ? fixes[i - 1].m_dSpeed : 0.0;
    const int speed = static_cast<int>(v);
    if (v == p && v != 0.0 && m_nShown == speed)
        return false;
    Show(speed);
    return true;
}

void CSpeedReadout::Clear()
{
    m_nShown.reset();
    m_image = QImage();
}

void CSpeedReadout::Show(int n)
{
    // A standstill redraws 0 on every tick: the digits are only made again for another number.
    if (m_nShown == n && !m_image.isNull())
        return;
    m_nShown = n;
    // Keyed once here, not on every paint.
    m_image = ApplyColorKey(DrawSpeedDigits(n), kTransparentKey);
}

void CSpeedReadout::Paint(QPainter &painter, int mapState) const
{
    if (!m_image.isNull())
        painter.drawImage(Position(mapState), m_image);
}
