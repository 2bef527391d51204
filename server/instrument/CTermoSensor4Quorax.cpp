// The instrument sensor: start-up and stop, the instrument link, the acquisition loop and the
// decoding of traces onto the planes.
#include "CTermoSensor4Quorax.h"

#include "CDataBlockCollector.h"
#include "CQuoraxConfig.h"
#include "DebugOutput.h"
#include "DebugPrint.h"
#include "LinkSocket.h"
#include "ServerFilePaths.h"
#include "TextConvert.h"
#include "TimeSource.h"
#include "TraceDecoding.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <system_error>

namespace {

// Integer value of an answer, read as atoi reads it (no digits give 0), kept inside 32 bits.
std::int32_t AnswerInt(const std::string& strAnswer)
{
    const long value = std::strtol(strAnswer.c_str(), nullptr, 10);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<std::int32_t>(value);
}

double AnswerReal(const std::string& strAnswer) { return std::strtod(strAnswer.c_str(), nullptr); }

std::uint32_t NonZeroTick()
{
    const std::uint32_t dwNow = TimeSource().TickCount();
    return dwNow == 0 ? 1 : dwNow;
}

} // namespace

CTermoSensor4Quorax::CTermoSensor4Quorax(std::string strConfigPath)
    : m_strConfigPath(strConfigPath.empty() ? ServerConfigurationPath() : std::move(strConfigPath))
{
    m_args.pSensor = this;
}

CTermoSensor4Quorax::~CTermoSensor4Quorax()
{
    // Stop normally ends the threads; this keeps a sensor that was never stopped from aborting.
    RequestStop();
    JoinThreads();
}

HRESULT CTermoSensor4Quorax::InitSensor()
{
    m_history.ResetTimes(TimeSource().SystemFileTime());
    DebugPrint("InitSensor #1\n");

    CQuoraxConfig config;
    const CQuoraxConfig::eReadResult read = config.Read(m_strConfigPath);
    if (read == CQuoraxConfig::eReadNotFound)
        return HRESULT_FILE_NOT_FOUND;
    DebugPrint("InitSensor #2\n");
    if (read == CQuoraxConfig::eReadDummy)
        return 1;

    config.CompletePlanes();
    config.SizeLines();
    m_vPlanes = std::move(config.m_vPlanes);
    ResetDirtyFlags();
    m_vChannels = std::move(config.m_vChannels);
    m_bDebug = config.m_bDebug;
    m_vLineTicks.clear();
    for (const auto& plane : m_vPlanes)
        m_vLineTicks.emplace_back(static_cast<std::size_t>(plane->m_nLines), 0U);

    // POSIX sockets need no library start.
    DebugPrint("InitSensor #3\n");
    DebugPrint("InitSensor #4\n");
    if (!m_buffers.Allocate())
        return E_OUTOFMEMORY;

    const std::size_t slash = m_strConfigPath.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : m_strConfigPath.substr(0, slash + 1);
    m_strPostPlay = config.NormalisedPostPlay(folder);
    if (!m_strPostPlay.empty())
        DebugPrintW(L"InitSensor #5  PostPlay='%ls'\n", WideToWchar(NarrowToWide(m_strPostPlay)).c_str());
    m_history.Configure(m_strPostPlay, static_cast<int>(m_vPlanes.size()));
    m_pHistorySearch = std::make_unique<CHistorySearch>(m_strPostPlay);

    m_args.dwAddress = config.ParsedAddress();
    m_args.wPort = config.m_wPort;
    m_args.bRestartDevice = config.m_bRestartDevice;
    m_args.nScanTimeout = config.m_nScanTimeout;

    try {
        m_threadMain = std::thread([this, args = m_args] {
            try {
                MainLoop(args);
            } catch (...) {
            }
            RequestStop();
        });
    } catch (const std::system_error&) {
        return E_FAIL;
    }

    DebugPrint("InitSensor #9\n");
    return S_OK;
}

void CTermoSensor4Quorax::Stop()
{
    RequestStop();
    JoinThreads();
    m_vPlanes.clear();
    m_buffers.Release();
}

void CTermoSensor4Quorax::RequestStop()
{
    m_bStop = true;
    m_bCancel = true;
    { std::lock_guard<std::mutex> guard(m_mutexStop); }
    m_cvStop.notify_all();
    m_buffers.Wake();
}

void CTermoSensor4Quorax::JoinThreads()
{
    // The main loop joins the connection threads itself; these are for a main loop that never ran.
    if (m_threadMain.joinable())
        m_threadMain.join();
    if (m_threadRead.joinable())
        m_threadRead.join();
    if (m_threadSave.joinable())
        m_threadSave.join();
}

bool CTermoSensor4Quorax::WaitForStop(std::uint32_t dwMilliseconds)
{
    std::unique_lock<std::mutex> lock(m_mutexStop);
    return TimeSource().WaitFor(m_cvStop, lock, dwMilliseconds, [this] { return m_bStop.load(); });
}

// ---- instrument link ----

int CTermoSensor4Quorax::Connect(std::uint32_t dwAddress, std::uint16_t wPort)
{
    int nSocket = -1;
    int nError = 0;
    switch (LinkConnect(dwAddress, wPort, nSocket, nError)) {
    case eLinkConnected:
        return nSocket;
    case eLinkSocketFailed:
        DebugPrintW(L"\nERROR: socket() error %d\r\n", nError);
        return -1;
    case eLinkConnectFailed:
        break;
    }
    DebugPrintW(L"\nERROR: connect() error %d\r\n", nError);
    return -1;
}

void CTermoSensor4Quorax::Disconnect(int nSocket)
{
    int nError = 0;
    if (!LinkShutdown(nSocket, nError))
        DebugPrintW(L"\nERROR: shutdown() error %d\r\n", nError);
}

void CTermoSensor4Quorax::ReadLoop(int nSocket)
{
    const auto stopped = [this] { return m_bStop.load() || m_bCancel.load(); };
    if (m_bStop)
        return;
    while (!m_bCancel) {
        // The 20 ms are only the longest wait for a buffer to come back; a free one is used at once.
        CReadBuffer buffer;
        if (m_buffers.TakeFree(buffer, 20, stopped)) {
            int nError = 0;
            const int nGot = LinkReceive(nSocket, buffer, nError);
            if (stopped()) {
                m_buffers.GiveBack(buffer);
                return;
            }
            if (nGot > 0) {
                CReadBufferPool::Stamp(buffer, nGot);
                if (m_bDebug) {
                    if (nGot <= 33)
                        DebugPrint("PyrolanServer::READ[id%d, size=%d]='%s'\n", buffer.nId, buffer.nLength,
                                   buffer.pData);
                    else
                        DebugPrint("PyrolanServer::READ[id%d, size=%d]\n", buffer.nId, buffer.nLength);
                }
                m_buffers.PushReceived(buffer);
            } else {
                m_buffers.GiveBack(buffer);
                if (nGot == 0) {
                    TimeSource().Sleep(20);
                } else if (nError == EAGAIN || nError == EWOULDBLOCK || nError == EMSGSIZE) {
                    TimeSource().Sleep(100);
                } else if (nError == EINTR) {
                    DebugPrintW(L"ReadLoop:: recv() cancel by MainLoop\r\n");
                    return;
                } else {
                    DebugPrintW(L"\nERROR: recv() error %d\r\n", nError);
                    return;
                }
            }
        }
        if (m_bStop)
            return;
    }
}

bool CTermoSensor4Quorax::SendRequest(int nSocket, const char* szCommand, std::uint32_t& dwSendTick)
{
    if (m_bDebug)
        DebugPrint(">>> SendRequest '%s'\n", szCommand);
    dwSendTick = TimeSource().TickCount();
    int nError = 0;
    if (!LinkSend(nSocket, szCommand, nError)) {
        DebugPrintW(L"\nERROR: send() error %d\r\n", nError);
        return false;
    }
    return true;
}

std::string CTermoSensor4Quorax::FindAnswer(std::uint32_t dwSendTick)
{
    CReadBuffer buffer;
    if (!m_buffers.FindAnswerBuffer(dwSendTick, buffer))
        return {};
    std::string strAnswer = CReadBufferPool::AnswerText(buffer);
    if (m_bDebug)
        DebugPrint("<<< FindAnswer '%s' into data[%d]\n", strAnswer.c_str(), buffer.nId);
    m_buffers.GiveBack(buffer);
    return strAnswer;
}

CTermoSensor4Quorax::eCollect CTermoSensor4Quorax::CollectDataBlock(std::uint32_t dwSendTick, std::int32_t& nCount)
{
    nCount = 0;
    const auto stopped = [this] { return m_bStop.load() || m_bCancel.load(); };
    CDataBlockCollector collector(m_vTraceValues);
    int nAttempt = 0;
    bool bComplete = false;
    while (!bComplete) {
        if (stopped())
            return eCollectStopped;
        CReadBuffer buffer;
        if (m_buffers.WaitAnswer(dwSendTick, buffer, CReadBufferPool::kAttemptMs, stopped)) {
            nAttempt = 0;
            if (!collector.HeaderSeen() && m_bDebug)
                DebugPrint("!!! FindBlockData '%s' into data[%d]\n", buffer.pData, buffer.nId);
            const CDataBlockCollector::eFeed feed =
                collector.Feed(buffer.pData, static_cast<std::size_t>(buffer.nLength));
            m_buffers.GiveBack(buffer);
            switch (feed) {
            case CDataBlockCollector::eFeedMore:
                break;
            case CDataBlockCollector::eFeedComplete:
                bComplete = true;
                continue;
            case CDataBlockCollector::eFeedBadFirst:
                DebugPrintW(L"\nERROR: read_data() error - wrang data format, first symbol must be # !!!\r\n");
                return eCollectNoBlock;
            case CDataBlockCollector::eFeedBadSecond:
                DebugPrintW(L"\nERROR: read_data() error - wrang data format, second symbol must be digit !!!\r\n");
                return eCollectNoBlock;
            case CDataBlockCollector::eFeedBadCount:
                DebugPrintW(L"\nERROR: read_data() error - wrang data number = %d !!!\r\n", collector.HeaderCount());
                return eCollectNoBlock;
            case CDataBlockCollector::eFeedTooLarge:
                DebugPrintW(L"\nERROR: read_data() error - data number = %d is above the limit of %d values !!!\r\n",
                            collector.HeaderCount(), CDataBlockCollector::kMaxValues);
                return eCollectNoBlock;
            }
        } else if (stopped()) {
            return eCollectStopped;
        }
        if (++nAttempt >= CReadBufferPool::kAnswerAttempts)
            break;
    }
    nCount = collector.Count();
    if (m_bDebug)
        DebugPrint("!!! Finish data reading with size = %d\n", nCount);
    return nCount > 0 ? eCollectBlock : eCollectNoBlock;
}

bool CTermoSensor4Quorax::read_data(std::uint32_t dwSendTick, std::int32_t nChannel, double dStep)
{
    std::int32_t nCount = 0;
    const eCollect collect = CollectDataBlock(dwSendTick, nCount);
    if (collect == eCollectStopped)
        return false;
    if (collect == eCollectBlock)
        DistributeTrace(m_vTraceValues.data(), nCount, nChannel, dStep);
    return true;
}

// ---- acquisition loop ----

void CTermoSensor4Quorax::MainLoop(CMainLoopArgs args)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&args.dwAddress);
    DebugPrint("MainLoop %d.%d.%d.%d:%d\n", bytes[0], bytes[1], bytes[2], bytes[3], args.wPort);
    while (!m_bStop) {
        DebugPrint("MainLoop #1\n");
        const int nSocket = Connect(args.dwAddress, args.wPort);
        if (nSocket < 0) {
            WaitForStop(1000);
            continue;
        }
        DebugPrint("MainLoop #2\n");
        m_socket = nSocket;
        m_bCancel = false;
        m_threadRead = std::thread([this, nSocket] {
            try {
                ReadLoop(nSocket);
            } catch (...) {
            }
        });
        m_threadSave = std::thread([this] {
            DebugPrint("+++ start SAVE loop +++\n");
            try {
                SaveLoop();
            } catch (...) {
            }
            DebugPrint("--- end SAVE loop ---\n");
        });

        int nStep = 0;
        if (!DeviceLoop(nSocket, nStep, args.bRestartDevice, args.nScanTimeout)) {
            char message[512];
            std::snprintf(message, sizeof(message), "PyrolanServer::DeviceLoop ERROR on step %d.\n", nStep);
            DebugOutputWrite(message);
        }

        m_bAcquiring = false;
        m_bCancel = true;
        m_buffers.Wake();
        m_socket = -1;
        DebugPrint("MainLoop #3\n");
        Disconnect(nSocket);
        DebugPrint("MainLoop #4\n");
        m_threadRead.join();
        m_threadSave.join();
        LinkClose(nSocket);
        DebugPrint("MainLoop #5\n");
        if (m_bStop)
            break;
        WaitForStop(10000);
    }
}

bool CTermoSensor4Quorax::DeviceLoop(int nSocket, int& nStep, bool bRestartDevice, std::int32_t nScanTimeout)
{
    std::uint32_t dwSendTick = 0;
    char command[64];
    if (bRestartDevice) {
        nStep = 1;
        if (!SendRequest(nSocket, ":MEAS:SEQ OFF\n", dwSendTick))
            return false;
        WaitForStop(333);
        nStep = 2;
        if (!SendRequest(nSocket, ":MEAS:SEQ ON\n", dwSendTick))
            return false;
        WaitForStop(333);
    }

    nStep = 3;
    bool bRunning = false;
    for (int attempt = 0; attempt < 10 && !bRunning; ++attempt) {
        if (m_bStop)
            return true;
        bRunning = CheckSequence(nSocket);
    }
    if (!bRunning)
        return false;

    nStep = 6;
    if (!SendRequest(nSocket, ":READ:TRAC:IND?\n", dwSendTick))
        return false;
    std::string strAnswer = FindAnswer(dwSendTick);
    nStep = 7;
    if (strAnswer.empty())
        return false;
    std::int32_t nLastIndex = AnswerInt(strAnswer);
    if (nLastIndex > 0)
        --nLastIndex;

    const std::int64_t nExpiryLimit = static_cast<std::int64_t>(m_vPlanes.size()) * nScanTimeout;
    m_bAcquiring = true;
    std::uint32_t dwLastPoll = TimeSource().TickCount() - 20000U;
    while (!m_bStop) {
        if (TimeSource().TickCount() - dwLastPoll < 10000U) {
            WaitForStop(100);
            continue;
        }
        const std::uint32_t dwPollStart = TimeSource().TickCount();
        ExpireStaleLines(nExpiryLimit);

        nStep = 11;
        if (!SendRequest(nSocket, ":READ:TRAC:IND?\n", dwSendTick))
            return false;
        strAnswer = FindAnswer(dwSendTick);
        nStep = 12;
        if (strAnswer.empty())
            return false;
        const std::int32_t nIndex = AnswerInt(strAnswer);
        if (m_bDebug)
            DebugPrint("DeviceLoop: CurIndex=%d/%d (from answer '%s')\r\n", nIndex, nLastIndex, strAnswer.c_str());
        if (nIndex < 0 || nIndex == nLastIndex) {
            dwLastPoll = dwPollStart;
            continue;
        }

        nStep = 13;
        std::snprintf(command, sizeof(command), ":READ:TRAC:SIND? %d\n", nIndex);
        if (!SendRequest(nSocket, command, dwSendTick))
            return false;
        strAnswer = FindAnswer(dwSendTick);
        nStep = 15;
        if (strAnswer.empty())
            return false;
        const std::int32_t nSet = AnswerInt(strAnswer);

        nStep = 16;
        std::snprintf(command, sizeof(command), ":CONF:MEAS:SET:CHAN? %d\n", nSet);
        if (!SendRequest(nSocket, command, dwSendTick))
            return false;
        strAnswer = FindAnswer(dwSendTick);
        nStep = 17;
        if (strAnswer.empty())
            return false;
        const std::int32_t nChannel = AnswerInt(strAnswer);

        nStep = 18;
        std::snprintf(command, sizeof(command), ":READ:TRAC:STEP? %d\n", nIndex);
        if (!SendRequest(nSocket, command, dwSendTick))
            return false;
        strAnswer = FindAnswer(dwSendTick);
        nStep = 19;
        if (strAnswer.empty())
            return false;
        const double dStep = AnswerReal(strAnswer);

        WaitForStop(100);
        nStep = 20;
        std::snprintf(command, sizeof(command), ":READ:TRAC:THER:DATA? %d\n", nIndex);
        if (!SendRequest(nSocket, command, dwSendTick))
            return false;
        nStep = 21;
        if (!read_data(dwSendTick, nChannel, dStep))
            return false;
        nLastIndex = nIndex;
        dwLastPoll = TimeSource().TickCount();
    }
    nStep = 99;
    return true;
}

bool CTermoSensor4Quorax::CheckSequence(int nSocket)
{
    std::uint32_t dwSendTick = 0;
    if (!SendRequest(nSocket, ":MEAS:SEQ:STAT?\n", dwSendTick))
        return false;
    const std::string strAnswer = FindAnswer(dwSendTick);
    if (strAnswer.empty())
        return false;
    if (AnswerInt(strAnswer) == 1)
        return true;
    if (SendRequest(nSocket, ":MEAS:SEQ ON\n", dwSendTick))
        WaitForStop(333);
    return false;
}

void CTermoSensor4Quorax::ExpireStaleLines(std::int64_t nLimitSeconds)
{
    const std::uint32_t dwNow = NonZeroTick();
    const std::int64_t nLimitMs = nLimitSeconds * 1000;
    std::vector<std::size_t> vStale;
    for (std::size_t i = 0; i < m_vPlanes.size() && i < m_vLineTicks.size(); ++i) {
        std::vector<std::uint32_t>& vTicks = m_vLineTicks[i];
        vStale.clear();
        for (std::size_t line = 0; line < vTicks.size(); ++line) {
            if (vTicks[line] == 0)
                continue;
            const std::int32_t nAge = static_cast<std::int32_t>(dwNow - vTicks[line]);
            if (nAge > nLimitMs)
                vStale.push_back(line);
        }
        CPlaneInfo* pPlane = m_vPlanes[i].get();
        if (vStale.empty() || pPlane == nullptr)
            continue;
        std::lock_guard<std::mutex> guard(pPlane->m_mutex);
        const std::size_t nPoints = static_cast<std::size_t>(pPlane->m_nPointsPerLine);
        for (const std::size_t line : vStale) {
            vTicks[line] = 0;
            if ((line + 1) * nPoints <= pPlane->m_vImage.size())
                std::fill_n(pPlane->m_vImage.begin() + static_cast<std::ptrdiff_t>(line * nPoints), nPoints,
                            kInvalidTemperature);
            if (line < pPlane->m_vLineStat.size())
                pPlane->m_vLineStat[line] = CLineStat{};
        }
        SetDirty(static_cast<int>(i));
    }
}

// ---- trace decoding ----

void CTermoSensor4Quorax::DistributeTrace(const float* pValues, std::int32_t nCount, std::int32_t nChannel,
                                          double dStep)
{
    const std::uint32_t dwNow = NonZeroTick();
    for (std::size_t j = 0; j < m_vPlanes.size() && j < m_vLineTicks.size(); ++j) {
        CPlaneInfo* pPlane = m_vPlanes[j].get();
        if (pPlane == nullptr)
            continue;
        std::lock_guard<std::mutex> guard(pPlane->m_mutex);
        bool bChanged = false;
        const std::int32_t nPoints = pPlane->m_nPointsPerLine;
        for (const CChannelInfo& channel : m_vChannels) {
            if (channel.nChannel != nChannel)
                continue;
            for (const CSegmentInfo& segment : channel.vSegments) {
                if (segment.nPlane != static_cast<std::int32_t>(j) + 1 || segment.nLine < 1)
                    continue;
                CSegmentSpan span;
                std::int32_t nStored = 0;
                // Spans that cannot be decoded and lines outside the plane are skipped.
                if (!ComputeSegmentSpan(segment.dStart, segment.dEnd, dStep, CDataBlockCollector::kMaxValues, span) ||
                    !StoredLine(segment.nLine, pPlane->m_nLines, pPlane->m_bUpsideDown, nStored))
                    continue;
                if (span.nFirst >= nCount ||
                    static_cast<std::size_t>(nStored + 1) * static_cast<std::size_t>(nPoints) > pPlane->m_vImage.size() ||
                    static_cast<std::size_t>(nStored) >= pPlane->m_vLineStat.size() ||
                    static_cast<std::size_t>(nStored) >= m_vLineTicks[j].size())
                    continue;
                const std::size_t nSamples = static_cast<std::size_t>(span.nSamples);
                if (m_vSegmentPoints.size() < nSamples)
                    m_vSegmentPoints.resize(nSamples, kInvalidTemperature);
                std::fill_n(m_vSegmentPoints.begin(), nSamples, kInvalidTemperature);
                const std::int32_t nEnd = span.nLast < nCount ? span.nLast : nCount;
                const std::int32_t nCopied = nEnd - span.nFirst;
                std::copy(pValues + span.nFirst, pValues + nEnd, m_vSegmentPoints.begin());

                float* pLine = pPlane->m_vImage.data() + static_cast<std::ptrdiff_t>(nStored) * nPoints;
                StretchPoints(m_vSegmentPoints.data(), span.nSamples, pLine, nPoints, segment.bRightToLeft);
                CLineStat& stat = pPlane->m_vLineStat[static_cast<std::size_t>(nStored)];
                stat = ComputeLineStat(pLine, static_cast<std::size_t>(nPoints));
                m_vLineTicks[j][static_cast<std::size_t>(nStored)] = dwNow;
                bChanged = true;
                if (m_bDebug)
                    DebugPrint("Ch%d: Plane=%d, Tube=%d=%d, cnt=%d/%d => avg=%.3f[cnt=%d/%d], min=%.3f, max=%.3f, "
                               "diff=%.3f, \n",
                               nChannel, static_cast<int>(j), nStored, segment.nLine - 1, nCopied, span.nSamples,
                               static_cast<double>(stat.fAvg), stat.nCount, nPoints, static_cast<double>(stat.fMin),
                               static_cast<double>(stat.fMax), static_cast<double>(stat.fMax - stat.fMin));
            }
        }
        if (!bChanged)
            continue;
        SetDirty(static_cast<int>(j));
        AddData4SaveLocal(static_cast<int>(j));
        if (m_bDebug) {
            const std::uint32_t dwSummary = TimeSource().TickCount();
            const std::vector<std::uint32_t>& vTicks = m_vLineTicks[j];
            std::string strSummary;
            char part[64];
            std::snprintf(part, sizeof(part), "------- Plane#%d lines[%d]&time:", static_cast<int>(j) + 1,
                          pPlane->m_nLines);
            strSummary += part;
            for (std::size_t k = 0; k < vTicks.size(); ++k) {
                bool bSeen = false;
                for (std::size_t e = 0; e < k && !bSeen; ++e)
                    bSeen = vTicks[e] == vTicks[k];
                if (bSeen)
                    continue;
                int nGroup = 0;
                for (std::size_t e = k; e < vTicks.size(); ++e)
                    nGroup += vTicks[e] == vTicks[k] ? 1 : 0;
                const int nAge = vTicks[k] == 0 ? -999 : static_cast<int>(dwSummary - vTicks[k]);
                std::snprintf(part, sizeof(part), " %d[%d]", nGroup, nAge);
                strSummary += part;
            }
            strSummary += " -----\n";
            DebugOutputWrite(strSummary);
        }
    }
}

// ---- history hand-over ----

void CTermoSensor4Quorax::AddData4SaveLocal(int nGlobalIndex)
{
    // The caller holds the plane's m_mutex.
    const auto& plane = m_vPlanes[static_cast<std::size_t>(nGlobalIndex)];
    if (plane != nullptr)
        m_history.AddData(nGlobalIndex, *plane);
}

void CTermoSensor4Quorax::SaveLoop() { m_history.SaveLoop(m_bStop, m_bCancel); }

int CTermoSensor4Quorax::HistoryPlaneIndex(int nTankIndex, int nPlaneIndex) const
{
    if (nTankIndex < 0 || nPlaneIndex < 0 || nPlaneIndex >= ePlaneMax)
        return -1;
    const int g = GlobalPlaneIndex(nTankIndex, nPlaneIndex);
    return g < static_cast<int>(m_vPlanes.size()) ? g : -1;
}

bool CTermoSensor4Quorax::FindHistory(int nTankIndex, int nPlaneIndex, FILETIME64 ftNeed, bool bAfter, float fMinLimit,
                                      float fMaxLimit, FILETIME64& ftHas, float& fMinHas, float& fMaxHas)
{
    const int g = HistoryPlaneIndex(nTankIndex, nPlaneIndex);
    return g >= 0 && m_pHistorySearch != nullptr &&
           m_pHistorySearch->FindHistory(g, ftNeed, bAfter, fMinLimit, fMaxLimit, ftHas, fMinHas, fMaxHas);
}

bool CTermoSensor4Quorax::GetErrorInterval(int nTankIndex, int nPlaneIndex, FILETIME64 ftNeed, bool bAfter,
                                           float fMinLimit, float fMaxLimit, FILETIME64& ftFrom, FILETIME64& ftTo)
{
    const int g = HistoryPlaneIndex(nTankIndex, nPlaneIndex);
    return g >= 0 && m_pHistorySearch != nullptr &&
           m_pHistorySearch->GetErrorInterval(g, ftNeed, bAfter, fMinLimit, fMaxLimit, ftFrom, ftTo);
}

bool CTermoSensor4Quorax::FillHistoryData(int nTankIndex, int nPlaneIndex, FILETIME64 ftNeed, HistoryImage& image)
{
    const int g = HistoryPlaneIndex(nTankIndex, nPlaneIndex);
    return g >= 0 && m_pHistorySearch != nullptr && m_pHistorySearch->FillHistoryData(g, ftNeed, image);
}

eHistoryState CTermoSensor4Quorax::GetHistoryState() { return m_history.GetHistoryState(m_bAcquiring); }
