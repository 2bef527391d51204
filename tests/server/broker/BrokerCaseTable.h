// One table of broker cases, run against the broker in the process and through the bus with the
// client proxy, so that the two implementations of the interfaces answer alike.
#pragma once

#include "IPyrolanBroker.h"
#include "TempDir.h"

#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

// The plants the cases run on, each made by a configuration file the server reads.
enum class eTestPlant {
    Dummy,        // Dummy=1 with a CSV picture of 3 lines x 3 points: 12 planes
    NoConfig,     // no configuration file: one tank without planes
    SevenPlanes,  // the instrument sensor with seven planes of 4 lines
};

// Writes the plant's configuration into the folder and answers the path for PYROLAN_SERVER_INI.
inline std::string WriteTestPlant(eTestPlant plant, const TempDir& dir)
{
    switch (plant) {
    case eTestPlant::Dummy:
        dir.Write("PyrolanServer.csv", "5;6;7\n3;9;4\n3;8;5\n");
        return dir.Write("PyrolanServer.ini", "Dummy=1\n");
    case eTestPlant::NoConfig:
        return dir.File("PyrolanServer.ini");
    case eTestPlant::SevenPlanes:
        return dir.Write("PyrolanServer.ini", "CntPlane=7\nPlane0=4\nPlane1=4\nPlane2=4\nPlane3=4\nPlane4=4\n"
                                              "Plane5=4\nPlane6=4\n");
    }
    return {};
}

// Renders a result and the [out] values: untouched outputs keep their start values 77 and 7.5, a
// null pointer shows as '-'. Region names are shown without the suffix of the test run.
class CaseOut {
public:
    explicit CaseOut(std::string strSuffix) : m_strSuffix(std::move(strSuffix)) {}

    std::int32_t n[6] = {77, 77, 77, 77, 77, 77};
    float f[6] = {7.5f, 7.5f, 7.5f, 7.5f, 7.5f, 7.5f};
    std::string str = "unset";

    std::string Show(HRESULT hr, const std::vector<std::string>& vValues) const
    {
        std::string text = Name(hr);
        for (const auto& value : vValues)
            text += " " + value;
        return text;
    }
    std::string N(int i) const { return std::to_string(n[i]); }
    std::string F(int i) const
    {
        char buffer[32];
        std::snprintf(buffer, sizeof(buffer), "%.9g", static_cast<double>(f[i]));
        return buffer;
    }
    std::string S() const
    {
        if (m_strSuffix.empty() || str.size() < m_strSuffix.size() ||
            str.compare(str.size() - m_strSuffix.size(), m_strSuffix.size(), m_strSuffix) != 0)
            return str;
        return str.substr(0, str.size() - m_strSuffix.size());
    }

private:
    static std::string Name(HRESULT hr)
    {
        switch (hr) {
        case S_OK: return "S_OK";
        case S_FALSE: return "S_FALSE";
        case E_POINTER: return "E_POINTER";
        case E_INVALIDARG: return "E_INVALIDARG";
        case E_ACCESSDENIED: return "E_ACCESSDENIED";
        case E_OUTOFMEMORY: return "E_OUTOFMEMORY";
        default: {
            char buffer[16];
            std::snprintf(buffer, sizeof(buffer), "0x%08X", static_cast<unsigned>(hr));
            return buffer;
        }
        }
    }
    std::string m_strSuffix;
};

struct BrokerCase {
    const char* szName;
    eTestPlant plant;
    std::function<std::string(IPyrolanBroker&, IPyrolanBrokerHistory&, CaseOut&)> call;
    const char* szExpected;
};

inline const std::vector<BrokerCase>& BrokerCases()
{
    using B = IPyrolanBroker;
    using H = IPyrolanBrokerHistory;
    using O = CaseOut;
    constexpr std::int32_t ftH = 0x01D00000;
    constexpr std::int32_t ftL = 0;
    static const std::vector<BrokerCase> cases = {
        // Counts and layout of the simulated sensor's twelve planes.
        {"tank count", eTestPlant::Dummy, [](B& b, H&, O& o) { const HRESULT hr = b.get_TankNumber(&o.n[0]);
        return o.Show(hr, {o.N(0)}); },
         "S_OK 2"},
        {"tank count without pointer", eTestPlant::Dummy,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.get_TankNumber(nullptr);
             return o.Show(hr, {});
         },
         "E_POINTER"},
        {"planes of tank 1", eTestPlant::Dummy,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.get_PlaneNumber(1, &o.n[0]);
             return o.Show(hr, {o.N(0)});
         }, "S_OK 6"},
        {"planes of tank 2", eTestPlant::Dummy,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.get_PlaneNumber(2, &o.n[0]);
             return o.Show(hr, {o.N(0)});
         }, "E_INVALIDARG 77"},
        {"planes of tank -1", eTestPlant::Dummy,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.get_PlaneNumber(-1, &o.n[0]);
             return o.Show(hr, {o.N(0)});
         }, "E_INVALIDARG 77"},
        {"plane count pointer before tank", eTestPlant::Dummy,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.get_PlaneNumber(-1, nullptr);
             return o.Show(hr, {});
         }, "E_POINTER"},
        {"lines of a plane", eTestPlant::Dummy,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.get_LinesNumber(1, 5, &o.n[0]);
             return o.Show(hr, {o.N(0)});
         }, "S_OK 3"},
        {"lines of plane 6", eTestPlant::Dummy,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.get_LinesNumber(0, 6, &o.n[0]);
             return o.Show(hr, {o.N(0)});
         }, "E_INVALIDARG 77"},
        {"line of a refreshed plane", eTestPlant::Dummy,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.GetLineTemperature(0, 0, 1, &o.f[0], &o.f[1], &o.f[2]);
             return o.Show(hr, {o.F(0), o.F(1), o.F(2)});
         },
         "S_OK 3 9 5.33333349"},
        {"line with only the average asked", eTestPlant::Dummy,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.GetLineTemperature(0, 0, 2, nullptr, nullptr, &o.f[2]);
             return o.Show(hr, {o.F(0), o.F(1), o.F(2)});
         },
         "S_OK 7.5 7.5 5.33333349"},
        {"line pointers before indexes", eTestPlant::Dummy,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.GetLineTemperature(9, 9, 9, nullptr, nullptr, nullptr);
             return o.Show(hr, {});
         },
         "E_POINTER"},
        {"line beyond the plane", eTestPlant::Dummy,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.GetLineTemperature(0, 0, 3, &o.f[0], &o.f[1], &o.f[2]);
             return o.Show(hr, {o.F(0), o.F(1), o.F(2)});
         },
         "E_INVALIDARG 7.5 7.5 7.5"},
        {"line of a plane not refreshed yet", eTestPlant::Dummy,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.GetLineTemperature(1, 0, 0, &o.f[0], &o.f[1], &o.f[2]);
             return o.Show(hr, {o.F(0), o.F(1), o.F(2)});
         },
         "S_OK -300 -300 -300"},
        {"summary of a plane with all lines valid", eTestPlant::Dummy,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.GetPlaneTemperature(0, 0, &o.f[0], &o.n[0], &o.f[1], &o.n[1], &o.f[2], &o.n[2]);
             return o.Show(hr,
                           {o.F(0), o.N(0), o.F(1), o.N(1), o.F(2), o.N(2)});
         },
         "S_OK 3 1 9 1 5.55555582 65535"},
        {"summary of a plane without values", eTestPlant::Dummy,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.GetPlaneTemperature(1, 0, &o.f[0], &o.n[0], &o.f[1], &o.n[1], &o.f[2], &o.n[2]);
             return o.Show(hr,
                           {o.F(0), o.N(0), o.F(1), o.N(1), o.F(2), o.N(2)});
         },
         "S_OK -300 0 -300 0 -300 0"},
        {"summary with only the last valid line", eTestPlant::Dummy,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.GetPlaneTemperature(0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, &o.n[2]);
             return o.Show(hr,
                           {o.N(2)});
         },
         "S_OK 65535"},
        {"summary without pointers", eTestPlant::Dummy,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.GetPlaneTemperature(7, 7, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
             return o.Show(hr, {});
         },
         "E_POINTER"},
        {"summary of tank 2", eTestPlant::Dummy,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.GetPlaneTemperature(2, 0, &o.f[0], &o.n[0], &o.f[1], &o.n[1], &o.f[2], &o.n[2]);
             return o.Show(hr,
                           {o.F(0), o.N(0)});
         },
         "E_INVALIDARG 7.5 77"},
        {"info of a bottom plane", eTestPlant::Dummy,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.GetPlaneInfo(0, 0, &o.n[0], &o.n[1], &o.n[2], &o.n[3]);
             return o.Show(hr, {o.N(0), o.N(1), o.N(2), o.N(3)});
         },
         "S_OK 137 40 3 3"},
        {"info of a west plane", eTestPlant::Dummy,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.GetPlaneInfo(1, 1, &o.n[0], &o.n[1], &o.n[2], &o.n[3]);
             return o.Show(hr, {o.N(0), o.N(1), o.N(2), o.N(3)});
         },
         "S_OK 40 24 3 3"},
        {"info of a south plane, sizes only", eTestPlant::Dummy,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.GetPlaneInfo(0, 4, &o.n[0], &o.n[1], nullptr, nullptr);
             return o.Show(hr, {o.N(0), o.N(1), o.N(2)});
         },
         "S_OK 137 24 77"},
        {"info of plane -1", eTestPlant::Dummy,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.GetPlaneInfo(0, -1, &o.n[0], &o.n[1], &o.n[2], &o.n[3]);
             return o.Show(hr, {o.N(0)});
         },
         "E_INVALIDARG 77"},
        {"live region", eTestPlant::Dummy,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.GetSharedName(&o.str, &o.n[0]);
             return o.Show(hr, {o.S(), o.N(0)});
         },
         "S_OK PRLNSharedRegion2 4096"},
        {"live region size only", eTestPlant::Dummy,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.GetSharedName(nullptr, &o.n[0]);
             return o.Show(hr, {o.N(0)});
         }, "S_OK 4096"},
        {"live region without pointers", eTestPlant::Dummy,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.GetSharedName(nullptr, nullptr);
             return o.Show(hr, {});
         }, "E_POINTER"},
        // The simulated sensor has no history.
        {"history region", eTestPlant::Dummy,
         [](B&, H& h, O& o) {
             const HRESULT hr = h.GetSharedName4History(&o.str, &o.n[0]);
             return o.Show(hr, {o.S(), o.N(0)});
         },
         "S_OK PRLNSharedHistory2 1000076"},
        {"history search finds nothing", eTestPlant::Dummy,
         [](B&, H& h, O& o) {
             const HRESULT hr = h.FindHistory(0, 0, ftH, ftL, 1, -10.0f, 50.0f, &o.n[0], &o.n[1], &o.f[0], &o.f[1]);
             return o.Show(hr,
                           {o.N(0), o.N(1), o.F(0), o.F(1)});
         },
         "S_FALSE 77 77 7.5 7.5"},
        {"history search without pointers", eTestPlant::Dummy,
         [](B&, H& h, O& o) {
             const HRESULT hr = h.FindHistory(5, 5, ftH, ftL, 0, 0.0f, 0.0f, nullptr, nullptr, nullptr, nullptr);
             return o.Show(hr, {});
         },
         "E_POINTER"},
        {"history search of tank 2", eTestPlant::Dummy,
         [](B&, H& h, O& o) {
             const HRESULT hr = h.FindHistory(2, 0, ftH, ftL, 1, -10.0f, 50.0f, &o.n[0], &o.n[1], &o.f[0], &o.f[1]);
             return o.Show(hr, {});
         },
         "E_INVALIDARG"},
        {"error interval finds nothing", eTestPlant::Dummy,
         [](B&, H& h, O& o) {
             const HRESULT hr = h.GetErrorInterval(1, 5, ftH, ftL, 0, -10.0f, 50.0f, &o.n[0], &o.n[1], &o.n[2], &o.n[3]);
             return o.Show(hr,
                           {o.N(0), o.N(1), o.N(2), o.N(3)});
         },
         "S_FALSE 77 77 77 77"},
        {"error interval of plane 6", eTestPlant::Dummy,
         [](B&, H& h, O& o) {
             const HRESULT hr = h.GetErrorInterval(0, 6, ftH, ftL, 0, -10.0f, 50.0f, &o.n[0], &o.n[1], &o.n[2], &o.n[3]);
             return o.Show(hr,
                           {});
         },
         "E_INVALIDARG"},
        {"history image not found", eTestPlant::Dummy,
         [](B&, H& h, O& o) {
             const HRESULT hr = h.FillHistoryData(0, 0, ftH, ftL, &o.n[0], &o.n[1]);
             return o.Show(hr, {o.N(0), o.N(1)});
         },
         "S_FALSE 77 77"},
        {"history image needs both pointers", eTestPlant::Dummy,
         [](B&, H& h, O& o) {
             const HRESULT hr = h.FillHistoryData(0, 0, ftH, ftL, &o.n[0], nullptr);
             return o.Show(hr, {o.N(0)});
         },
         "E_POINTER 77"},
        {"history image of plane 9", eTestPlant::Dummy,
         [](B&, H& h, O& o) {
             const HRESULT hr = h.FillHistoryData(0, 9, ftH, ftL, &o.n[0], &o.n[1]);
             return o.Show(hr, {});
         },
         "E_INVALIDARG"},
        {"history state", eTestPlant::Dummy,
         [](B&, H& h, O& o) {
             const HRESULT hr = h.GetHistoryState(&o.n[0]);
             return o.Show(hr, {o.N(0)});
         }, "S_OK 0"},
        {"history state without pointer", eTestPlant::Dummy,
         [](B&, H& h, O& o) { const HRESULT hr = h.GetHistoryState(nullptr); return o.Show(hr, {}); }, "E_POINTER"},
        // Without a configuration file: one tank without planes, both regions still there.
        {"tank count without configuration", eTestPlant::NoConfig,
         [](B& b, H&, O& o) { const HRESULT hr = b.get_TankNumber(&o.n[0]); return o.Show(hr, {o.N(0)}); }, "S_OK 1"},
        {"planes without configuration", eTestPlant::NoConfig,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.get_PlaneNumber(0, &o.n[0]);
             return o.Show(hr, {o.N(0)});
         }, "S_OK 0"},
        {"plane 0 without configuration", eTestPlant::NoConfig,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.GetPlaneInfo(0, 0, &o.n[0], &o.n[1], &o.n[2], &o.n[3]); return o.Show(hr, {o.N(0)});
         },
         "E_INVALIDARG 77"},
        {"lines without configuration", eTestPlant::NoConfig,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.get_LinesNumber(0, 0, &o.n[0]);
             return o.Show(hr, {o.N(0)});
         }, "E_INVALIDARG 77"},
        {"live region without planes", eTestPlant::NoConfig,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.GetSharedName(&o.str, &o.n[0]);
             return o.Show(hr, {o.S(), o.N(0)});
         },
         "S_OK PRLNSharedRegion2 4096"},
        {"history region without planes", eTestPlant::NoConfig,
         [](B&, H& h, O& o) {
             const HRESULT hr = h.GetSharedName4History(nullptr, &o.n[0]);
             return o.Show(hr, {o.N(0)});
         },
         "S_OK 1000076"},
        // Seven planes: the second tank has one, global plane 6.
        {"tanks of seven planes", eTestPlant::SevenPlanes,
         [](B& b, H&, O& o) { const HRESULT hr = b.get_TankNumber(&o.n[0]); return o.Show(hr, {o.N(0)}); }, "S_OK 2"},
        {"first tank of seven planes", eTestPlant::SevenPlanes,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.get_PlaneNumber(0, &o.n[0]);
             return o.Show(hr, {o.N(0)});
         }, "S_OK 6"},
        {"second tank of seven planes", eTestPlant::SevenPlanes,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.get_PlaneNumber(1, &o.n[0]);
             return o.Show(hr, {o.N(0)});
         }, "S_OK 1"},
        {"plane 0 of tank 1 is global plane 6", eTestPlant::SevenPlanes,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.GetPlaneInfo(1, 0, &o.n[0], &o.n[1], nullptr, &o.n[3]);
             return o.Show(hr, {o.N(0), o.N(1), o.N(3)});
         },
         "S_OK 137 40 4"},
        {"plane 1 of tank 1 with seven planes", eTestPlant::SevenPlanes,
         [](B& b, H&, O& o) {
             const HRESULT hr = b.get_LinesNumber(1, 1, &o.n[0]);
             return o.Show(hr, {o.N(0)});
         }, "E_INVALIDARG 77"},
    };
    return cases;
}
