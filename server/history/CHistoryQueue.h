// The history saving queue of the instrument sensor: images offered by the acquisition, the SAVE loop
// that writes them as files, and the history state derived from the last offer and the last save.
#pragma once

#include "CHistoryData.h"
#include "CPlaneInfo.h"
#include "FileTime.h"
#include "PlantTypes.h"

#include <atomic>
#include <list>
#include <mutex>
#include <string>

// Thirty seconds in FILETIME units: how long the state stays "running" after a save or an offer.
inline constexpr FILETIME64 kHistoryStateWindow = 300'000'000ULL;

class CHistoryQueue {
public:
    CHistoryQueue() = default;
    CHistoryQueue(const CHistoryQueue&) = delete;
    CHistoryQueue& operator=(const CHistoryQueue&) = delete;

    // The history root (ending in '/', empty: no history) and the number of planes of all tanks; set
    // before any thread offers or saves.
    void Configure(std::string strRoot, int nPlanes);
    // Sets the time of the last offer and of the last save.
    void ResetTimes(FILETIME64 ftNow);

    // Offers the picture of plane nGlobalIndex. The caller holds plane.m_mutex (lock order: plane, then
    // history).
    void AddData(int nGlobalIndex, const CPlaneInfo& plane);
    // Body of the SAVE loop thread: writes queued records until bStop or bCancel is set.
    void SaveLoop(const std::atomic<bool>& bStop, const std::atomic<bool>& bCancel);
    // One turn of the SAVE loop: writes the oldest waiting record and returns it to the pool. False when
    // none was waiting.
    bool SavePending();
    eHistoryState GetHistoryState(bool bAcquiring) const;

    int PendingCount() const;
    int PoolCount() const;
    FILETIME64 LastData() const;
    FILETIME64 LastSave() const;

private:
    std::string m_strRoot;
    int m_nPlanes = 0;

    mutable std::mutex m_mutexHistory;
    std::list<CHistoryData> m_listPending;
    int m_nPending = 0;
    std::list<CHistoryData> m_listPool;
    int m_nPool = 0;
    FILETIME64 m_ftLastData = 0;
    FILETIME64 m_ftLastSave = 0;
};
