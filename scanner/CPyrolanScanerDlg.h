// The configuration tool's dialog: address and port, Scan, the status line and Save, driving the scan
// on its 10 ms timer.
#pragma once

#include "CScanner.h"
#include "IScanView.h"

#include <QDialog>
#include <QTimer>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

class CPyrolanScanerDlg : public QDialog, public IScanView {
    Q_OBJECT
public:
    // strConfigPath: the configuration file that pre-fills the fields and that Save proposes.
    explicit CPyrolanScanerDlg(std::string strConfigPath, QWidget* pParent = nullptr);
    ~CPyrolanScanerDlg() override;

    // Start-up: pre-fills address and port, allocates the receive buffers. False after its error box;
    // the dialog is then not to be shown.
    bool Initialize();

    // The Save button's work once a path was chosen.
    void SaveTo(const QString& strPath);
    const std::string& ConfigurationPath() const { return m_strConfigPath; }
    const CScanner& Scanner() const { return m_scanner; }

    void SetStatusText(const std::string& strText) override;
    void ShowMessage(const std::string& strText, eScanMessage eIcon) override;
    void StartScanTimer() override;
    void StopScanTimer() override;
    void EnableAllControls() override;

public slots:
    void OnScan();
    void OnSave();
    void OnAbout();
    void done(int nResult) override;

protected:
    void keyPressEvent(QKeyEvent* pEvent) override;

private:
    QLineEdit* m_pEditAddress;
    QLineEdit* m_pEditPort;
    QPushButton* m_pButtonScan;
    QPushButton* m_pButtonSave;
    QLabel* m_pStatus;
    std::string m_strConfigPath;
    QTimer m_timerScan;
    CScanner m_scanner;
};
