#include "CInstrumentSimulator.h"
#include "CPyrolanScanerDlg.h"
#include "TempDir.h"
#include "WaitUntil.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Closes every message box (and About box) that opens, after letting it stand for a while so that
// timer ticks fall while it is open, and notes what it showed.
class CBoxCloser {
public:
    explicit CBoxCloser(int nStandMs = 0)
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this, nStandMs] {
            QWidget* pModal = QApplication::activeModalWidget();
            if (pModal == nullptr)
                return;
            if (pModal != m_pSeen) {
                m_pSeen = pModal;
                m_nOpenTicks = 0;
                if (auto* pBox = qobject_cast<QMessageBox*>(pModal)) {
                    m_vTexts.push_back(pBox->text());
                    m_vCaptions.push_back(pBox->windowTitle());
                    m_vIcons.push_back(pBox->icon());
                } else {
                    m_vTexts.push_back(pModal->windowTitle());
                    m_vCaptions.push_back({});
                    m_vIcons.push_back(QMessageBox::NoIcon);
                }
                m_bBusyWhileOpen = IsScanTimerBusy();
            }
            m_nMaxBoxes = std::max(m_nMaxBoxes, static_cast<int>(OpenBoxes()));
            if (++m_nOpenTicks * 10 >= nStandMs) {
                m_pSeen = nullptr;
                qobject_cast<QDialog*>(pModal)->done(QDialog::Accepted);
            }
        });
        m_timer.start();
    }

    static qsizetype OpenBoxes()
    {
        qsizetype n = 0;
        for (QWidget* pWidget : QApplication::topLevelWidgets())
            if (qobject_cast<QMessageBox*>(pWidget) != nullptr && pWidget->isVisible())
                ++n;
        return n;
    }

    QStringList m_vTexts;
    QStringList m_vCaptions;
    std::vector<QMessageBox::Icon> m_vIcons;
    int m_nMaxBoxes = 0;
    bool m_bBusyWhileOpen = false;

private:
    QTimer m_timer;
    QWidget* m_pSeen = nullptr;
    int m_nOpenTicks = 0;
};

bool ProcessUntil(const std::function<bool()>& condition)
{
    return WaitUntil([&] {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return condition();
    });
}

class AScanerDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (QApplication::instance() == nullptr) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            static int argc = 1;
            static char name[] = "scanner_dialog_tests";
            static char* argv[] = {name, nullptr};
            new QApplication(argc, argv);
        }
    }

    // A small plant keeps a scan to about a second of 10 ms ticks.
    static SimPlant OneChannel()
    {
        SimPlant plant;
        plant.vChannels.push_back({3, {{1, 1, 0.0, 10.0}, {2, 1, 10.0, 20.0}}, 200});
        return plant;
    }

    void SetUp() override { ASSERT_TRUE(m_sim.Start()); }

    std::unique_ptr<CPyrolanScanerDlg> MakeDialog(const std::string& strConfig = {})
    {
        auto pDialog = std::make_unique<CPyrolanScanerDlg>(strConfig.empty() ? m_dir.File("PyrolanServer.ini") : strConfig);
        EXPECT_TRUE(pDialog->Initialize());
        pDialog->show();
        m_pAddress = pDialog->findChild<QLineEdit*>("editAddress");
        m_pPort = pDialog->findChild<QLineEdit*>("editPort");
        m_pScan = pDialog->findChild<QPushButton*>("buttonScan");
        m_pSave = pDialog->findChild<QPushButton*>("buttonSave");
        m_pStatus = pDialog->findChild<QLabel*>("status");
        return pDialog;
    }

    // Address, port, Scan, Save.
    std::vector<bool> Enabled() const
    {
        return {m_pAddress->isEnabled(), m_pPort->isEnabled(), m_pScan->isEnabled(), m_pSave->isEnabled()};
    }

    void PressScan(std::uint16_t wPort)
    {
        m_pAddress->setText(QStringLiteral("127.0.0.1"));
        m_pPort->setText(QString::number(wPort));
        m_pScan->click();
    }

    TempDir m_dir;
    CInstrumentSimulator m_sim{OneChannel()};
    QLineEdit* m_pAddress = nullptr;
    QLineEdit* m_pPort = nullptr;
    QPushButton* m_pScan = nullptr;
    QPushButton* m_pSave = nullptr;
    QLabel* m_pStatus = nullptr;
};

const std::vector<bool> kAllEnabled{true, true, true, true};
const std::vector<bool> kReady{true, true, true, false};

TEST_F(AScanerDialog, StartsWithTheDefaultsAndOnlyScanUsableWithoutAConfigurationFile)
{
    auto pDialog = MakeDialog();
    EXPECT_EQ(pDialog->windowTitle(), "PyrolanScaner (Init PyrolanServer)");
    EXPECT_EQ(m_pAddress->text(), "127.0.0.1");
    EXPECT_EQ(m_pPort->text(), "31850");
    EXPECT_EQ(m_pStatus->text(), "...");
    EXPECT_EQ(m_pScan->text(), "Scan");
    EXPECT_EQ(m_pSave->text(), "Save Detected Configuration");
    EXPECT_EQ(Enabled(), kReady);
}

TEST_F(AScanerDialog, PreFillsAddressAndPortFromTheLastKeysOfAFileInAnyCaseAndEncoding)
{
    const std::u16string text = u"ip=127.0.0.21\r\nCntChan=0\r\nIP= 127.0.0.22 \r\nport=abc\r\n";
    std::string bytes = "\xFF\xFE";
    for (const char16_t c : text)
        bytes += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    auto pDialog = MakeDialog(m_dir.Write("PyrolanServer.ini", bytes));
    EXPECT_EQ(m_pAddress->text(), " 127.0.0.22 ");
    EXPECT_EQ(m_pPort->text(), "0");
}

TEST_F(AScanerDialog, FollowsTheEnablingTableThroughTwoScansAndSavesTheInstrumentOfTheLastScan)
{
    auto pDialog = MakeDialog();
    PressScan(m_sim.Port());
    EXPECT_EQ(Enabled(), (std::vector<bool>{false, false, false, false}));
    ASSERT_TRUE(ProcessUntil([&] { return m_pStatus->text().startsWith("Scan channel 3 [1/1]  segment"); }));
    ASSERT_TRUE(ProcessUntil([&] { return m_pScan->isEnabled(); }));
    EXPECT_EQ(m_pStatus->text(), "Scan finished successfully\nDetected 2 valid segments");
    EXPECT_EQ(Enabled(), kAllEnabled);

    // A second scan keeps Save usable while it runs.
    PressScan(m_sim.Port());
    EXPECT_EQ(Enabled(), (std::vector<bool>{false, false, false, true}));
    ASSERT_TRUE(ProcessUntil([&] { return m_pScan->isEnabled(); }));

    m_pAddress->setText(QStringLiteral("127.0.0.29"));
    m_pPort->setText(QStringLiteral("1"));
    const std::string path = m_dir.File("saved.ini");
    pDialog->SaveTo(QString::fromStdString(path));
    EXPECT_EQ(pDialog->ConfigurationPath(), path);
    EXPECT_EQ(ReadWholeFile(path), m_sim.Plant().ConfigText("127.0.0.1", m_sim.Port(), "PostPlay"));
}

TEST_F(AScanerDialog, ShowsAFailedStepOnceWhileTicksFallAndKeepsTheControlsDisabled)
{
    m_sim.SetSequenceState(0, true);
    auto pDialog = MakeDialog();
    CBoxCloser closer(200);
    PressScan(m_sim.Port());
    ASSERT_TRUE(ProcessUntil([&] { return m_pStatus->text() == " " && !pDialog->Scanner().IsConnected(); }));
    ASSERT_TRUE(ProcessUntil([&] { return CBoxCloser::OpenBoxes() == 0; }));
    EXPECT_EQ(closer.m_vTexts, QStringList{"ERROR on step 1/0/0 #3!"});
    EXPECT_EQ(closer.m_vCaptions, QStringList{"PyrolanScaner4Init"});
    EXPECT_EQ(closer.m_vIcons, std::vector<QMessageBox::Icon>{QMessageBox::Warning});
    EXPECT_EQ(closer.m_nMaxBoxes, 1);
    EXPECT_TRUE(closer.m_bBusyWhileOpen);
    EXPECT_FALSE(IsScanTimerBusy());
    EXPECT_EQ(m_sim.ReceivedCommands(), std::vector<std::string>{":MEAS:SEQ:STAT?\n"});
    EXPECT_EQ(Enabled(), (std::vector<bool>{false, false, false, false}));
}

TEST_F(AScanerDialog, KeepsTheFieldsUsableWhenItCannotConnect)
{
    auto pDialog = MakeDialog();
    const std::uint16_t wClosedPort = m_sim.Port();
    m_sim.Stop();
    CBoxCloser closer;
    PressScan(wClosedPort);
    EXPECT_EQ(closer.m_vTexts, QStringList{"Can't connect socket, ERROR = 111."});
    EXPECT_EQ(closer.m_vIcons, std::vector<QMessageBox::Icon>{QMessageBox::Warning});
    EXPECT_EQ(m_pStatus->text(), " ");
    EXPECT_EQ(Enabled(), kReady);
}

TEST_F(AScanerDialog, ShowsOneFileErrorWhenTheFileCannotBeCreated)
{
    auto pDialog = MakeDialog();
    CBoxCloser closer;
    const std::string path = m_dir.File("missing/PyrolanServer.ini");
    pDialog->SaveTo(QString::fromStdString(path));
    ASSERT_EQ(closer.m_vTexts.size(), 1);
    EXPECT_TRUE(closer.m_vTexts[0].contains(QString::fromStdString(path)));
    EXPECT_EQ(closer.m_vCaptions, QStringList{"PyrolanScaner4Init"});
    EXPECT_EQ(Enabled(), kReady);
}

TEST_F(AScanerDialog, ClosingDuringAScanEndsTheConnectionFirst)
{
    auto pDialog = MakeDialog();
    PressScan(m_sim.Port());
    ASSERT_TRUE(ProcessUntil([&] { return m_pStatus->text().startsWith("Scan channel"); }));
    pDialog->reject();
    EXPECT_FALSE(pDialog->Scanner().IsConnected());
    EXPECT_TRUE(ProcessUntil([&] { return m_sim.OpenConnections() == 0; }));
}

TEST_F(AScanerDialog, OffersItsAboutBoxInTheWindowsContextMenu)
{
    auto pDialog = MakeDialog();
    EXPECT_EQ(pDialog->contextMenuPolicy(), Qt::ActionsContextMenu);
    auto* pAbout = pDialog->findChild<QAction*>("actionAbout");
    ASSERT_NE(pAbout, nullptr);
    EXPECT_EQ(pAbout->text(), "&About PyrolanScaner4Init...");
    CBoxCloser closer;
    pAbout->trigger();
    EXPECT_EQ(closer.m_vTexts, QStringList{"About PyrolanScaner4Init"});
}

} // namespace
