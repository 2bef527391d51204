// Fuzz target: the simulated sensor's CSV reader and one refresh on arbitrary file content.
#include "CTermoSensorDummy.h"
#include "DebugOutput.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = [] {
        SetDebugOutputSink([](std::string_view) {}, false);
        return "/tmp/pyrolan-fuzz-dummy-" + std::to_string(::getpid()) + ".csv";
    }();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    CTermoSensorDummy sensor(path);
    if (sensor.InitSensor() != S_OK)
        __builtin_trap();
    const int rows = sensor.GetLineCount(0, 0);
    const int columns = sensor.GetPointsPerLine(0, 0);
    if (rows < 1 || rows > CTermoSensorDummy::kCsvMaxRows || columns < 1 ||
        columns > (CTermoSensorDummy::kCsvPieceLength + 1) / 2)
        __builtin_trap();
    sensor.Poll();
    std::vector<float> image(static_cast<std::size_t>(rows * columns));
    sensor.CopyPlaneImage(0, 0, image.data(), rows * columns);
    return 0;
}
