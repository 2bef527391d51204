// A writer process publishing one plane continuously and a reader in this process copying it.
#include "CBrokerRegions.h"
#include "CLiveRegionReader.h"
#include "RegionTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Shared between the two processes: the writer's progress and the reader's stop request.
struct Control {
    std::atomic<std::int32_t> nPublished{0};
    std::atomic<bool> bStop{false};
};

TEST(ALiveRegionReader, NeverAcceptsAMixedCopyWhileAnotherProcessRewritesThePlane)
{
    ScopedRegionSuffix suffix;
    LayoutSensor sensor({{40, 1000}});
    CBrokerRegions regions;
    ASSERT_EQ(regions.InitSharedInfo(&sensor), S_OK);

    void* shared = ::mmap(nullptr, sizeof(Control), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(shared, MAP_FAILED);
    auto* control = new (shared) Control;

    const pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        // Publication n fills the plane with n; its head counter is then n + 1.
        for (std::int32_t n = 1; !control->bStop.load() && n < 1'000'000; ++n) {
            sensor.Fill(0, static_cast<float>(n));
            regions.PublishDirtyPlanes(sensor);
            control->nPublished.store(n);
        }
        ::_exit(0);  // the regions belong to the parent
    }

    CLiveRegionReader reader;
    ASSERT_EQ(reader.Open(LiveRegionName(), regions.LiveSize()), eRegionStatus_Ok);
    std::vector<float> cells;
    int consistent = 0;
    int torn = 0;
    std::int32_t firstSeen = 0;
    std::int32_t lastSeen = 0;
    bool mixed = false;
    while (!mixed && (consistent < 300 || control->nPublished.load() < 2000) && consistent < 100'000) {
        std::int32_t counter = 0;
        const eRegionStatus status = reader.CopyTemperatures(0, cells, 1, &counter);
        if (status == eRegionStatus_Torn) {
            ++torn;
            continue;
        }
        ASSERT_EQ(status, eRegionStatus_Ok);
        ++consistent;
        const float expected = static_cast<float>(counter - 1);
        mixed = std::any_of(cells.begin(), cells.end(), [&](float v) { return v != expected; });
        if (firstSeen == 0)
            firstSeen = counter;
        lastSeen = counter;
    }
    control->bStop.store(true);
    int status = 0;
    ASSERT_EQ(::waitpid(writer, &status, 0), writer);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(mixed) << "a copy with unequal cells was accepted";
    EXPECT_GT(lastSeen, firstSeen) << "the reader saw the writer progress";
    RecordProperty("consistent", consistent);
    RecordProperty("torn", torn);
    std::printf("consistent copies %d, torn copies detected %d, publications %d\n", consistent, torn,
                control->nPublished.load());
    ::munmap(shared, sizeof(Control));
}

}  // namespace
