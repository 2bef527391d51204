// Fuzz target: the instrument sensor's configuration reader on arbitrary file content.
#include "CQuoraxConfig.h"
#include "DebugOutput.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = [] {
        SetDebugOutputSink([](std::string_view) {}, false);
        return "/tmp/pyrolan-fuzz-config-" + std::to_string(::getpid()) + ".ini";
    }();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    CQuoraxConfig config;
    if (config.Read(path) == CQuoraxConfig::eReadOk) {
        config.CompletePlanes();
        config.SizeLines();
        for (const auto& plane : config.m_vPlanes)
            if (plane->m_vImage.size() != static_cast<std::size_t>(plane->m_nCells) ||
                plane->m_vLineStat.size() != static_cast<std::size_t>(plane->m_nLines))
                __builtin_trap();
        (void)config.NormalisedPostPlay("/etc");
        (void)config.ParsedAddress();
    }
    return 0;
}
