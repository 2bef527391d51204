// The configuration tool's file read by the server: scan the simulator's plant, save, start the server
// on the file through a private bus and find the plant through the broker.
#include "BusFixture.h"
#include "CInstrumentSimulator.h"
#include "CScanner.h"
#include "PyrolanBrokerFactory.h"
#include "PyrolanBusNames.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

namespace {

class CQuietView : public IScanView {
public:
    void SetStatusText(const std::string&) override {}
    void ShowMessage(const std::string& strText, eScanMessage) override { m_vMessages.push_back(strText); }
    void StartScanTimer() override { m_bTimer = true; }
    void StopScanTimer() override { m_bTimer = false; }
    void EnableAllControls() override {}

    std::vector<std::string> m_vMessages;
    bool m_bTimer = false;
};

TEST(AScannedConfiguration, GivesTheServerThePlantsPlanesLinesAndLineWidths)
{
    CInstrumentSimulator sim(SimPlant::Demo());
    ASSERT_TRUE(sim.Start());
    TempDir dir;
    const std::string strIni = dir.File("PyrolanServer.ini");
    {
        CQuietView view;
        CScanner scanner(view);
        ASSERT_TRUE(scanner.AllocateBuffers());
        ASSERT_TRUE(scanner.Scan(u"127.0.0.1", sim.Port()));
        while (view.m_bTimer)
            scanner.OnScanTimer();
        ASSERT_EQ(view.m_vMessages, std::vector<std::string>{});
        std::string strError;
        ASSERT_TRUE(scanner.Save(strIni, strError)) << strError;
    }
    const int nConnectionsOfTheScan = sim.ConnectionCount();

    BusFixture::Options options;
    options.strServerPath = PYROLAN_SERVER_PATH;
    options.strServerIni = strIni;
    BusFixture bus(options);
    ASSERT_TRUE(bus.Started()) << bus.Error();
    std::shared_ptr<IPyrolanBroker> broker;
    ASSERT_EQ(CreatePyrolanBroker(kBrokerClassId, &broker, bus.Connect()), S_OK) << bus.ServerLog();

    // Demo plant: two tanks of six planes with four lines each; every segment spans 40 units at the
    // step 0.25, 160 samples, so a line gets 160 + 16 = 176 points.
    std::int32_t nTanks = 0;
    ASSERT_EQ(broker->get_TankNumber(&nTanks), S_OK);
    EXPECT_EQ(nTanks, 2);
    for (std::int32_t nTank = 0; nTank < 2; ++nTank) {
        std::int32_t nPlanes = 0;
        ASSERT_EQ(broker->get_PlaneNumber(nTank, &nPlanes), S_OK);
        EXPECT_EQ(nPlanes, 6);
        for (std::int32_t nPlane = 0; nPlane < nPlanes; ++nPlane) {
            std::int32_t nLines = 0;
            EXPECT_EQ(broker->get_LinesNumber(nTank, nPlane, &nLines), S_OK);
            EXPECT_EQ(nLines, 4) << nTank << "/" << nPlane;
            std::int32_t nDX = 0, nDY = 0, nCellsX = 0, nCellsY = 0;
            EXPECT_EQ(broker->GetPlaneInfo(nTank, nPlane, &nDX, &nDY, &nCellsX, &nCellsY), S_OK);
            EXPECT_EQ(nCellsX, 176) << nTank << "/" << nPlane;
            EXPECT_EQ(nCellsY, 4) << nTank << "/" << nPlane;
        }
    }
    // The address and port of the file lead the server to the same instrument.
    EXPECT_TRUE(WaitUntil([&] { return sim.ConnectionCount() > nConnectionsOfTheScan; })) << bus.ServerLog();
}

} // namespace
