#pragma once
// The player's start-up sequence, message loop and shutdown; returns the process exit code.
int RunPlayer(int argc, char** argv);

enum PlayerExitCode : int {
    kExitOk = 0,
    kExitComFailed = 2,
    kExitNoWindow = 3,
    kExitNoEngineCallback = 4,
};
