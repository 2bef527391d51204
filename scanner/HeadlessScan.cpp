// RunHeadlessScan: the dialog's workflow with the timer as a loop and the message boxes as text.
#include "HeadlessScan.h"

#include "CScanner.h"
#include "TextConvert.h"
#include "TimeSource.h"

#include <ostream>

namespace {

constexpr std::uint32_t kTimerPeriodMs = 10;

// Line breaks of the status line become the terminal's.
std::string TerminalText(const std::string& strText)
{
    std::string strOut;
    for (std::size_t i = 0; i < strText.size(); ++i)
        if (!(strText[i] == '\r' && i + 1 < strText.size() && strText[i + 1] == '\n'))
            strOut.push_back(strText[i]);
    return strOut;
}

class CHeadlessView : public IScanView {
public:
    CHeadlessView(std::ostream& out, std::ostream& err) : m_out(out), m_err(err) {}
    void SetStatusText(const std::string& strText) override { m_out << TerminalText(strText) << '\n' << std::flush; }
    void ShowMessage(const std::string& strText, eScanMessage) override
    {
        m_err << strText << '\n' << std::flush;
        m_bFailed = true;
    }
    void StartScanTimer() override { m_bTimer = true; }
    void StopScanTimer() override { m_bTimer = false; }
    void EnableAllControls() override { m_bFinished = true; }

    bool m_bTimer = false;
    bool m_bFailed = false;
    bool m_bFinished = false;

private:
    std::ostream& m_out;
    std::ostream& m_err;
};

} // namespace

int RunHeadlessScan(const std::string& strTarget, const std::string& strOutput, std::ostream& out, std::ostream& err)
{
    const std::size_t nColon = strTarget.rfind(':');
    if (nColon == std::string::npos || nColon == 0 || nColon + 1 == strTarget.size() || strOutput.empty()) {
        err << "usage: PyrolanScaner4Init --scan ADDRESS:PORT --output FILE\n";
        return 2;
    }
    const std::u16string strAddress = NarrowToWide(strTarget.substr(0, nColon));
    const std::int32_t nPort = ParseLong(NarrowToWide(strTarget.substr(nColon + 1)));

    CHeadlessView view(out, err);
    CScanner scanner(view);
    if (!scanner.AllocateBuffers()) {
        view.ShowMessage("Can't allocate memory", eScanMessage_Error);
        return 1;
    }
    if (!scanner.Scan(strAddress, nPort))
        return 1;
    while (view.m_bTimer) {
        TimeSource().Sleep(kTimerPeriodMs);
        scanner.OnScanTimer();
    }
    if (!view.m_bFinished || view.m_bFailed)
        return 1;
    std::string strError;
    if (!scanner.Save(strOutput, strError)) {
        view.ShowMessage(strError, eScanMessage_Warning);
        return 1;
    }
    return 0;
}
