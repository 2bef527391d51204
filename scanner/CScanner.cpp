// CScanner: StartScan, ScanStep, StopScan and the timer's handler.
#include "CScanner.h"

#include "AnswerValue.h"
#include "ConfigurationWriter.h"
#include "TextConvert.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
// One flag for the whole process, touched only by the user-interface thread.
bool g_bScanTimerBusy = false;

constexpr double kMinimumLength = 0.001;

std::string Format(const char* szFormat, auto... args)
{
    char text[256];
    const int n = std::snprintf(text, sizeof(text), szFormat, args...);
    return n > 0 ? std::string(text, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof(text) - 1)) : std::string();
}

// A position the file can carry: finite also after rounding to single precision.
bool IsWritablePosition(double dValue) { return std::isfinite(static_cast<float>(dValue)); }
} // namespace

bool IsScanTimerBusy() { return g_bScanTimerBusy; }

CScanner::CScanner(IScanView& view) : m_view(view) {}

CScanner::~CScanner()
{
    m_link.Disconnect();
    m_link.ReleaseBuffers();
}

void CScanner::SetInstrument(const std::u16string& strAddress, std::int32_t nPort)
{
    m_strAddress = strAddress;
    m_nPort = nPort;
}

bool CScanner::Scan(const std::u16string& strAddress, std::int32_t nPort)
{
    SetInstrument(strAddress, nPort);
    return StartScan(WideToNarrow(m_strAddress), static_cast<std::uint16_t>(static_cast<std::uint32_t>(m_nPort) & 0xFFFFU));
}

bool CScanner::StartScan(const std::string& strAddress, std::uint16_t wPort)
{
    StopScan();
    int nError = 0;
    switch (m_link.Connect(strAddress, wPort, nError)) {
    case eLinkSocketFailed:
        m_view.ShowMessage(Format("Can't create socket, ERROR = %d.", nError), eScanMessage_Warning);
        return false;
    case eLinkConnectFailed:
        m_view.ShowMessage(Format("Can't connect socket, ERROR = %d.", nError), eScanMessage_Warning);
        return false;
    case eLinkConnected:
        break;
    }
    m_vChannels.clear();
    m_nStep = 0;
    m_nChannelIndex = 0;
    m_nSegmentIndex = 0;
    m_nCurrentChannel = 0;
    m_nValidSegments = 0;
    m_view.StartScanTimer();
    return true;
}

void CScanner::StopScan()
{
    m_view.StopScanTimer();
    m_view.SetStatusText("Stopping...");
    m_link.Disconnect();
    m_view.SetStatusText(" ");
}

void CScanner::OnScanTimer()
{
    if (g_bScanTimerBusy)
        return;
    g_bScanTimerBusy = true;
    struct ClearBusy {
        ~ClearBusy() { g_bScanTimerBusy = false; }
    } clearBusy;
    int nCode = 0;
    if (!ScanStep(nCode)) {
        m_view.ShowMessage(Format("ERROR on step %d/%d/%d #%d!", m_nStep, m_nChannelIndex, m_nSegmentIndex, nCode),
                           eScanMessage_Warning);
        StopScan();
    }
}

bool CScanner::ScanStep(int& nCode)
{
    switch (m_nStep) {
    case 0:
        m_view.SetStatusText("Obtain chanel list");
        m_nStep = 1;
        break;
    case 1:
        if (!StepChannelList(nCode))
            return false;
        break;
    case 2:
        if (m_nChannelIndex < static_cast<int>(m_vChannels.size())) {
            m_nCurrentChannel = m_vChannels[static_cast<std::size_t>(m_nChannelIndex)].nChannel;
            m_nSegmentIndex = 0;
            m_nStep = 3;
        } else {
            m_nStep = 4;
        }
        break;
    case 3:
        if (!StepSegment(nCode))
            return false;
        break;
    case 4:
        StopScan();
        m_view.SetStatusText(Format("Scan finished successfully\r\nDetected %d valid segments", m_nValidSegments));
        m_view.EnableAllControls();
        break;
    default:
        nCode = 33;
        return false;
    }
    nCode = 99;
    return true;
}

bool CScanner::Ask(const std::string& strCommand, int nSendCode, int& nCode, std::string& strAnswer)
{
    nCode = nSendCode;
    std::uint32_t dwSendTime = 0;
    if (!m_link.SendRequest(strCommand.c_str(), dwSendTime))
        return false;
    strAnswer = m_link.FindAnswer(dwSendTime);
    nCode = nSendCode + 1;
    return !strAnswer.empty();
}

bool CScanner::StepChannelList(int& nCode)
{
    std::string strAnswer;
    if (!Ask(":MEAS:SEQ:STAT?\n", 1, nCode, strAnswer))
        return false;
    nCode = 3;
    if (AnswerInteger(strAnswer) != 1)
        return false;
    if (!Ask(":CONF:SEQ:SEQ?\n", 4, nCode, strAnswer))
        return false;
    for (const std::int32_t nChannel : SequenceChannels(strAnswer))
        m_vChannels.push_back(ScanChannel{nChannel, {}});
    nCode = 6;
    if (m_vChannels.empty())
        return false;
    m_nStep = 2;
    m_nChannelIndex = 0;
    return true;
}

bool CScanner::StepSegment(int& nCode)
{
    if (m_nSegmentIndex >= kSegmentsPerChannel) {
        ++m_nChannelIndex;
        m_nStep = 2;
        return true;
    }
    m_view.SetStatusText(Format("Scan channel %d [%d/%d]  segment %d/%d\r\nDetected %d valid segments", m_nCurrentChannel,
                                m_nChannelIndex + 1, static_cast<int>(m_vChannels.size()), m_nSegmentIndex + 1,
                                kSegmentsPerChannel, m_nValidSegments));
    const std::string strPrefix = Format(":CONF:CALC:SENS%d:SEGM%d:", m_nCurrentChannel, m_nSegmentIndex + 1);
    std::string strAnswer;
    ScanSegment segment;
    if (!Ask(strPrefix + "GROU?\n", 11, nCode, strAnswer))
        return false;
    segment.nGroup = AnswerInteger(strAnswer);
    if (!Ask(strPrefix + "ID?\n", 13, nCode, strAnswer))
        return false;
    segment.nId = AnswerInteger(strAnswer);
    if (!Ask(strPrefix + "START?\n", 15, nCode, strAnswer))
        return false;
    segment.dStart = AnswerReal(strAnswer);
    if (!Ask(strPrefix + "END?\n", 17, nCode, strAnswer))
        return false;
    segment.dEnd = AnswerReal(strAnswer);

    if (segment.dEnd - segment.dStart > kMinimumLength && segment.nGroup >= 1 && segment.nGroup <= kMaxScanGroup &&
        segment.nId >= 1 && segment.nId <= kMaxScanId && IsWritablePosition(segment.dStart) &&
        IsWritablePosition(segment.dEnd))
        KeepSegment(segment);
    ++m_nSegmentIndex;
    return true;
}

void CScanner::KeepSegment(const ScanSegment& segment)
{
    auto& vSegments = m_vChannels[static_cast<std::size_t>(m_nChannelIndex)].vSegments;
    // Before the first segment that starts at or after it: of equal starts the later one comes first.
    const auto where = std::find_if(vSegments.begin(), vSegments.end(),
                                    [&](const ScanSegment& other) { return other.dStart >= segment.dStart; });
    vSegments.insert(where, segment);
    ++m_nValidSegments;
}

bool CScanner::Save(const std::string& strPath, std::string& strError) const
{
    return WriteConfiguration(strPath, m_vChannels, m_strAddress, m_nPort, strError);
}
