#pragma once
// The installer's commands around the library's files: ending the COM surrogates that hold it,
// checking that a copy loads and creates its object, and locking the folder that holds it. Each
// returns the process exit code.
#include <string>
#include <vector>

int StopLock(const std::vector<std::u16string>& patterns);
int Probe(const std::u16string& path, const std::u16string& clsidText);
int Secure(const std::u16string& path);
