#pragma once
#include <string>
#include <vector>

enum class InstanceRole {
    First,       // holds the singleton mutex (or could not create it)
    Independent, // another instance holds it but has no usable window: run a player of our own
    Forwarded,   // the files went to the running instance; this process ends
};

inline constexpr const wchar_t* kSingletonMutexName = L"Jaskel.MFPlayer.Singleton";
inline constexpr int kWindowSearchAttempts = 50;
inline constexpr unsigned kWindowSearchPauseMs = 100;
inline constexpr unsigned kHandoffTimeoutMs = 5000;

// Takes the single-instance mutex or hands the file arguments to the instance that holds it.
InstanceRole ClaimSingleInstance(const std::vector<std::u16string>& args);
