// PyrolanExceptionHook.so: the server's exception-hook plugin. Once hooked, a fatal signal writes a
// backtrace into the server log (standard error, one time-stamped line per write), then the signal
// takes its default course so that the process still ends as it would have.
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <execinfo.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int kSignalCount = sizeof(kSignals) / sizeof(kSignals[0]);
constexpr int kMaxFrames = 64;
constexpr int S_OK_ = 0;
constexpr int E_INVALIDARG_ = static_cast<int>(0x80070057U);
constexpr int E_FAIL_ = static_cast<int>(0x80004005U);

struct sigaction g_previous[kSignalCount];
std::atomic<bool> g_bHooked{false};
// Seconds east of UTC, taken when hooking: local time cannot be computed safely inside a handler.
long g_nUtcOffset = 0;
alignas(16) char g_altStack[64 * 1024];

// A line built without allocation or locale, since it is written from a signal handler.
class Line {
public:
    Line()
    {
        timespec now {};
        ::clock_gettime(CLOCK_REALTIME, &now);
        const long long local = static_cast<long long>(now.tv_sec) + g_nUtcOffset;
        const long long day = ((local % 86400) + 86400) % 86400;
        Two(day / 3600);
        Text(":");
        Two(day / 60 % 60);
        Text(":");
        Two(day % 60);
        Text(".");
        const long ms = now.tv_nsec / 1000000;
        Char(static_cast<char>('0' + ms / 100));
        Two(ms % 100);
        Text(": PyrolanExceptionHook: ");
    }
    Line& Text(const char* text)
    {
        while (text != nullptr && *text != '\0' && m_nLength < sizeof(m_buffer) - 1)
            m_buffer[m_nLength++] = *text++;
        return *this;
    }
    Line& Number(long long value)
    {
        char digits[24];
        int n = 0;
        unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                                 : static_cast<unsigned long long>(value);
        do {
            digits[n++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0 && n < 24);
        if (value < 0)
            Char('-');
        while (n > 0)
            Char(digits[--n]);
        return *this;
    }
    Line& Hex(std::uintptr_t value)
    {
        Text("0x");
        bool bStarted = false;
        for (int shift = static_cast<int>(sizeof(value) * 8) - 4; shift >= 0; shift -= 4) {
            const unsigned digit = static_cast<unsigned>((value >> shift) & 0xF);
            if (digit != 0 || bStarted || shift == 0) {
                bStarted = true;
                Char("0123456789abcdef"[digit]);
            }
        }
        return *this;
    }
    void Write()
    {
        Char('\n');
        std::size_t written = 0;
        while (written < m_nLength) {
            const ssize_t n = ::write(STDERR_FILENO, m_buffer + written, m_nLength - written);
            if (n <= 0 && errno != EINTR)
                return;
            if (n > 0)
                written += static_cast<std::size_t>(n);
        }
    }

private:
    void Char(char c)
    {
        if (m_nLength < sizeof(m_buffer) - 1)
            m_buffer[m_nLength++] = c;
    }
    void Two(long long value)
    {
        Char(static_cast<char>('0' + value / 10 % 10));
        Char(static_cast<char>('0' + value % 10));
    }
    char m_buffer[512];
    std::size_t m_nLength = 0;
};

const char* SignalName(int nSignal)
{
    switch (nSignal) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGFPE: return "SIGFPE";
    case SIGILL: return "SIGILL";
    case SIGABRT: return "SIGABRT";
    default: return "signal";
    }
}

void OnFatalSignal(int nSignal, siginfo_t* pInfo, void*)
{
    Line().Text("fatal ").Text(SignalName(nSignal)).Text(" (").Number(nSignal).Text(") at address ")
        .Hex(reinterpret_cast<std::uintptr_t>(pInfo != nullptr ? pInfo->si_addr : nullptr)).Write();
    void* frames[kMaxFrames];
    const int nFrames = ::backtrace(frames, kMaxFrames);
    for (int i = 0; i < nFrames; ++i) {
        Dl_info info {};
        Line line;
        line.Text("#").Number(i).Text(" ");
        if (::dladdr(frames[i], &info) != 0 && info.dli_fname != nullptr) {
            line.Text(info.dli_fname).Text("(");
            if (info.dli_sname != nullptr)
                line.Text(info.dli_sname).Text("+").Hex(reinterpret_cast<std::uintptr_t>(frames[i]) -
                                                        reinterpret_cast<std::uintptr_t>(info.dli_saddr));
            else
                line.Text("+").Hex(reinterpret_cast<std::uintptr_t>(frames[i]) -
                                   reinterpret_cast<std::uintptr_t>(info.dli_fbase));
            line.Text(") ");
        }
        line.Text("[").Hex(reinterpret_cast<std::uintptr_t>(frames[i])).Text("]").Write();
    }
    Line().Text("end of backtrace").Write();
    // The handler was installed with SA_RESETHAND: raising again ends the process the default way
    // once this handler returns.
    ::raise(nSignal);
}

} // namespace

// nMode 0: the fatal signals; bLog 1: write the backtrace to the log; nReserved 0.
extern "C" __attribute__((visibility("default"))) int PyrolanExceptionHook_Hook(int nMode, int bLog, int nReserved)
{
    if (nMode != 0 || bLog != 1 || nReserved != 0)
        return E_INVALIDARG_;
    if (g_bHooked)
        return S_OK_;
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    if (::localtime_r(&now, &local) != nullptr)
        g_nUtcOffset = local.tm_gmtoff;
    // backtrace loads its unwinder on first use, which must not happen inside the handler.
    void* warmUp[2];
    ::backtrace(warmUp, 2);

    stack_t stack {};
    stack.ss_sp = g_altStack;
    stack.ss_size = sizeof(g_altStack);
    if (::sigaltstack(&stack, nullptr) != 0)
        return E_FAIL_;
    struct sigaction action {};
    action.sa_sigaction = OnFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < kSignalCount; ++i) {
        if (::sigaction(kSignals[i], &action, &g_previous[i]) != 0) {
            for (int j = 0; j < i; ++j)
                ::sigaction(kSignals[j], &g_previous[j], nullptr);
            return E_FAIL_;
        }
    }
    g_bHooked = true;
    return S_OK_;
}

// Restores the handlers that were there before Hook.
extern "C" __attribute__((visibility("default"))) int PyrolanExceptionHook_Unhook()
{
    if (!g_bHooked)
        return S_OK_;
    for (int i = 0; i < kSignalCount; ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    g_bHooked = false;
    return S_OK_;
}
