// The scan of the instrument's channels and segments: a state machine run one step per tick of the
// 10 ms timer, the channel table it fills, and the instrument address and port it was started with.
#pragma once

#include "CScannerLink.h"
#include "IScanView.h"
#include "ScanChannel.h"

#include <cstdint>
#include <string>
#include <vector>

class CScanner {
public:
    static constexpr int kSegmentsPerChannel = 100;
    static constexpr std::int32_t kDefaultPort = 31850;

    explicit CScanner(IScanView& view);
    ~CScanner();  // stops a running scan and releases the receive buffers
    CScanner(const CScanner&) = delete;
    CScanner& operator=(const CScanner&) = delete;

    bool AllocateBuffers() { return m_link.AllocateBuffers(); }

    // The instrument as typed; the address and port that the file gets are those of the last Scan.
    void SetInstrument(const std::u16string& strAddress, std::int32_t nPort);
    const std::u16string& Address() const { return m_strAddress; }
    std::int32_t Port() const { return m_nPort; }

    // The Scan button: takes the address and port, then StartScan with the narrow address and the
    // port's low 16 bits.
    bool Scan(const std::u16string& strAddress, std::int32_t nPort);
    // Connects and starts the timer; false after its own message box.
    bool StartScan(const std::string& strAddress, std::uint16_t wPort);
    // One tick's work; false with nCode set where it failed.
    bool ScanStep(int& nCode);
    void StopScan();
    // The timer's handler, guarded by the process-wide busy flag: the warning box of a failed step
    // runs a nested event loop in which further ticks must do nothing.
    void OnScanTimer();

    // Writes the channel table with the address and port of the last Scan; strError on failure.
    bool Save(const std::string& strPath, std::string& strError) const;

    const std::vector<ScanChannel>& Channels() const { return m_vChannels; }
    int Step() const { return m_nStep; }
    int ChannelIndex() const { return m_nChannelIndex; }
    int SegmentIndex() const { return m_nSegmentIndex; }
    int ValidSegments() const { return m_nValidSegments; }
    bool IsConnected() const { return m_link.IsConnected(); }
    const CScannerLink& Link() const { return m_link; }

private:
    bool StepChannelList(int& nCode);
    bool StepSegment(int& nCode);
    // Sends prefix + question and waits for its answer; codes nCode (send) and nCode + 1 (no answer).
    bool Ask(const std::string& strCommand, int nSendCode, int& nCode, std::string& strAnswer);
    void KeepSegment(const ScanSegment& segment);

    IScanView& m_view;
    CScannerLink m_link;
    std::u16string m_strAddress = u"127.0.0.1";
    std::int32_t m_nPort = kDefaultPort;
    std::vector<ScanChannel> m_vChannels;
    int m_nStep = 0;
    int m_nChannelIndex = 0;
    int m_nSegmentIndex = 0;
    std::int32_t m_nCurrentChannel = 0;
    int m_nValidSegments = 0;
};

// True while a timer tick is being handled, nested message boxes included.
bool IsScanTimerBusy();
