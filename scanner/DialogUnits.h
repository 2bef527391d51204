// Dialog units of the tool's windows: a quarter of the font's average character width across, an
// eighth of its height down, so that the layout follows the font.
#pragma once

#include <QFont>
#include <QIcon>
#include <QRect>

class QStyle;

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    QRect Rect(int x, int y, int cx, int cy) const;

private:
    double m_dUnitX;
    double m_dUnitY;
};

// The application icon of the tool's windows.
QIcon ApplicationIcon(const QStyle& style);
