// What the scan needs from its window: the status line, message boxes, the 10 ms timer and the
// controls given back at the end. The dialog and the headless run each provide one.
#pragma once

#include <string>

enum eScanMessage {
    eScanMessage_Error,    // error icon
    eScanMessage_Warning,  // exclamation icon
};

class IScanView {
public:
    virtual ~IScanView() = default;
    // Narrow text; line breaks are written "\r\n".
    virtual void SetStatusText(const std::string& strText) = 0;
    // A message box captioned "PyrolanScaner4Init" with an OK button; returns when it is closed.
    virtual void ShowMessage(const std::string& strText, eScanMessage eIcon) = 0;
    virtual void StartScanTimer() = 0;
    virtual void StopScanTimer() = 0;
    // The scan finished: address, port, Scan and Save are enabled.
    virtual void EnableAllControls() = 0;
};
