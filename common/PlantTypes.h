// Plant enumerations and the temperature conventions shared by server, viewer and tool.
#pragma once

enum ePlaneID {
    ePlaneBottom = 0,
    ePlaneWest = 1,
    ePlaneEast = 2,
    ePlaneNorth = 3,
    ePlaneSouth = 4,
    ePlaneTop = 5,
    ePlaneMax = 6,
};

enum eTankID {
    eTankFirst = 0,
    eTankSecond = 1,
};

enum eHistoryState {
    eHistoryState_None = 0,
    eHistoryState_Running = 1,
    eHistoryState_NoData = 2,
    eHistoryState_NoFile = 3,
    eHistoryState_Init = 4,
};

// Two tanks of six planes: all that the broker, the shared regions and the viewer can show.
inline constexpr int kMaxPlanes = 12;

// The server marks a missing or invalid point with this value (bit pattern 0xC3960000).
inline constexpr float kInvalidTemperature = -300.0f;
// The server counts a point as valid when it is greater than this.
inline constexpr float kValidTemperatureLimit = -299.0f;
// The viewer counts a point as valid when it is above this, and writes kViewerNoValue itself.
inline constexpr float kViewerValidLimit = -289.9f;
inline constexpr float kViewerNoValue = -299.9f;

inline constexpr bool IsValidTemperature(float value) { return value > kValidTemperatureLimit; }

// Global plane index of plane p of tank t, as the sensor lists its planes.
inline constexpr int GlobalPlaneIndex(int tank, int plane) { return tank * ePlaneMax + plane; }
