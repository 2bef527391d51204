// Opens the instrument sensor's link, loop and decoding operations to the tests.
#pragma once

#include "CTermoSensor4Quorax.h"

#include <memory>
#include <vector>

class CQuoraxTestAccess : public CTermoSensor4Quorax {
public:
    using CTermoSensor4Quorax::CTermoSensor4Quorax;
    using CTermoSensor4Quorax::eCollect;
    using CTermoSensor4Quorax::CollectDataBlock;
    using CTermoSensor4Quorax::DistributeTrace;
    using CTermoSensor4Quorax::ExpireStaleLines;
    using CTermoSensor4Quorax::FindAnswer;

    // A sensor without configuration file: planes of (lines, points, upside down), the given channels.
    struct PlaneSpec {
        int nLines;
        int nPoints;
        bool bUpsideDown;
    };
    void Build(const std::vector<PlaneSpec>& vPlanes, std::vector<CChannelInfo> vChannels, bool bDebug = false)
    {
        m_vPlanes.clear();
        m_vLineTicks.clear();
        for (const PlaneSpec& plane : vPlanes) {
            m_vPlanes.push_back(std::make_shared<CPlaneInfo>(137, 40, plane.nLines, plane.nPoints, plane.bUpsideDown));
            m_vLineTicks.emplace_back(static_cast<std::size_t>(plane.nLines), 0U);
        }
        ResetDirtyFlags();
        m_vChannels = std::move(vChannels);
        m_bDebug = bDebug;
        m_buffers.Allocate();
    }
    CPlaneInfo& Plane(std::size_t j) { return *m_vPlanes[j]; }
    std::vector<std::vector<std::uint32_t>>& LineTicks() { return m_vLineTicks; }
    CReadBufferPool& Buffers() { return m_buffers; }
    const std::vector<float>& TraceValues() const { return m_vTraceValues; }
    std::size_t ScratchCapacity() const { return m_vSegmentPoints.capacity(); }
    void SetCancel(bool b) { m_bCancel = b; }
};

inline CSegmentInfo Segment(int nPlane, int nLine, double dStart, double dEnd, bool bRightToLeft = false)
{
    return CSegmentInfo{nPlane, nLine, dStart, dEnd, bRightToLeft};
}
