// The simulated sensor: twelve planes refreshed one every 30 s with a synthetic picture or the
// picture of an operator's CSV file, sprinkled with invalid points.
#pragma once

#include "CLineStat.h"
#include "CTermoSensor.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class CTermoSensorDummy : public CTermoSensor {
public:
    // Rows beyond this are ignored with one log line; a row holds at most 512 values, since each
    // value takes a character and a ';' of its 1023-character piece.
    static constexpr int kCsvMaxRows = 1000;
    static constexpr int kCsvPieceLength = 1023;
    static constexpr int kPlaneCount = 12;
    static constexpr std::uint32_t kRefreshPeriodMs = 30'000;

    // The CSV file to read; empty takes ServerCsvPath().
    explicit CTermoSensorDummy(std::string strCsvPath = {});

    HRESULT InitSensor() override;
    void Poll() override;

    // Reads a CSV file into a matrix of rows x columns (rows filled up with 0.0). Answers false when
    // the file cannot be opened; a file without values gives an empty matrix.
    static bool ReadCsvFile(const std::string& strPath, std::vector<float>& vMatrix, std::int32_t& nRows,
                            std::int32_t& nColumns);

    const std::string& CsvPath() const { return m_strCsvPath; }

private:
    void GenerateSynthetic(double dBase);
    void GenerateFromCsv();

    std::string m_strCsvPath;
    std::vector<float> m_vScratchImage;
    std::vector<CLineStat> m_vScratchStat;
    std::vector<double> m_vBase;
    std::vector<double> m_vDrift;
    std::array<bool, kPlaneCount> m_vRising{};
    std::int32_t m_nCurrentPlane = 0;
    std::vector<float> m_vCsvMatrix;
    std::int32_t m_nCsvColumns = 0;
    std::int32_t m_nCsvRows = 0;
    std::uint32_t m_dwLastPoll = 0;
};
