// The configuration a simulated plant writes, read back by the server's own configuration reader.
#include "CInstrumentSimulator.h"
#include "CQuoraxConfig.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fstream>

TEST(ASimulatedPlant, GivesTheServerTwoTanksOfSixPlanesInTheDemo)
{
    TempDir dir;
    const std::string strPath = dir.Path() + "/PyrolanServer.ini";
    std::ofstream(strPath) << SimPlant::Demo().ConfigText("127.0.0.1", 31850, "history");
    CQuoraxConfig config;
    ASSERT_EQ(config.Read(strPath), CQuoraxConfig::eReadOk);
    config.CompletePlanes();
    config.SizeLines();
    ASSERT_EQ(config.m_vPlanes.size(), 12u);
    for (const auto& pPlane : config.m_vPlanes)
        EXPECT_EQ(pPlane->m_nLines, 4);
    ASSERT_EQ(config.m_vChannels.size(), 4u);
    for (const CChannelInfo& channel : config.m_vChannels)
        EXPECT_EQ(channel.vSegments.size(), 12u);
    EXPECT_EQ(config.m_wPort, 31850);
    EXPECT_EQ(config.ParsedAddress(), htonl(INADDR_LOOPBACK));
}
