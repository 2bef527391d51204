// The server side of the LIVE and HISTORY shared regions: creation from the sensor's planes,
// publication of changed planes, the copy of a history image, and closing.
#pragma once

#include "CSharedMemory.h"
#include "CTermoSensor.h"
#include "HResult.h"
#include "HistoryImage.h"
#include "SharedRegionLayout.h"

#include <atomic>
#include <cstdint>
#include <vector>

class CBrokerRegions {
public:
    CBrokerRegions() = default;
    // Releases regions still open, without the closing log line.
    ~CBrokerRegions();
    CBrokerRegions(const CBrokerRegions&) = delete;
    CBrokerRegions& operator=(const CBrokerRegions&) = delete;

    // Creates and initialises both regions from the sensor's planes, logging each step's failure.
    // Sizes are set only when both regions are complete; whatever was created before a failure
    // stays until CloseSharedInfo.
    HRESULT InitSharedInfo(CTermoSensor* pSensor);
    void CloseSharedInfo();
    // One publication pass of the update thread: every dirty plane in record order is copied into
    // its record between head and tail counter, then the tick is renewed. Nothing without a region.
    void PublishDirtyPlanes(CTermoSensor& sensor);

    // 0 when the region is not available.
    std::int32_t LiveSize() const { return m_nLiveSize.load(std::memory_order_acquire); }
    std::int32_t HistorySize() const { return m_nHistorySize.load(std::memory_order_acquire); }

    // Writes a stored image into the HISTORY region: header fields and the decoded temperatures.
    // E_ACCESSDENIED without the region; E_INVALIDARG when it does not fit, leaving the region unchanged.
    HRESULT FillHistoryRegion(int nTankIndex, int nPlaneIndex, const HistoryImage& image);

    // The views, for the broker's own checks and tests; nullptr when not mapped.
    const std::byte* LiveView() const { return m_live.Data(); }
    const std::byte* HistoryView() const { return m_history.Data(); }

private:
    void ReleaseRegions();

    CSharedMemory m_live;
    CSharedMemory m_history;
    std::vector<LiveRecordLayout> m_vRecords;
    std::atomic<std::int32_t> m_nLiveSize{0};
    std::atomic<std::int32_t> m_nHistorySize{0};
};
