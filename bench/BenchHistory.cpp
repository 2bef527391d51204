// History search over a full month folder: 12 planes with one image per plane per minute (about 518,000
// files, generated once into a temporary folder). Each question is asked by listing the folders afresh
// and through the index; both must give the same answers.
#include "CHistorySearch.h"
#include "DebugOutput.h"
#include "HistoryImageFile.h"
#include "HistoryNames.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr FILETIME64 kSecond = kFileTimeTicksPerSecond;
constexpr int kPlanes = 12;
// Alarm limits of the viewer's timeline: images whose highest value exceeds 60.0 are out.
constexpr float kLower = 10.0f;
constexpr float kUpper = 60.0f;

FILETIME64 Local(int day, int hour, int minute, int second)
{
    CalendarTime local;
    local.nYear = 2024;
    local.nMonth = 11;
    local.nDay = day;
    local.nHour = hour;
    local.nMinute = minute;
    local.nSecond = second;
    FILETIME64 ft = 0;
    LocalCalendarToFileTime(local, ft);
    return ft;
}

// The month folder, made once per run; PYROLAN_BENCH_HISTORY_DAYS may shorten it (default 30 days).
class CMonthFixture {
public:
    CMonthFixture()
    {
        SetDebugOutputSink([](std::string_view) {}, false);
        ::setenv("TZ", "Europe/Berlin", 1);
        ::tzset();
        const char* days = std::getenv("PYROLAN_BENCH_HISTORY_DAYS");
        m_nDays = days != nullptr ? std::max(1, std::min(30, std::atoi(days))) : 30;
        std::string pattern = (std::filesystem::temp_directory_path() / "pyrolan-bench-history-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        m_strRoot = pattern + "/";
        const std::string folder = m_strRoot + "2024_11/";
        std::filesystem::create_directories(folder);
        std::filesystem::create_directories(m_strRoot + "2024_10");
        std::filesystem::create_directories(m_strRoot + "2024_12");

        const auto start = std::chrono::steady_clock::now();
        std::string bytes(kImageHeaderSize, '\0');
        const unsigned char header[kImageHeaderSize] = {'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0,
                                                        4,   0,   0,  0, 2, 0, 0, 0, 1, 0, 8,  0, 0, 0, 0, 0, 8, 0};
        bytes.assign(reinterpret_cast<const char*>(header), kImageHeaderSize);
        bytes.append("\x01\x40\x80\xFF\x00\x01\x02\x03", 8);
        for (int day = 1; day <= m_nDays; ++day)
            for (int minute = 0; minute < 1440; ++minute)
                for (int p = 1; p <= kPlanes; ++p) {
                    HistoryFileName name{p, day, minute / 60, minute % 60, 7, 150, minute % 30 >= 20 ? 650 : 550};
                    const std::string path = folder + FormatImageFileName(name);
                    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
                    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
                        std::abort();
                    ::close(fd);
                }
        m_dGenerationSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::fprintf(stderr, "history month: %d days, %d files, generated in %.1f s under %s\n", m_nDays,
                     m_nDays * 1440 * kPlanes, m_dGenerationSeconds, m_strRoot.c_str());
    }
    ~CMonthFixture()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_strRoot, ignored);
    }
    const std::string& Root() const { return m_strRoot; }
    int Days() const { return m_nDays; }

private:
    std::string m_strRoot;
    int m_nDays = 30;
    double m_dGenerationSeconds = 0;
};

CMonthFixture& Month()
{
    static CMonthFixture fixture;
    return fixture;
}

CHistorySearch& Search(CHistorySearch::eMode mode)
{
    static CHistorySearch listing(Month().Root(), CHistorySearch::eListing);
    static CHistorySearch indexed(Month().Root(), CHistorySearch::eIndexed);
    return mode == CHistorySearch::eListing ? listing : indexed;
}

// A moment in the middle of the stored days, between two images.
FILETIME64 Middle() { return Local((Month().Days() + 1) / 2, 12, 0, 30); }

// The viewer's LoadHistory: the image at or after the time, its loading, then the alarm intervals of a
// one-day window centred on it, backward and forward, at most 50 questions. Answers the questions asked.
int LoadHistory(CHistorySearch& search, FILETIME64 ft)
{
    FILETIME64 shown = 0;
    float lowest = 0;
    float highest = 0;
    if (!search.FindHistory(4, ft, true, 300.0f, -300.0f, shown, lowest, highest) &&
        !search.FindHistory(4, ft, false, 300.0f, -300.0f, shown, lowest, highest))
        return 0;
    HistoryImage image;
    if (!search.FillHistoryData(4, shown, image))
        std::abort();
    const FILETIME64 t0 = shown - 43200 * kSecond;
    const FILETIME64 t1 = shown + 43200 * kSecond;
    int questions = 0;
    for (FILETIME64 cursor = shown; cursor > t0 && questions < 50;) {
        FILETIME64 from = 0;
        FILETIME64 to = 0;
        ++questions;
        if (!search.GetErrorInterval(4, cursor, false, kLower, kUpper, from, to) || to <= t0)
            break;
        cursor = from - kSecond;
    }
    for (FILETIME64 cursor = shown; cursor < t1 && questions < 50;) {
        FILETIME64 from = 0;
        FILETIME64 to = 0;
        ++questions;
        if (!search.GetErrorInterval(4, cursor, true, kLower, kUpper, from, to) || from >= t1)
            break;
        cursor = to + kSecond;
    }
    return questions;
}

void BM_FindHistory(benchmark::State& state)
{
    auto& search = Search(static_cast<CHistorySearch::eMode>(state.range(0)));
    const FILETIME64 at = Middle();
    FILETIME64 warm = 0;
    float lowest = 0;
    float highest = 0;
    search.FindHistory(4, at, true, 300.0f, -300.0f, warm, lowest, highest);
    bool after = true;
    for (auto _ : state) {
        FILETIME64 has = 0;
        const bool found = search.FindHistory(4, at, after, 300.0f, -300.0f, has, lowest, highest);
        if (!found)
            std::abort();
        benchmark::DoNotOptimize(has);
        after = !after;
    }
}

void BM_FillHistoryData(benchmark::State& state)
{
    auto& search = Search(static_cast<CHistorySearch::eMode>(state.range(0)));
    const FILETIME64 at = Middle();
    HistoryImage warm;
    search.FillHistoryData(4, at, warm);
    for (auto _ : state) {
        HistoryImage image;
        if (!search.FillHistoryData(4, at, image))
            std::abort();
        benchmark::DoNotOptimize(image.vCells.data());
    }
}

void BM_LoadHistory(benchmark::State& state)
{
    auto& search = Search(static_cast<CHistorySearch::eMode>(state.range(0)));
    LoadHistory(search, Middle());
    int questions = 0;
    for (auto _ : state)
        questions = LoadHistory(search, Middle());
    state.counters["intervals"] = questions;
}

// The first question after start: the index lists the month folder once and sorts it.
void BM_FirstFindHistoryWithIndex(benchmark::State& state)
{
    const FILETIME64 at = Middle();
    for (auto _ : state) {
        CHistorySearch search(Month().Root(), CHistorySearch::eIndexed);
        FILETIME64 has = 0;
        float lowest = 0;
        float highest = 0;
        if (!search.FindHistory(4, at, true, 300.0f, -300.0f, has, lowest, highest))
            std::abort();
    }
}

// A file appearing between two questions, as the SAVE loop writes them: the index takes it in through
// its event; the question must find it.
void BM_FindHistoryAfterANewFile(benchmark::State& state)
{
    auto& search = Search(CHistorySearch::eIndexed);
    CHistoryData data;
    data.nPlaneNumber = 5;
    data.nWidth = 4;
    data.nHeight = 2;
    data.nCapacity = 8;
    data.nLowest = 100;
    data.nHighest = 200;
    data.pCells = std::make_unique<std::uint8_t[]>(8);
    int second = 0;
    for (auto _ : state) {
        data.ftTime = Local((Month().Days() + 1) / 2, 12, 0, 30) + static_cast<FILETIME64>(second % 29 + 1) * kSecond;
        if (!WriteImageFile(data, Month().Root()))
            std::abort();
        FILETIME64 has = 0;
        float lowest = 0;
        float highest = 0;
        if (!search.FindHistory(4, data.ftTime, true, 300.0f, -300.0f, has, lowest, highest) || has != data.ftTime)
            std::abort();
        ++second;
    }
}

void ModeArguments(benchmark::internal::Benchmark* bench)
{
    bench->ArgName("index")->Arg(CHistorySearch::eListing)->Arg(CHistorySearch::eIndexed)->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_FindHistory)->Apply(ModeArguments);
BENCHMARK(BM_FillHistoryData)->Apply(ModeArguments);
BENCHMARK(BM_LoadHistory)->Apply(ModeArguments);
BENCHMARK(BM_FirstFindHistoryWithIndex)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FindHistoryAfterANewFile)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
