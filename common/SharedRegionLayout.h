// Byte layouts, sizes and names of the LIVE and HISTORY shared-memory regions, with little-endian
// accessors that are safe at any offset.
#pragma once

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

static_assert(std::endian::native == std::endian::little, "the regions are little-endian and copied as they are");

// Header at offset 0 of the LIVE region; packed, its offset table is unaligned.
struct LiveRegionHeader {
    static constexpr std::size_t kTickCount = 0;
    static constexpr std::size_t kVersion = 4;
    static constexpr std::size_t kVersionSize = 32;
    static constexpr std::size_t kRecordCount = 36;
    static constexpr std::size_t kRecordOffsets = 37;
    static constexpr std::size_t kMaxRecords = 24;
    static constexpr std::size_t kSize = 133;
    // Offset of entry k of the record offset table.
    static constexpr std::size_t RecordOffsetEntry(std::size_t k) { return kRecordOffsets + 4 * k; }
};
static_assert(LiveRegionHeader::RecordOffsetEntry(LiveRegionHeader::kMaxRecords) == LiveRegionHeader::kSize);

// One plane's record in the LIVE region; every field is 4-aligned when the record start is.
struct LivePlaneRecord {
    static constexpr std::size_t kRecordSize = 0;
    static constexpr std::size_t kTankIndex = 4;
    static constexpr std::size_t kPlaneIndex = 8;
    static constexpr std::size_t kHeadCounter = 12;
    static constexpr std::size_t kTailOffset = 16;
    static constexpr std::size_t kDXmeter = 20;
    static constexpr std::size_t kDYmeter = 24;
    static constexpr std::size_t kTermogrammCount4DX = 28;
    static constexpr std::size_t kTermogrammCount4DY = 32;
    static constexpr std::size_t kCellCount = 36;
    static constexpr std::size_t kTemperatures = 40;
    // Fields, spare word and tail counter around the temperatures.
    static constexpr std::int64_t kFixedSize = 48;
    static constexpr std::int64_t Size(std::int64_t nCells) { return kFixedSize + 4 * nCells; }
};

// Header at offset 0 of the HISTORY region; the temperatures follow it.
struct HistoryRegionHeader {
    static constexpr std::size_t kVersion = 0;
    static constexpr std::size_t kVersionSize = 32;
    static constexpr std::size_t kRegionSize = 32;
    static constexpr std::size_t kTankIndex = 36;
    static constexpr std::size_t kPlaneIndex = 40;
    static constexpr std::size_t kFtHasH = 44;
    static constexpr std::size_t kFtHasL = 48;
    static constexpr std::size_t kMinTemperature = 52;
    static constexpr std::size_t kMaxTemperature = 56;
    static constexpr std::size_t kTermogrammCount4DX = 60;
    static constexpr std::size_t kTermogrammCount4DY = 64;
    static constexpr std::size_t kCellCount = 68;
    static constexpr std::size_t kTemperatures = 72;
    static constexpr std::size_t kSize = 72;
    // The region keeps this many bytes beyond header and temperatures.
    static constexpr std::int64_t kSpare = 4;
};

inline constexpr const char kLiveRegionVersion[] = "PRLNSharedRegion_Version_2.0";
inline constexpr const char kHistoryRegionVersion[] = "PRLNSharedHistory_Version_2.0";
inline constexpr const char kLiveRegionBaseName[] = "PRLNSharedRegion2";
inline constexpr const char kHistoryRegionBaseName[] = "PRLNSharedHistory2";
// Appended to both names when set, so that parallel test runs on one machine keep apart.
inline constexpr const char kRegionSuffixVariable[] = "PYROLAN_REGION_SUFFIX";

inline std::string RegionSuffix()
{
    const char* suffix = std::getenv(kRegionSuffixVariable);
    return suffix != nullptr ? std::string(suffix) : std::string();
}
inline std::string LiveRegionName() { return kLiveRegionBaseName + RegionSuffix(); }
inline std::string HistoryRegionName() { return kHistoryRegionBaseName + RegionSuffix(); }

// Record 0 starts here: the header size rounded up to a multiple of 4.
inline constexpr std::int64_t kFirstRecordOffset = 136;
// The HISTORY region holds at least this many bytes of temperatures.
inline constexpr std::int64_t kMinHistoryImageBytes = 1'000'000;

inline constexpr std::int64_t AlignUp4(std::int64_t n) { return (n + 3) & ~std::int64_t{3}; }
// Whole 4096-byte pages with at least 4 bytes to spare behind the last record.
inline constexpr std::int64_t LiveRegionSize(std::int64_t nEndOfRecords) { return (nEndOfRecords + 4099) & ~std::int64_t{4095}; }
inline constexpr std::int64_t HistoryRegionSize(std::int64_t nLargestCells)
{
    return static_cast<std::int64_t>(HistoryRegionHeader::kSize) + HistoryRegionHeader::kSpare +
           std::max(kMinHistoryImageBytes, 4 * nLargestCells);
}

// One plane as the LIVE region lays it out.
struct LiveRecordLayout {
    std::int32_t nTankIndex = 0;
    std::int32_t nPlaneIndex = 0;
    std::int32_t nDXmeter = 0;
    std::int32_t nDYmeter = 0;
    std::int32_t nTermogrammCount4DX = 0;
    std::int32_t nTermogrammCount4DY = 0;
    std::int64_t nCellCount = 0;
    std::int64_t nRecordStart = 0;
    std::int64_t nRecordSize = 0;
};

struct RegionPlan {
    std::vector<LiveRecordLayout> vRecords;
    std::int64_t nLiveSize = 0;
    std::int64_t nHistorySize = 0;
};

// Places the records one after the other from offset 136 and sizes both regions. The planes come in
// record order with their four sizes filled in; negative counts are taken as 0.
inline RegionPlan PlanRegions(std::vector<LiveRecordLayout> vPlanes)
{
    RegionPlan plan;
    std::int64_t offset = static_cast<std::int64_t>(LiveRegionHeader::kSize);
    std::int64_t largest = 0;
    for (LiveRecordLayout& record : vPlanes) {
        record.nCellCount = static_cast<std::int64_t>(std::max(record.nTermogrammCount4DX, 0)) *
                            std::max(record.nTermogrammCount4DY, 0);
        record.nRecordStart = AlignUp4(offset);
        record.nRecordSize = LivePlaneRecord::Size(record.nCellCount);
        offset = record.nRecordStart + record.nRecordSize;
        largest = std::max(largest, record.nCellCount);
    }
    plan.vRecords = std::move(vPlanes);
    plan.nLiveSize = LiveRegionSize(offset);
    plan.nHistorySize = HistoryRegionSize(largest);
    return plan;
}

// The fence around the cell copy of the LIVE region. ThreadSanitizer does not model fences (GCC warns
// about them there); it cannot see the other process of this protocol either, and readers in the
// writer's process map the region at another address, so nothing is lost for it.
inline void RegionFence(std::memory_order order)
{
#if defined(__SANITIZE_THREAD__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wtsan"
#endif
    std::atomic_thread_fence(order);
#if defined(__SANITIZE_THREAD__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
}

// Unaligned little-endian access by copy; none of these reads or writes more than its four bytes.
inline std::uint32_t LoadU32(const std::byte* p)
{
    std::uint32_t value;
    std::memcpy(&value, p, sizeof(value));
    return value;
}
inline std::int32_t LoadI32(const std::byte* p) { return static_cast<std::int32_t>(LoadU32(p)); }
inline float LoadF32(const std::byte* p) { return std::bit_cast<float>(LoadU32(p)); }
inline void StoreU32(std::byte* p, std::uint32_t value) { std::memcpy(p, &value, sizeof(value)); }
inline void StoreI32(std::byte* p, std::int32_t value) { StoreU32(p, static_cast<std::uint32_t>(value)); }
inline void StoreF32(std::byte* p, float value) { StoreU32(p, std::bit_cast<std::uint32_t>(value)); }

// A version field: the text, its NUL and zeros up to the field's size.
inline void StoreVersion(std::byte* p, std::size_t nFieldSize, std::string_view text)
{
    std::memset(p, 0, nFieldSize);
    std::memcpy(p, text.data(), std::min(text.size(), nFieldSize - 1));
}
// The text of a version field up to its first NUL, never beyond the field.
inline std::string LoadVersion(const std::byte* p, std::size_t nFieldSize)
{
    const char* text = reinterpret_cast<const char*>(p);
    const void* nul = std::memchr(text, 0, nFieldSize);
    return std::string(text, nul != nullptr ? static_cast<const char*>(nul) - text : nFieldSize);
}
