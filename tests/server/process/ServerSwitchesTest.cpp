// Recognition of the server's command-line switches.
#include "ServerSwitches.h"

#include <gtest/gtest.h>

TEST(TheServerSwitches, AreRecognisedAfterADashOrASlashInAnyCaseAndTheFirstOneWins)
{
    struct Case {
        const char* szLine;
        eServerSwitch eExpected;
    };
    const Case cases[] = {
        {"/RegServer", eSwitchRegServer},
        {"-regserver", eSwitchRegServer},
        {"-REGSERVERPERUSER", eSwitchRegServerPerUser},
        {"/UnregServerPerUser", eSwitchUnregServerPerUser},
        {"-Embedding /unRegServer", eSwitchUnregServer},
        {"-RegServerX", eSwitchNone},
        {"RegServer", eSwitchNone},
        {"-RegServer -UnregServer", eSwitchRegServer},
        {"/UnregServer\t/RegServer", eSwitchUnregServer},
        {"--RegServerPerUser", eSwitchRegServerPerUser},
        {"/usr/bin/x -", eSwitchNone},
        {"", eSwitchNone},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScanServerSwitches(c.szLine), c.eExpected) << '"' << c.szLine << '"';
}

TEST(TheServerSwitches, AreScannedOverAllArgumentsJoinedByBlanks)
{
    const char* const argv[] = {"PyrolanServer", "-x", "/RegServerPerUser"};
    EXPECT_EQ(CommandLineOf(3, argv), "-x /RegServerPerUser");
    EXPECT_EQ(ScanServerSwitches(CommandLineOf(3, argv)), eSwitchRegServerPerUser);
}
