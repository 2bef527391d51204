// The instrument sensor: reads its configuration, keeps a connection to the instrument and turns its
// traces into plane pictures.
#pragma once

#include "CChannelInfo.h"
#include "CHistoryQueue.h"
#include "CHistorySearch.h"
#include "CMainLoopArgs.h"
#include "CReadBufferPool.h"
#include "CTermoSensor.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CTermoSensor4Quorax : public CTermoSensor {
public:
    // strConfigPath: the configuration file; by default the one beside the program or PYROLAN_SERVER_INI.
    explicit CTermoSensor4Quorax(std::string strConfigPath = {});
    ~CTermoSensor4Quorax() override;

    HRESULT InitSensor() override;
    void Stop() override;
    bool FindHistory(int nTankIndex, int nPlaneIndex, FILETIME64 ftNeed, bool bAfter, float fMinLimit, float fMaxLimit,
                     FILETIME64& ftHas, float& fMinHas, float& fMaxHas) override;
    bool GetErrorInterval(int nTankIndex, int nPlaneIndex, FILETIME64 ftNeed, bool bAfter, float fMinLimit,
                          float fMaxLimit, FILETIME64& ftFrom, FILETIME64& ftTo) override;
    bool FillHistoryData(int nTankIndex, int nPlaneIndex, FILETIME64 ftNeed, HistoryImage& image) override;
    eHistoryState GetHistoryState() override;

    const std::vector<CChannelInfo>& GetChannels() const { return m_vChannels; }
    const std::string& GetPostPlay() const { return m_strPostPlay; }
    const CMainLoopArgs& GetMainLoopArgs() const { return m_args; }
    bool IsDebug() const { return m_bDebug; }
    bool IsAcquiring() const { return m_bAcquiring; }

protected:
    // What a data-block collection ended with.
    enum eCollect {
        eCollectBlock,    // a block came; its values are in m_vTraceValues
        eCollectNoBlock,  // no block, or a malformed one (reported)
        eCollectStopped,  // m_bStop or m_bCancel was set
    };

    // Connection primitives: the socket, or -1 after the failure message.
    int Connect(std::uint32_t dwAddress, std::uint16_t wPort);
    // Shuts the connection down (message on failure); the socket is closed by CloseSocket once the
    // READ loop has left it, so that no receive can reach a reused descriptor.
    void Disconnect(int nSocket);

    void ReadLoop(int nSocket);
    bool SendRequest(int nSocket, const char* szCommand, std::uint32_t& dwSendTick);
    std::string FindAnswer(std::uint32_t dwSendTick);
    // Collection half of read_data; N is the block's count (0 when none came).
    eCollect CollectDataBlock(std::uint32_t dwSendTick, std::int32_t& nCount);
    // False only when the collection was stopped.
    bool read_data(std::uint32_t dwSendTick, std::int32_t nChannel, double dStep);
    // Distribution half of read_data: lays the trace onto the planes.
    void DistributeTrace(const float* pValues, std::int32_t nCount, std::int32_t nChannel, double dStep);

    void MainLoop(CMainLoopArgs args);
    bool DeviceLoop(int nSocket, int& nStep, bool bRestartDevice, std::int32_t nScanTimeout);
    bool CheckSequence(int nSocket);
    void ExpireStaleLines(std::int64_t nLimitSeconds);

    // Sleeps up to dwMilliseconds and answers early, with true, once m_bStop is set.
    bool WaitForStop(std::uint32_t dwMilliseconds);
    // Sets both flags and wakes every wait of the sensor's threads.
    void RequestStop();
    void JoinThreads();

    void AddData4SaveLocal(int nGlobalIndex);
    void SaveLoop();
    // The global index of a plane of the sensor, or -1.
    int HistoryPlaneIndex(int nTankIndex, int nPlaneIndex) const;

    std::string m_strConfigPath;
    CMainLoopArgs m_args;

    std::atomic<bool> m_bAcquiring{false};
    std::atomic<int> m_socket{-1};
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bCancel{false};
    std::thread m_threadMain;
    std::thread m_threadRead;
    std::thread m_threadSave;
    // The block of ten receive buffers with its lists and their lock.
    CReadBufferPool m_buffers;
    std::vector<CChannelInfo> m_vChannels;
    std::vector<std::vector<std::uint32_t>> m_vLineTicks;
    std::vector<float> m_vSegmentPoints;
    // Values of the last data block; reused, only grows.
    std::vector<float> m_vTraceValues;
    // The history folder as a path of this platform, ending in '/'; empty: no history.
    std::string m_strPostPlay;
    // The pending queue, the record pool, the two history times and the history lock.
    CHistoryQueue m_history;
    std::unique_ptr<CHistorySearch> m_pHistorySearch;
    bool m_bDebug = false;

    // Lets Stop end the loops' pauses at once.
    std::mutex m_mutexStop;
    std::condition_variable m_cvStop;
};
