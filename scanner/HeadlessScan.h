// The tool without its window: scan ADDRESS:PORT, print the status texts, write the file.
#pragma once

#include <iosfwd>
#include <string>

// Exit code: 0 when the scan finished and the file was written; 1 after printing the message the
// dialog would have shown; 2 when the target is not ADDRESS:PORT. Status texts go to out, the
// message to err.
int RunHeadlessScan(const std::string& strTarget, const std::string& strOutput, std::ostream& out, std::ostream& err);
