// The simulated instrument: loopback listener, one thread per connection, command framing, answers,
// the temperature model and the injected faults.
#include "CInstrumentSimulator.h"

#include "DebugOutput.h"
#include "TimeSource.h"

#include <algorithm>
#include <arpa/inet.h>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A command without its zero byte that grows beyond this is not the protocol; it is dropped.
constexpr std::size_t kMaxPendingBytes = 64 * 1024;
// The record of commands keeps the most recent ones, so a program running for days stays bounded.
constexpr std::size_t kMaxRecordedCommands = 100000;
// Model time of one trace: the server polls every 10 s.
constexpr double kSecondsPerTrace = 10.0;
// Cold spots: one born every kSpotPeriod seconds, each living kSpotLife seconds.
constexpr double kSpotPeriod = 60.0;
constexpr double kSpotLife = 600.0;
constexpr double kPi = 3.14159265358979323846;

std::uint64_t Mix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// A reproducible number in [0, 1) from the seed and up to three keys.
double Unit(std::uint32_t dwSeed, std::uint64_t a, std::uint64_t b = 0, std::uint64_t c = 0)
{
    const std::uint64_t h = Mix(Mix(Mix(Mix(dwSeed) ^ a) ^ b) ^ c);
    return static_cast<double>(h >> 11) * (1.0 / 9007199254740992.0);
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// atoi-style: leading blanks, optional sign, digits; no digits (or overflow) gives 0. Advances pos.
int ReadInt(std::string_view text, std::size_t& pos)
{
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
    std::size_t begin = pos;
    if (pos < text.size() && text[pos] == '+')
        begin = ++pos;
    int value = 0;
    const auto result = std::from_chars(text.data() + begin, text.data() + text.size(), value);
    if (result.ec != std::errc())
        value = 0;
    pos = static_cast<std::size_t>(result.ptr - text.data());
    return value;
}

std::string FormatReal(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

void AppendBigEndian(std::string& strOut, float value)
{
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
    strOut.push_back(static_cast<char>(bits >> 24));
    strOut.push_back(static_cast<char>(bits >> 16));
    strOut.push_back(static_cast<char>(bits >> 8));
    strOut.push_back(static_cast<char>(bits));
}

bool IsBlockFault(eSimFault fault)
{
    return fault == eSimFault_BadFirstByte || fault == eSimFault_BadSecondByte || fault == eSimFault_SmallCount ||
           fault == eSimFault_HugeCount;
}

constexpr std::string_view kDataQuestion = ":READ:TRAC:THER:DATA?";

} // namespace

struct CInstrumentSimulator::Connection {
    int nSocket = -1;  // closed only by the serving thread; others only shut it down
    std::thread thread;
    std::atomic<bool> bDone{false};
};

CInstrumentSimulator::CInstrumentSimulator(SimPlant plant, std::uint32_t dwSeed)
    : m_plant(std::move(plant)), m_dwSeed(dwSeed)
{
}

CInstrumentSimulator::~CInstrumentSimulator() { Stop(); }

bool CInstrumentSimulator::Start(std::uint16_t wPort)
{
    if (m_threadAccept.joinable())
        return false;
    const int nSocket = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (nSocket < 0) {
        DebugOutputWrite("CInstrumentSimulator: socket() error " + std::to_string(errno) + " !!!\n");
        return false;
    }
    const int nOne = 1;
    setsockopt(nSocket, SOL_SOCKET, SO_REUSEADDR, &nOne, sizeof nOne);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(wPort);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t nLength = sizeof address;
    if (bind(nSocket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(nSocket, 8) != 0 ||
        getsockname(nSocket, reinterpret_cast<sockaddr*>(&address), &nLength) != 0) {
        DebugOutputWrite("CInstrumentSimulator: cannot listen on 127.0.0.1:" + std::to_string(wPort) + ", error " +
                         std::to_string(errno) + " !!!\n");
        close(nSocket);
        return false;
    }
    m_bStop = false;
    m_wPort = ntohs(address.sin_port);
    m_nListenSocket = nSocket;
    m_threadAccept = std::thread([this] { AcceptLoop(); });
    return true;
}

std::uint16_t CInstrumentSimulator::Port() const { return m_wPort; }

void CInstrumentSimulator::Stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_cvStop.notify_all();
    const int nListen = m_nListenSocket.load();
    if (nListen >= 0)
        shutdown(nListen, SHUT_RDWR);
    if (m_threadAccept.joinable())
        m_threadAccept.join();
    if (nListen >= 0) {
        close(nListen);
        m_nListenSocket = -1;
    }
    std::vector<std::shared_ptr<Connection>> vConnections;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& pConnection : m_vConnections)
            if (pConnection->nSocket >= 0)
                shutdown(pConnection->nSocket, SHUT_RDWR);
        vConnections.swap(m_vConnections);
    }
    for (const auto& pConnection : vConnections)
        if (pConnection->thread.joinable())
            pConnection->thread.join();
}

void CInstrumentSimulator::AcceptLoop()
{
    const int nListen = m_nListenSocket.load();
    while (!m_bStop) {
        const int nSocket = accept4(nListen, nullptr, nullptr, SOCK_CLOEXEC);
        if (nSocket < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            break;
        }
        const int nOne = 1;
        // Every answer should leave as its own packet, as the instrument sends it.
        setsockopt(nSocket, IPPROTO_TCP, TCP_NODELAY, &nOne, sizeof nOne);
        ReapFinished();
        auto pConnection = std::make_shared<Connection>();
        pConnection->nSocket = nSocket;
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_bStop) {
            close(nSocket);
            break;
        }
        ++m_nConnectionCount;
        pConnection->thread = std::thread([this, pConnection] { ServeConnection(pConnection); });
        m_vConnections.push_back(std::move(pConnection));
    }
}

void CInstrumentSimulator::ReapFinished()
{
    std::vector<std::shared_ptr<Connection>> vFinished;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto it = std::stable_partition(m_vConnections.begin(), m_vConnections.end(),
                                              [](const auto& p) { return !p->bDone.load(); });
        vFinished.assign(std::make_move_iterator(it), std::make_move_iterator(m_vConnections.end()));
        m_vConnections.erase(it, m_vConnections.end());
    }
    for (const auto& pConnection : vFinished)
        pConnection->thread.join();
}

void CInstrumentSimulator::ServeConnection(const std::shared_ptr<Connection>& pConnection)
{
    Connection& connection = *pConnection;
    std::string strPending;
    char buffer[4096];
    bool bOpen = true;
    bool bDiscarding = false;  // inside an overlong command: everything up to its zero byte goes
    while (bOpen && !m_bStop) {
        const ssize_t nReceived = recv(connection.nSocket, buffer, sizeof buffer, 0);
        if (nReceived < 0 && errno == EINTR)
            continue;
        if (nReceived <= 0)
            break;
        strPending.append(buffer, static_cast<std::size_t>(nReceived));
        // Commands end with LF and one zero byte; the zero byte is what separates them.
        std::size_t nBegin = 0;
        for (std::size_t nZero; bOpen && (nZero = strPending.find('\0', nBegin)) != std::string::npos;
             nBegin = nZero + 1) {
            if (bDiscarding)
                bDiscarding = false;
            else if (nZero > nBegin)
                bOpen = HandleCommand(connection, strPending.substr(nBegin, nZero - nBegin));
        }
        strPending.erase(0, nBegin);
        if (!bDiscarding && strPending.size() > kMaxPendingBytes) {
            DebugOutputWrite("CInstrumentSimulator: a command longer than " + std::to_string(kMaxPendingBytes) +
                             " bytes is dropped !!!\n");
            bDiscarding = true;
        }
        if (bDiscarding)
            strPending.clear();
    }
    shutdown(connection.nSocket, SHUT_RDWR);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        close(connection.nSocket);
        connection.nSocket = -1;
    }
    connection.bDone = true;
}

bool CInstrumentSimulator::HandleCommand(Connection& connection, const std::string& strCommand)
{
    std::string_view text(strCommand);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_vCommands.size() >= kMaxRecordedCommands)
            m_vCommands.erase(m_vCommands.begin(), m_vCommands.begin() + kMaxRecordedCommands / 10);
        m_vCommands.push_back(strCommand);
        if (text == ":MEAS:SEQ ON" || text == ":MEAS:SEQ OFF") {
            if (!m_bSequenceHold)
                m_nSequenceState = text == ":MEAS:SEQ ON" ? 1 : 0;
            return true;
        }
    }
    if (text.find('?') == std::string_view::npos)
        return true;

    const bool bData = StartsWith(text, kDataQuestion);
    FaultRule fault{};
    const bool bFault = TakeFault(std::string(text), bData, fault);
    if (bFault) {
        if (fault.eFault == eSimFault_NoAnswer)
            return true;
        if (fault.eFault == eSimFault_Close)
            return false;
        if (fault.eFault == eSimFault_LateAnswer && !PauseFor(fault.dwDelayMs))
            return false;
    }
    const FaultRule* pFault = bFault ? &fault : nullptr;
    if (bData) {
        std::size_t pos = kDataQuestion.size();
        return SendAnswer(connection, DataBlock(ReadInt(text, pos), pFault), true, pFault);
    }
    bool bAnswered = false;
    const std::string strAnswer = TextAnswer(std::string(text), bAnswered);
    if (!bAnswered)
        return true;
    return SendAnswer(connection, strAnswer, false, pFault);
}

bool CInstrumentSimulator::TakeFault(const std::string& strCommand, bool bDataQuestion, FaultRule& rule)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_vFaults.begin(); it != m_vFaults.end(); ++it) {
        if (IsBlockFault(it->eFault) && !bDataQuestion)
            continue;
        if (!StartsWith(strCommand, it->strPrefix))
            continue;
        rule = *it;
        if (it->nCount > 0 && --it->nCount == 0)
            m_vFaults.erase(it);
        return true;
    }
    return false;
}

std::string CInstrumentSimulator::TextAnswer(const std::string& strQuestion, bool& bAnswered)
{
    const std::string_view text(strQuestion);
    bAnswered = true;
    std::lock_guard<std::mutex> lock(m_mutex);
    auto argument = [&](std::string_view prefix) {
        std::size_t pos = prefix.size();
        return ReadInt(text, pos);
    };
    if (text == ":MEAS:SEQ:STAT?")
        return std::to_string(m_nSequenceState) + m_strEnding;
    if (text == ":READ:TRAC:IND?")
        return std::to_string(CurrentIndexLocked()) + m_strEnding;
    if (StartsWith(text, ":READ:TRAC:SIND?"))
        return std::to_string(SetOfTrace(argument(":READ:TRAC:SIND?"))) + m_strEnding;
    if (StartsWith(text, ":CONF:MEAS:SET:CHAN?")) {
        const int nSet = argument(":CONF:MEAS:SET:CHAN?");
        const int nChannel = nSet >= 1 && nSet <= static_cast<int>(m_plant.vChannels.size())
                                 ? m_plant.vChannels[static_cast<std::size_t>(nSet - 1)].nChannel
                                 : 0;
        return std::to_string(nChannel) + m_strEnding;
    }
    if (StartsWith(text, ":READ:TRAC:STEP?"))
        return FormatReal(m_plant.dStep) + m_strEnding;
    if (text == ":CONF:SEQ:SEQ?") {
        if (!m_strChannelList.empty())
            return m_strChannelList + m_strEnding;
        std::string strList;
        for (const SimChannel& channel : m_plant.vChannels)
            strList += (strList.empty() ? "" : m_strSeparator) + std::to_string(channel.nChannel);
        return strList + m_strEnding;
    }
    constexpr std::string_view kSens = ":CONF:CALC:SENS";
    constexpr std::string_view kSegm = ":SEGM";
    if (StartsWith(text, kSens)) {
        std::size_t pos = kSens.size();
        const int nChannel = ReadInt(text, pos);
        if (StartsWith(text.substr(pos), kSegm)) {
            pos += kSegm.size();
            const int nSegment = ReadInt(text, pos);
            const std::string_view item = text.substr(std::min(pos, text.size()));
            SimSegment seg;
            for (const SimChannel& channel : m_plant.vChannels) {
                if (channel.nChannel == nChannel) {
                    if (nSegment >= 1 && nSegment <= static_cast<int>(channel.vSegments.size()))
                        seg = channel.vSegments[static_cast<std::size_t>(nSegment - 1)];
                    break;
                }
            }
            if (item == ":GROU?")
                return std::to_string(seg.nGroup) + m_strEnding;
            if (item == ":ID?")
                return std::to_string(seg.nId) + m_strEnding;
            if (item == ":START?")
                return FormatReal(seg.dStart) + m_strEnding;
            if (item == ":END?")
                return FormatReal(seg.dEnd) + m_strEnding;
        }
    }
    bAnswered = false;
    return {};
}

std::string CInstrumentSimulator::DataBlock(int nIndex, const FaultRule* pFault) const
{
    const std::vector<float> vValues = TraceValues(nIndex);
    const eSimFault fault = pFault ? pFault->eFault : eSimFault_NoAnswer;
    std::string strBlock;
    std::size_t nValues = vValues.size();
    if (fault == eSimFault_SmallCount) {
        strBlock = "#15";
        nValues = 5;
    } else if (fault == eSimFault_HugeCount) {
        strBlock = "#9999999999";
        nValues = 10;
    } else {
        const std::string strCount = std::to_string(vValues.size());
        strBlock = "#" + std::to_string(strCount.size()) + strCount;
        if (vValues.empty())
            strBlock = "#0";
        if (fault == eSimFault_BadFirstByte)
            strBlock[0] = 'X';
        else if (fault == eSimFault_BadSecondByte)
            strBlock[1] = 'X';
    }
    for (std::size_t i = 0; i < nValues; ++i)
        AppendBigEndian(strBlock, i < vValues.size() ? vValues[i] : 25.0f);
    return strBlock;
}

bool CInstrumentSimulator::SendAll(Connection& connection, const char* pData, std::size_t nLength)
{
    while (nLength > 0) {
        const ssize_t nSent = send(connection.nSocket, pData, nLength, MSG_NOSIGNAL);
        if (nSent < 0 && errno == EINTR)
            continue;
        if (nSent <= 0)
            return false;
        pData += nSent;
        nLength -= static_cast<std::size_t>(nSent);
    }
    return true;
}

bool CInstrumentSimulator::SendAnswer(Connection& connection, const std::string& strAnswer, bool bData,
                                      const FaultRule* pFault)
{
    if (pFault && pFault->eFault == eSimFault_SplitAnswer && strAnswer.size() >= 2) {
        const std::size_t nFirst = strAnswer.size() / 2;
        return SendAll(connection, strAnswer.data(), nFirst) && PauseFor(std::max<std::uint32_t>(pFault->dwDelayMs, 1)) &&
               SendAll(connection, strAnswer.data() + nFirst, strAnswer.size() - nFirst);
    }
    std::size_t nChunk = 0;
    std::uint32_t dwGap = 0;
    if (bData) {
        std::lock_guard<std::mutex> lock(m_mutex);
        nChunk = m_nChunkBytes;
        dwGap = m_dwChunkGapMs;
    }
    if (nChunk == 0)
        return SendAll(connection, strAnswer.data(), strAnswer.size());
    for (std::size_t nOffset = 0; nOffset < strAnswer.size(); nOffset += nChunk) {
        if (nOffset > 0 && !PauseFor(dwGap))
            return false;
        if (!SendAll(connection, strAnswer.data() + nOffset, std::min(nChunk, strAnswer.size() - nOffset)))
            return false;
    }
    return true;
}

bool CInstrumentSimulator::PauseFor(std::uint32_t dwMilliseconds)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (dwMilliseconds > 0)
        TimeSource().WaitFor(m_cvStop, lock, dwMilliseconds, [this] { return m_bStop.load(); });
    return !m_bStop;
}

int CInstrumentSimulator::CurrentIndexLocked() const
{
    if (m_dwIntervalMs == 0)
        return m_nIndexBase;
    const std::uint32_t dwElapsed = TimeSource().TickCount() - m_dwIndexBaseTick;
    return m_nIndexBase + static_cast<int>(dwElapsed / m_dwIntervalMs);
}

void CInstrumentSimulator::SetSequenceState(int nState, bool bHold)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nSequenceState = nState;
    m_bSequenceHold = bHold;
}

int CInstrumentSimulator::SequenceState() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nSequenceState;
}

void CInstrumentSimulator::SetTraceIntervalMs(std::uint32_t dwIntervalMs)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nIndexBase = CurrentIndexLocked();
    m_dwIndexBaseTick = TimeSource().TickCount();
    m_dwIntervalMs = dwIntervalMs;
}

int CInstrumentSimulator::AdvanceTrace()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_nIndexBase;
    return CurrentIndexLocked();
}

void CInstrumentSimulator::SetTraceIndex(int nIndex)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nIndexBase = nIndex;
    m_dwIndexBaseTick = TimeSource().TickCount();
}

int CInstrumentSimulator::TraceIndex() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return CurrentIndexLocked();
}

int CInstrumentSimulator::SetOfTrace(int nIndex) const
{
    const long long nCount = static_cast<long long>(m_plant.vChannels.size());
    if (nCount == 0)
        return 0;
    return static_cast<int>(((static_cast<long long>(nIndex) - 1) % nCount + nCount) % nCount + 1);
}

int CInstrumentSimulator::ChannelOfTrace(int nIndex) const
{
    const int nSet = SetOfTrace(nIndex);
    return nSet == 0 ? 0 : m_plant.vChannels[static_cast<std::size_t>(nSet - 1)].nChannel;
}

std::vector<float> CInstrumentSimulator::TraceValues(int nIndex) const
{
    std::function<std::vector<float>(int, int)> generator;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        generator = m_generator;
    }
    const int nChannel = ChannelOfTrace(nIndex);
    // The generator runs without the lock, so it may call back into the simulator.
    return generator ? generator(nChannel, nIndex) : ModelTrace(nChannel, nIndex);
}

std::vector<float> CInstrumentSimulator::ModelTrace(int nChannel, int nIndex) const
{
    const auto it = std::find_if(m_plant.vChannels.begin(), m_plant.vChannels.end(),
                                 [&](const SimChannel& c) { return c.nChannel == nChannel; });
    if (it == m_plant.vChannels.end())
        return {};
    const std::size_t nChannelIndex = static_cast<std::size_t>(it - m_plant.vChannels.begin());
    const int nSamples = std::max(it->nTraceLength, 0);
    const double dStep = m_plant.dStep > 0.0 ? m_plant.dStep : 0.25;
    const double t = kSecondsPerTrace * nIndex;
    const std::uint64_t key = static_cast<std::uint32_t>(nChannel);
    const double dPhase = 2.0 * kPi * Unit(m_dwSeed, key, 1);

    std::vector<float> vValues(static_cast<std::size_t>(nSamples));
    for (int i = 0; i < nSamples; ++i) {
        const double x = i * dStep;
        const double dNoise = Unit(m_dwSeed, key, static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(nIndex)) - 0.5;
        vValues[static_cast<std::size_t>(i)] = static_cast<float>(
            20.0 + 3.0 * std::sin(2.0 * kPi * t / 3600.0 + dPhase) + 1.5 * std::sin(x / 7.3 + dPhase) + 0.2 * dNoise);
    }

    // Cold spots across the whole plant: each picks a channel and a place within its segments, drifts
    // along it and fades in and out over its life.
    double dLow = 0.0;
    double dHigh = nSamples * dStep;
    if (!it->vSegments.empty()) {
        dLow = it->vSegments.front().dStart;
        dHigh = it->vSegments.front().dEnd;
        for (const SimSegment& seg : it->vSegments) {
            dLow = std::min(dLow, seg.dStart);
            dHigh = std::max(dHigh, seg.dEnd);
        }
    }
    const long long kFirst = static_cast<long long>(std::floor((t - kSpotLife) / kSpotPeriod)) - 1;
    const long long kLast = static_cast<long long>(std::floor(t / kSpotPeriod));
    for (long long k = kFirst; k <= kLast; ++k) {
        const std::uint64_t spot = static_cast<std::uint64_t>(k);
        const double dBorn = k * kSpotPeriod + kSpotPeriod * Unit(m_dwSeed, spot, 10);
        const double dAge = t - dBorn;
        if (dAge < 0.0 || dAge >= kSpotLife)
            continue;
        if (static_cast<std::size_t>(Unit(m_dwSeed, spot, 11) * m_plant.vChannels.size()) != nChannelIndex)
            continue;
        const double dCentre = dLow + (dHigh - dLow) * Unit(m_dwSeed, spot, 12) +
                               (Unit(m_dwSeed, spot, 13) - 0.5) * 0.1 * dAge;
        const double dWidth = 1.0 + 3.0 * Unit(m_dwSeed, spot, 14);
        const double dDepth = (4.0 + 8.0 * Unit(m_dwSeed, spot, 15)) * std::sin(kPi * dAge / kSpotLife);
        const int nFrom = std::max(0, static_cast<int>((dCentre - 4.0 * dWidth) / dStep));
        const int nTo = std::min(nSamples, static_cast<int>((dCentre + 4.0 * dWidth) / dStep) + 1);
        for (int i = nFrom; i < nTo; ++i) {
            const double d = (i * dStep - dCentre) / dWidth;
            vValues[static_cast<std::size_t>(i)] -= static_cast<float>(dDepth * std::exp(-0.5 * d * d));
        }
    }
    return vValues;
}

void CInstrumentSimulator::SetTraceGenerator(std::function<std::vector<float>(int nChannel, int nIndex)> generator)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_generator = std::move(generator);
}

void CInstrumentSimulator::SetAnswerEnding(std::string strEnding)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_strEnding = std::move(strEnding);
}

void CInstrumentSimulator::SetChannelListSeparator(std::string strSeparator)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_strSeparator = std::move(strSeparator);
}

void CInstrumentSimulator::SetChannelListAnswer(std::string strAnswer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_strChannelList = std::move(strAnswer);
}

void CInstrumentSimulator::InjectFault(eSimFault fault, std::string_view strCommandPrefix, int nCount,
                                       std::uint32_t dwDelayMs)
{
    if (nCount == 0)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_vFaults.push_back({fault, std::string(strCommandPrefix), nCount < 0 ? -1 : nCount, dwDelayMs});
}

void CInstrumentSimulator::ClearFaults()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_vFaults.clear();
}

void CInstrumentSimulator::SetDataChunkSize(std::size_t nBytes, std::uint32_t dwGapMs)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nChunkBytes = nBytes;
    m_dwChunkGapMs = dwGapMs;
}

void CInstrumentSimulator::CloseConnections()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& pConnection : m_vConnections)
        if (pConnection->nSocket >= 0)
            shutdown(pConnection->nSocket, SHUT_RDWR);
}

std::vector<std::string> CInstrumentSimulator::ReceivedCommands() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_vCommands;
}

void CInstrumentSimulator::ClearReceivedCommands()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_vCommands.clear();
}

int CInstrumentSimulator::ConnectionCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nConnectionCount;
}

int CInstrumentSimulator::OpenConnections() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(std::count_if(m_vConnections.begin(), m_vConnections.end(),
                                          [](const auto& p) { return !p->bDone.load(); }));
}
