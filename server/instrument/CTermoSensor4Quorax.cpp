// Start-up and stop of the instrument sensor.
#include "CTermoSensor4Quorax.h"

#include "CQuoraxConfig.h"
#include "DebugPrint.h"
#include "ServerFilePaths.h"
#include "TextConvert.h"

CTermoSensor4Quorax::CTermoSensor4Quorax(std::string strConfigPath)
    : m_strConfigPath(strConfigPath.empty() ? ServerConfigurationPath() : std::move(strConfigPath))
{
    m_args.pSensor = this;
}

CTermoSensor4Quorax::~CTermoSensor4Quorax() = default;

HRESULT CTermoSensor4Quorax::InitSensor()
{
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

    DebugPrint("InitSensor #3\n");
    DebugPrint("InitSensor #4\n");

    const std::size_t slash = m_strConfigPath.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : m_strConfigPath.substr(0, slash + 1);
    m_strPostPlay = config.NormalisedPostPlay(folder);
    if (!m_strPostPlay.empty())
        DebugPrintW(L"InitSensor #5  PostPlay='%ls'\n", WideToWchar(NarrowToWide(m_strPostPlay)).c_str());

    m_args.dwAddress = config.ParsedAddress();
    m_args.wPort = config.m_wPort;
    m_args.bRestartDevice = config.m_bRestartDevice;
    m_args.nScanTimeout = config.m_nScanTimeout;

    DebugPrint("InitSensor #9\n");
    return S_OK;
}

void CTermoSensor4Quorax::Stop()
{
    m_bStop = true;
    m_bCancel = true;
    if (m_threadMain.joinable())
        m_threadMain.join();
    m_vPlanes.clear();
}
