// CAboutDlg: laid out in dialog units like the main dialog.
#include "CAboutDlg.h"

#include "DialogUnits.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>

CAboutDlg::CAboutDlg(QWidget* pParent) : QDialog(pParent)
{
    setWindowTitle(QStringLiteral("About PyrolanScaner4Init"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    const DialogUnits units(font());

    auto* pIcon = new QLabel(this);
    const int nIconSize = style()->pixelMetric(QStyle::PM_LargeIconSize);
    pIcon->setPixmap(ApplicationIcon(*style()).pixmap(nIconSize, nIconSize));
    pIcon->move(units.Rect(14, 14, 0, 0).topLeft());
    pIcon->resize(nIconSize, nIconSize);

    auto* pName = new QLabel(QStringLiteral("PyrolanScaner4Init, Version 1.0"), this);
    pName->setGeometry(units.Rect(42, 14, 114, 8));
    auto* pLine = new QLabel(QStringLiteral("Writes the configuration of PyrolanServer"), this);
    pLine->setGeometry(units.Rect(42, 26, 150, 8));

    auto* pOk = new QPushButton(QStringLiteral("OK"), this);
    pOk->setGeometry(units.Rect(138, 41, 50, 14));
    pOk->setDefault(true);
    connect(pOk, &QPushButton::clicked, this, &QDialog::accept);

    resize(units.Rect(0, 0, 195, 62).size());
}
