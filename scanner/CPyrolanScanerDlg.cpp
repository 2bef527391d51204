// CPyrolanScanerDlg: controls, enabling, message boxes and the save flow.
#include "CPyrolanScanerDlg.h"

#include "CAboutDlg.h"
#include "DialogUnits.h"
#include "ScannerStartup.h"

#include <QAction>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace {
constexpr int kScanTimerMs = 10;
const QString kCaption = QStringLiteral("PyrolanScaner4Init");

QString StatusForDisplay(const std::string& strText)
{
    QString text = QString::fromStdString(strText);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}
} // namespace

CPyrolanScanerDlg::CPyrolanScanerDlg(std::string strConfigPath, QWidget* pParent)
    : QDialog(pParent), m_strConfigPath(std::move(strConfigPath)), m_scanner(*this)
{
    setWindowTitle(QStringLiteral("PyrolanScaner (Init PyrolanServer)"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowIcon(ApplicationIcon(*style()));
    const DialogUnits units(font());

    // Fixed geometry: the controls keep their places when the window is resized.
    auto* pLabelIp = new QLabel(QStringLiteral("IP:"), this);
    pLabelIp->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    pLabelIp->setGeometry(units.Rect(10, 7, 20, 14));
    m_pEditAddress = new QLineEdit(this);
    m_pEditAddress->setObjectName(QStringLiteral("editAddress"));
    m_pEditAddress->setGeometry(units.Rect(33, 7, 75, 14));
    auto* pLabelPort = new QLabel(QStringLiteral("Port:"), this);
    pLabelPort->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    pLabelPort->setGeometry(units.Rect(3, 25, 27, 14));
    m_pEditPort = new QLineEdit(this);
    m_pEditPort->setObjectName(QStringLiteral("editPort"));
    m_pEditPort->setGeometry(units.Rect(33, 25, 40, 14));
    m_pEditPort->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_pEditPort));
    m_pButtonScan = new QPushButton(QStringLiteral("Scan"), this);
    m_pButtonScan->setObjectName(QStringLiteral("buttonScan"));
    m_pButtonScan->setGeometry(units.Rect(187, 7, 79, 33));
    m_pButtonScan->setAutoDefault(false);
    m_pStatus = new QLabel(QStringLiteral("..."), this);
    m_pStatus->setObjectName(QStringLiteral("status"));
    m_pStatus->setAlignment(Qt::AlignCenter);
    m_pStatus->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_pStatus->setWordWrap(true);
    m_pStatus->setGeometry(units.Rect(7, 45, 259, 41));
    m_pButtonSave = new QPushButton(QStringLiteral("Save Detected Configuration"), this);
    m_pButtonSave->setObjectName(QStringLiteral("buttonSave"));
    m_pButtonSave->setGeometry(units.Rect(7, 92, 259, 14));
    m_pButtonSave->setAutoDefault(false);
    setTabOrder(m_pEditAddress, m_pEditPort);
    setTabOrder(m_pEditPort, m_pButtonScan);
    setTabOrder(m_pButtonScan, m_pButtonSave);
    resize(units.Rect(0, 0, 273, 113).size());

    // The window's context menu stands in for the system menu of other platforms.
    auto* pAbout = new QAction(QStringLiteral("&About PyrolanScaner4Init..."), this);
    pAbout->setObjectName(QStringLiteral("actionAbout"));
    addAction(pAbout);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    m_timerScan.setInterval(kScanTimerMs);
    connect(&m_timerScan, &QTimer::timeout, this, [this] { m_scanner.OnScanTimer(); });
    connect(m_pButtonScan, &QPushButton::clicked, this, &CPyrolanScanerDlg::OnScan);
    connect(m_pButtonSave, &QPushButton::clicked, this, &CPyrolanScanerDlg::OnSave);
    connect(pAbout, &QAction::triggered, this, &CPyrolanScanerDlg::OnAbout);
}

CPyrolanScanerDlg::~CPyrolanScanerDlg() { m_scanner.StopScan(); }

bool CPyrolanScanerDlg::Initialize()
{
    std::u16string strAddress = m_scanner.Address();
    std::int32_t nPort = m_scanner.Port();
    ReadInstrumentDefaults(m_strConfigPath, strAddress, nPort);
    m_scanner.SetInstrument(strAddress, nPort);
    if (!m_scanner.AllocateBuffers()) {
        ShowMessage("Can't allocate memory", eScanMessage_Error);
        return false;
    }
    m_pEditAddress->setText(QString::fromStdU16String(strAddress));
    m_pEditPort->setText(QString::number(nPort));
    m_pButtonScan->setEnabled(true);
    m_pButtonSave->setEnabled(false);
    return true;
}

void CPyrolanScanerDlg::OnScan()
{
    bool bNumber = false;
    std::int32_t nPort = m_pEditPort->text().trimmed().toInt(&bNumber);
    if (!bNumber)
        nPort = 0;
    if (m_scanner.Scan(m_pEditAddress->text().toStdU16String(), nPort)) {
        m_pEditAddress->setEnabled(false);
        m_pEditPort->setEnabled(false);
        m_pButtonScan->setEnabled(false);
    }
}

void CPyrolanScanerDlg::OnSave()
{
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("ini"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile(QString::fromStdString(m_strConfigPath));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    SaveTo(dialog.selectedFiles().constFirst());
}

void CPyrolanScanerDlg::SaveTo(const QString& strPath)
{
    m_strConfigPath = strPath.toStdString();
    std::string strError;
    if (!m_scanner.Save(m_strConfigPath, strError))
        ShowMessage(strError, eScanMessage_Warning);
}

void CPyrolanScanerDlg::OnAbout()
{
    CAboutDlg about(this);
    about.exec();
}

void CPyrolanScanerDlg::done(int nResult)
{
    // The window goes only after the timer stopped and the receive thread ended.
    m_scanner.StopScan();
    QDialog::done(nResult);
}

void CPyrolanScanerDlg::keyPressEvent(QKeyEvent* pEvent)
{
    // Neither button is the default one: Enter closes the dialog unless a button has the focus.
    if ((pEvent->key() == Qt::Key_Return || pEvent->key() == Qt::Key_Enter) && pEvent->modifiers() == Qt::NoModifier) {
        if (auto* pButton = qobject_cast<QPushButton*>(focusWidget()))
            pButton->click();
        else
            accept();
        return;
    }
    QDialog::keyPressEvent(pEvent);
}

void CPyrolanScanerDlg::SetStatusText(const std::string& strText) { m_pStatus->setText(StatusForDisplay(strText)); }

void CPyrolanScanerDlg::ShowMessage(const std::string& strText, eScanMessage eIcon)
{
    QMessageBox box(eIcon == eScanMessage_Error ? QMessageBox::Critical : QMessageBox::Warning, kCaption,
                    QString::fromStdString(strText), QMessageBox::Ok, this);
    box.exec();
}

void CPyrolanScanerDlg::StartScanTimer() { m_timerScan.start(); }

void CPyrolanScanerDlg::StopScanTimer() { m_timerScan.stop(); }

void CPyrolanScanerDlg::EnableAllControls()
{
    m_pEditAddress->setEnabled(true);
    m_pEditPort->setEnabled(true);
    m_pButtonScan->setEnabled(true);
    m_pButtonSave->setEnabled(true);
}
