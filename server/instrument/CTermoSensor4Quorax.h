// The instrument sensor: reads its configuration, keeps a connection to the instrument and turns its
// traces into plane pictures.
#pragma once

#include "CChannelInfo.h"
#include "CMainLoopArgs.h"
#include "CTermoSensor.h"

#include <atomic>
#include <cstdint>
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

    const std::vector<CChannelInfo>& GetChannels() const { return m_vChannels; }
    const std::string& GetPostPlay() const { return m_strPostPlay; }
    const CMainLoopArgs& GetMainLoopArgs() const { return m_args; }
    bool IsDebug() const { return m_bDebug; }

protected:
    std::string m_strConfigPath;
    CMainLoopArgs m_args;

    std::atomic<bool> m_bAcquiring{false};
    std::atomic<int> m_socket{-1};
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bCancel{false};
    std::thread m_threadMain;
    std::thread m_threadRead;
    std::thread m_threadSave;
    std::vector<CChannelInfo> m_vChannels;
    std::vector<std::vector<std::uint32_t>> m_vLineTicks;
    std::vector<float> m_vSegmentPoints;
    // The history folder as a path of this platform, ending in '/'; empty: no history.
    std::string m_strPostPlay;
    bool m_bDebug = false;
};
