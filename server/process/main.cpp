// PyrolanServer: started by the session bus when a client first calls the broker, or by hand with a
// registration switch.
#include "ServerMain.h"

int main(int argc, char** argv) { return ServerMain(argc, argv); }
