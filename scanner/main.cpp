// PyrolanScaner4Init: the dialog, or with --scan ADDRESS:PORT --output FILE the same scan without a window.
#include "CPyrolanScanerDlg.h"
#include "HeadlessScan.h"
#include "ScannerStartup.h"
#include "TimeSource.h"

#include <QApplication>
#include <cstring>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    ConfigureTimeSourceFromEnvironment();
    std::string strTarget;
    std::string strOutput;
    bool bHeadless = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--scan") == 0 && i + 1 < argc) {
            strTarget = argv[++i];
            bHeadless = true;
        } else if (std::strcmp(argv[i], "--output") == 0 && i + 1 < argc) {
            strOutput = argv[++i];
            bHeadless = true;
        } else if (argv[i][0] == '-' && argv[i][1] == '-') {
            bHeadless = true;
            strTarget.clear();
            break;
        }
    }
    if (bHeadless)
        return RunHeadlessScan(strTarget, strOutput, std::cout, std::cerr);

    QApplication application(argc, argv);
    CPyrolanScanerDlg dialog(DefaultConfigurationPath());
    if (!dialog.Initialize())
        return 0;
    dialog.exec();
    return 0;
}
