// DialogUnits: the average character width over the Latin letters, as dialog templates measure it.
#include "DialogUnits.h"

#include <QFontMetricsF>
#include <QStyle>
#include <cmath>

DialogUnits::DialogUnits(const QFont& font)
{
    const QFontMetricsF metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_dUnitX = metrics.horizontalAdvance(letters) / letters.size() / 4.0;
    m_dUnitY = metrics.height() / 8.0;
}

QRect DialogUnits::Rect(int x, int y, int cx, int cy) const
{
    const auto px = [](double d) { return static_cast<int>(std::lround(d)); };
    return QRect(px(x * m_dUnitX), px(y * m_dUnitY), px(cx * m_dUnitX), px(cy * m_dUnitY));
}

QIcon ApplicationIcon(const QStyle& style) { return style.standardIcon(QStyle::SP_DriveNetIcon); }
