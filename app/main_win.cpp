#include "app/startup_win.h"

// The application manifest selects UTF-8 as the active code page, so these arguments are UTF-8.
int main(int argc, char** argv) { return RunPlayer(argc, argv); }
