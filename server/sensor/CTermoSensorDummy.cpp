// The simulated sensor's planes, its CSV reader and its periodic refresh.
#include "CTermoSensorDummy.h"

#include "CPlaneInfo.h"
#include "DebugPrint.h"
#include "ServerFilePaths.h"
#include "TimeSource.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>

namespace {

// 0 ... 32767 whatever RAND_MAX is, so that about one point in 16,000 drops out.
std::int32_t DropoutDistance() { return std::rand() & 0x7FFF; }

// Shared by every picture of the process; counts down to the next invalid point.
std::atomic<std::int32_t>& DropoutCounter()
{
    static std::atomic<std::int32_t> counter{DropoutDistance()};
    return counter;
}

float ApplyDropout(float value)
{
    std::atomic<std::int32_t>& counter = DropoutCounter();
    if (counter.fetch_sub(1, std::memory_order_relaxed) != 0)
        return value;
    counter.store(DropoutDistance(), std::memory_order_relaxed);
    return kInvalidTemperature;
}

// "%f" with the C locale's decimal point, whatever locale the program set.
class CNumericLocale {
public:
    CNumericLocale() : m_locale(::newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr)))
    {
        if (m_locale != static_cast<locale_t>(nullptr))
            m_previous = ::uselocale(m_locale);
    }
    ~CNumericLocale()
    {
        if (m_locale != static_cast<locale_t>(nullptr)) {
            ::uselocale(m_previous);
            ::freelocale(m_locale);
        }
    }
    CNumericLocale(const CNumericLocale&) = delete;
    CNumericLocale& operator=(const CNumericLocale&) = delete;

private:
    locale_t m_locale;
    locale_t m_previous = static_cast<locale_t>(nullptr);
};

// One piece of a line: numbers separated by ';' up to the first field that is no number.
std::vector<float> ParseRow(const char* piece)
{
    std::vector<float> row;
    const char* position = piece;
    for (;;) {
        float value = 0.0f;
        const int read = std::sscanf(position, "%f", &value);
        if (read == 1) {
            row.push_back(value);
        } else {
            if (read == EOF)
                row.push_back(0.0f);
            break;
        }
        const char* separator = std::strchr(position, ';');
        if (separator == nullptr)
            break;
        position = separator + 1;
    }
    return row;
}

}  // namespace

CTermoSensorDummy::CTermoSensorDummy(std::string strCsvPath)
    : m_strCsvPath(strCsvPath.empty() ? ServerCsvPath() : std::move(strCsvPath))
{
}

bool CTermoSensorDummy::ReadCsvFile(const std::string& strPath, std::vector<float>& vMatrix, std::int32_t& nRows,
                                    std::int32_t& nColumns)
{
    vMatrix.clear();
    nRows = 0;
    nColumns = 0;
    if (strPath.empty())
        return false;
    std::FILE* file = std::fopen(strPath.c_str(), "r");
    if (file == nullptr)
        return false;
    std::vector<std::vector<float>> rows;
    {
        const CNumericLocale numeric;
        char piece[kCsvPieceLength + 1];
        while (std::fgets(piece, sizeof(piece), file) != nullptr) {
            if (rows.size() == static_cast<std::size_t>(kCsvMaxRows)) {
                DebugPrint("CTermoSensorDummy::InitSensor: '%s' has more than %d rows, the rest is ignored\n",
                           strPath.c_str(), kCsvMaxRows);
                break;
            }
            rows.push_back(ParseRow(piece));
        }
    }
    std::fclose(file);
    while (!rows.empty() && rows.back().empty())
        rows.pop_back();
    std::size_t columns = 0;
    for (const auto& row : rows)
        columns = std::max(columns, row.size());
    if (columns == 0)
        return true;
    vMatrix.assign(rows.size() * columns, 0.0f);
    for (std::size_t r = 0; r < rows.size(); ++r)
        std::copy(rows[r].begin(), rows[r].end(), vMatrix.begin() + static_cast<std::ptrdiff_t>(r * columns));
    nRows = static_cast<std::int32_t>(rows.size());
    nColumns = static_cast<std::int32_t>(columns);
    return true;
}

HRESULT CTermoSensorDummy::InitSensor()
{
    ReadCsvFile(m_strCsvPath, m_vCsvMatrix, m_nCsvRows, m_nCsvColumns);
    if (m_vCsvMatrix.empty()) {
        m_nCsvColumns = 100;
        m_nCsvRows = 10;
    }
    const auto cells = static_cast<std::size_t>(m_nCsvRows) * static_cast<std::size_t>(m_nCsvColumns);
    m_vScratchImage.assign(cells, 0.0f);
    m_vScratchStat.assign(static_cast<std::size_t>(m_nCsvRows), CLineStat{});
    m_vBase.assign(kPlaneCount, 0.0);
    m_vDrift.assign(kPlaneCount, 0.0);
    m_vRising.fill(true);
    m_vPlanes.clear();
    for (int j = 0; j < kPlaneCount; ++j) {
        std::int32_t dx = 0;
        std::int32_t dy = 0;
        CPlaneInfo::NominalExtents(j, dx, dy);
        m_vPlanes.push_back(std::make_shared<CPlaneInfo>(dx, dy, m_nCsvRows, m_nCsvColumns, false));
        m_vBase[static_cast<std::size_t>(j)] = 2.0 + 2.0 * j / 12.0;
        m_vDrift[static_cast<std::size_t>(j)] = 0.1 * j / 12.0;
    }
    ResetDirtyFlags();
    m_nCurrentPlane = 0;
    m_dwLastPoll = 0;
    return S_OK;
}

void CTermoSensorDummy::GenerateSynthetic(double dBase)
{
    const auto rows = static_cast<std::size_t>(m_nCsvRows);
    const auto columns = static_cast<std::size_t>(m_nCsvColumns);
    for (std::size_t e = 0; e < rows; ++e) {
        const double a = std::sin(static_cast<double>(e) * 3.14 * (1.0 / static_cast<double>(rows)));
        float* line = m_vScratchImage.data() + e * columns;
        for (std::size_t i = 0; i < columns; ++i) {
            const double g = std::sin((1.0 / static_cast<double>(columns)) * (static_cast<double>(i) * 9.42)) * a;
            line[i] = ApplyDropout(static_cast<float>((g > 0.0 ? g * 10.0 : g) + dBase));
        }
        m_vScratchStat[e] = ComputeLineStat(line, columns);
    }
}

void CTermoSensorDummy::GenerateFromCsv()
{
    for (std::size_t k = 0; k < m_vScratchImage.size(); ++k)
        m_vScratchImage[k] = ApplyDropout(m_vCsvMatrix[k]);
    const auto columns = static_cast<std::size_t>(m_nCsvColumns);
    for (std::size_t e = 0; e < m_vScratchStat.size(); ++e)
        m_vScratchStat[e] = ComputeLineStat(m_vScratchImage.data() + e * columns, columns);
}

void CTermoSensorDummy::Poll()
{
    if (m_vPlanes.size() != static_cast<std::size_t>(kPlaneCount))
        return;
    const std::uint32_t now = TimeSource().TickCount();
    if (m_dwLastPoll != 0 && static_cast<std::int32_t>(now - m_dwLastPoll) < static_cast<std::int32_t>(kRefreshPeriodMs))
        return;
    m_dwLastPoll = now != 0 ? now : 1;
    const int p = m_nCurrentPlane;
    const auto index = static_cast<std::size_t>(p);
    const double base = m_vBase[index];

    if (m_vCsvMatrix.empty())
        GenerateSynthetic(base);
    else
        GenerateFromCsv();

    CPlaneInfo& plane = *m_vPlanes[index];
    {
        std::lock_guard<std::mutex> guard(plane.m_mutex);
        plane.m_vLineStat = m_vScratchStat;
        plane.m_vImage = m_vScratchImage;
        SetDirty(p);
    }

    double g = 0.0;
    if (m_vRising[index]) {
        g = base + m_vDrift[index];
        if (g > 6.0)
            m_vRising[index] = false;
    } else {
        g = base - m_vDrift[index];
        if (g < 1.0)
            m_vRising[index] = true;
    }
    m_vBase[index] = g;
    m_nCurrentPlane = p + 1 < kPlaneCount ? p + 1 : 0;
}
