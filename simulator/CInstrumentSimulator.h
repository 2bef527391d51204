// Instrument simulator: a loopback TCP peer speaking the instrument's text protocol, with a configurable
// plant, changing traces with cold spots, and fault injection for tests of the server and the tool.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// One stretch of a channel as the instrument defines it: group = plane number (1-based), ID = line number.
struct SimSegment {
    int nGroup = 0;
    int nId = 0;
    double dStart = 0.0;  // positions along the channel, in the instrument's length unit
    double dEnd = 0.0;
};

// One measuring channel: its number in the sequence, its segments (segment k answers SEGM k+1) and the
// number of samples of each of its traces.
struct SimChannel {
    int nChannel = 0;
    std::vector<SimSegment> vSegments;
    int nTraceLength = 0;
};

// What the simulated instrument measures.
struct SimPlant {
    std::vector<SimChannel> vChannels;
    double dStep = 0.25;  // distance between two samples, answered to ":READ:TRAC:STEP?"

    // Two tanks of six planes (groups 1..12), 4 channels 1..4 of 2400 samples, each carrying three planes
    // with 4 lines each, segments of 40 units laid end to end from position 5.
    static SimPlant Demo();
    // For tests: channels 1 and 2 of 200 samples, step 0.25. Channel 1: {group 1, ID 1, 0..10},
    // {1, 2, 10..20}, {2, 1, 20..30}; channel 2: {1, 3, 5..15}, {2, 2, 15..25}.
    static SimPlant Small();

    // A server configuration for this plant, written as the configuration tool writes it (segments of a
    // channel by ascending start, alternating LtR/RtL, planes alternating DtU/UtD); the channel lines
    // carry the step as a fourth field only when it is not 0.25.
    std::string ConfigText(const std::string& strIp, int nPort, const std::string& strPostPlay) const;
};

// Faults the simulator injects into the questions it answers (see InjectFault).
enum eSimFault {
    eSimFault_NoAnswer = 0,       // the question gets no answer
    eSimFault_LateAnswer = 1,     // the answer is sent dwDelayMs after the question
    eSimFault_SplitAnswer = 2,    // the answer is sent as two packets, dwDelayMs (at least 1) apart
    eSimFault_BadFirstByte = 3,   // data block only: begins with 'X' instead of '#'
    eSimFault_BadSecondByte = 4,  // data block only: '#' followed by 'X'
    eSimFault_SmallCount = 5,     // data block only: "#15" and five values
    eSimFault_HugeCount = 6,      // data block only: "#9999999999" (N = 999,999,999, the most one digit D allows) and ten values
    eSimFault_Close = 7,          // the instrument closes the connection instead of answering
};

class CInstrumentSimulator {
public:
    // Traces are the built-in model (deterministic from dwSeed and the trace index) until a generator is set.
    explicit CInstrumentSimulator(SimPlant plant = SimPlant::Demo(), std::uint32_t dwSeed = 1);
    ~CInstrumentSimulator();  // Stop()
    CInstrumentSimulator(const CInstrumentSimulator&) = delete;
    CInstrumentSimulator& operator=(const CInstrumentSimulator&) = delete;

    // Listens on 127.0.0.1:wPort (0 = ephemeral) and serves each accepted connection on its own thread.
    bool Start(std::uint16_t wPort = 0);
    // The bound port; 0 before Start.
    std::uint16_t Port() const;
    // Closes the listener and every connection and joins all threads; a late answer in progress is cut short.
    void Stop();

    const SimPlant& Plant() const { return m_plant; }

    // Measurement-sequence state answered to ":MEAS:SEQ:STAT?"; ":MEAS:SEQ ON\n"/"OFF\n" set it to 1/0 unless
    // bHold, which keeps nState whatever the server sends (an instrument whose sequence never starts).
    void SetSequenceState(int nState, bool bHold = false);
    int SequenceState() const;

    // The trace index answered to ":READ:TRAC:IND?" starts at 1. With an interval above 0 it advances by one
    // every dwIntervalMs of TimeSource() time (0 = only by AdvanceTrace/SetTraceIndex).
    void SetTraceIntervalMs(std::uint32_t dwIntervalMs);
    // Advances the index by one and answers the new index.
    int AdvanceTrace();
    // Sets the index (0, or a smaller one to mimic a restarted numbering); the interval counts from now.
    void SetTraceIndex(int nIndex);
    int TraceIndex() const;

    // Trace i belongs to set s = ((i - 1) mod number of channels) + 1, answered to ":READ:TRAC:SIND? i";
    // ":CONF:MEAS:SET:CHAN? s" answers the number of channel s of the plant (0 for a set outside 1..count).
    int SetOfTrace(int nIndex) const;
    // Channel number of trace nIndex (what CHAN? answers for SIND? of nIndex).
    int ChannelOfTrace(int nIndex) const;
    // The values the data block of trace nIndex carries: the generator's, or the model's.
    std::vector<float> TraceValues(int nIndex) const;
    // The model's temperatures of channel nChannel at trace nIndex: about 20 °C with slow drift, and cold
    // spots (down to about 12 °C lower) that appear, move along a channel and vanish over some traces;
    // trace i shows the plant at i × 10 s, whatever the trace interval.
    std::vector<float> ModelTrace(int nChannel, int nIndex) const;
    // Replaces the model; an empty function restores it. The vector's size is the block's count N.
    void SetTraceGenerator(std::function<std::vector<float>(int nChannel, int nIndex)> generator);

    // Bytes appended to every text answer (default "\r\n"; e.g. std::string(1, '\0')). Data blocks get none.
    void SetAnswerEnding(std::string strEnding);
    // Separator between channel numbers in the answer to ":CONF:SEQ:SEQ?" (default ",").
    void SetChannelListSeparator(std::string strSeparator);
    // Answers ":CONF:SEQ:SEQ?" with this text instead (empty = built from the plant), e.g. "1,2;3" or "abc".
    void SetChannelListAnswer(std::string strAnswer);

    // Commands without '?' (the sequence switches) are never answered and take no fault.
    // The next nCount questions (-1 = all from now) whose text (without LF) begins with strCommandPrefix (empty = any)
    // get the fault; block faults only match ":READ:TRAC:THER:DATA?". Rules are tried in the order given.
    void InjectFault(eSimFault fault, std::string_view strCommandPrefix = {}, int nCount = 1,
                     std::uint32_t dwDelayMs = 0);
    void ClearFaults();
    // Sends data blocks in pieces of nBytes (0 = one send), dwGapMs of TimeSource() time apart.
    void SetDataChunkSize(std::size_t nBytes, std::uint32_t dwGapMs = 5);
    // Closes every open connection now (an instrument that drops its peer while idle).
    void CloseConnections();

    // Every command received, in order, as text without its zero byte (":MEAS:SEQ OFF\n"); the most recent
    // 100,000 are kept.
    std::vector<std::string> ReceivedCommands() const;
    void ClearReceivedCommands();
    // Connections accepted since construction.
    int ConnectionCount() const;
    // Connections open right now.
    int OpenConnections() const;

private:
    struct FaultRule {
        eSimFault eFault;
        std::string strPrefix;
        int nCount;
        std::uint32_t dwDelayMs;
    };
    struct Connection;

    void AcceptLoop();
    void ServeConnection(const std::shared_ptr<Connection>& pConnection);
    // False when the connection is to be closed.
    bool HandleCommand(Connection& connection, const std::string& strCommand);
    bool TakeFault(const std::string& strCommand, bool bDataQuestion, FaultRule& rule);
    std::string TextAnswer(const std::string& strQuestion, bool& bAnswered);
    std::string DataBlock(int nIndex, const FaultRule* pFault) const;
    bool SendAll(Connection& connection, const char* pData, std::size_t nLength);
    bool SendAnswer(Connection& connection, const std::string& strAnswer, bool bData, const FaultRule* pFault);
    bool PauseFor(std::uint32_t dwMilliseconds);
    int CurrentIndexLocked() const;
    void ReapFinished();

    const SimPlant m_plant;
    const std::uint32_t m_dwSeed;

    mutable std::mutex m_mutex;  // guards everything below except the atomics
    std::condition_variable m_cvStop;
    int m_nSequenceState = 1;
    bool m_bSequenceHold = false;
    int m_nIndexBase = 1;
    std::uint32_t m_dwIndexBaseTick = 0;
    std::uint32_t m_dwIntervalMs = 0;
    std::function<std::vector<float>(int, int)> m_generator;
    std::string m_strEnding = "\r\n";
    std::string m_strSeparator = ",";
    std::string m_strChannelList;
    std::vector<FaultRule> m_vFaults;
    std::size_t m_nChunkBytes = 0;
    std::uint32_t m_dwChunkGapMs = 5;
    std::vector<std::string> m_vCommands;
    std::vector<std::shared_ptr<Connection>> m_vConnections;
    int m_nConnectionCount = 0;

    std::atomic<bool> m_bStop{false};
    std::atomic<int> m_nListenSocket{-1};
    std::atomic<std::uint16_t> m_wPort{0};
    std::thread m_threadAccept;
};
