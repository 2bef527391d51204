// Test entry point: every suite runs in a fixed time zone unless it sets its own.
#include <cstdlib>
#include <ctime>
#include <gmock/gmock.h>

int main(int argc, char** argv)
{
    ::setenv("TZ", "Europe/Berlin", 0);
    ::tzset();
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
