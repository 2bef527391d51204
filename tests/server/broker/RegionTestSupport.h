// Test helpers for the shared regions: a per-process region name suffix and a sensor laid out by hand.
#pragma once

#include "CTermoSensor.h"
#include "SharedRegionLayout.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

// Gives this test process region names of its own, as parallel test runs need.
class ScopedRegionSuffix {
public:
    explicit ScopedRegionSuffix(const std::string& strSuffix = "-test-" + std::to_string(::getpid()))
    {
        ::setenv(kRegionSuffixVariable, strSuffix.c_str(), 1);
    }
    ~ScopedRegionSuffix() { ::unsetenv(kRegionSuffixVariable); }
    ScopedRegionSuffix(const ScopedRegionSuffix&) = delete;
    ScopedRegionSuffix& operator=(const ScopedRegionSuffix&) = delete;
};

// A sensor whose planes are given as (lines, points per line) in global order.
class LayoutSensor : public CTermoSensor {
public:
    explicit LayoutSensor(const std::vector<std::pair<int, int>>& vPlanes)
    {
        for (std::size_t i = 0; i < vPlanes.size(); ++i) {
            std::int32_t dx = 0;
            std::int32_t dy = 0;
            CPlaneInfo::NominalExtents(static_cast<int>(i), dx, dy);
            m_vPlanes.push_back(std::make_shared<CPlaneInfo>(dx, dy, vPlanes[i].first, vPlanes[i].second, false));
        }
        ResetDirtyFlags();
    }
    HRESULT InitSensor() override { return S_OK; }
    // Fills a plane's picture with one value and marks it changed, as the acquisition does.
    void Fill(int nGlobalIndex, float value)
    {
        CPlaneInfo& plane = *m_vPlanes[static_cast<std::size_t>(nGlobalIndex)];
        std::lock_guard<std::mutex> guard(plane.m_mutex);
        plane.m_vImage.assign(plane.m_vImage.size(), value);
        SetDirty(nGlobalIndex);
    }
};
