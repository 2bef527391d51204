// The server program's entry: switches, or the Run sequence of the module.
#pragma once

// Answers the process's exit code: 0, or the failing HRESULT of a switch or of the Run sequence.
int ServerMain(int argc, char** argv);
