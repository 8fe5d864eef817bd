#pragma once
// Start-up options that outlive start-up: written once by the entry code, read by other parts.

struct AppOptions {
    bool probeMode = false;
};

extern AppOptions appOptions;
