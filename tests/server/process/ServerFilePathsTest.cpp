#include "ServerFilePaths.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

TEST(ServerFilePaths, ReplacesOnlyTheExtensionOfTheFileName)
{
    EXPECT_EQ(ReplaceExtension("/opt/pyrolan/PyrolanServer", ".ini"), "/opt/pyrolan/PyrolanServer.ini");
    EXPECT_EQ(ReplaceExtension("/home/u/.local/bin/PyrolanServer", ".ini"), "/home/u/.local/bin/PyrolanServer.ini");
    EXPECT_EQ(ReplaceExtension("/etc/plant/site.ini", ".csv"), "/etc/plant/site.csv");
    EXPECT_EQ(ReplaceExtension("/etc/plant/.hidden", ".csv"), "/etc/plant/.hidden.csv");
}

TEST(ServerFilePaths, TakesTheConfigurationFromTheEnvironmentWhenSet)
{
    ::setenv("PYROLAN_SERVER_INI", "/srv/plant/PyrolanServer.ini", 1);
    EXPECT_EQ(ServerConfigurationPath(), "/srv/plant/PyrolanServer.ini");
    EXPECT_EQ(ServerCsvPath(), "/srv/plant/PyrolanServer.csv");
    ::unsetenv("PYROLAN_SERVER_INI");
    EXPECT_EQ(ServerConfigurationPath(), ReplaceExtension(ServerProgramPath(), ".ini"));
}

} // namespace
