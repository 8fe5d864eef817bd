#include "update/probe_win.h"

#include <windows.h>

#include "base/program_folder_win.h"
#include "base/wide_win.h"
#include "update/probe.h"
#include "update/version.h"

namespace {

void WriteProbeFile(const std::u16string& path, const std::string& bytes) {
    HANDLE file = CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    FlushFileBuffers(file);
    CloseHandle(file);
}

} // namespace

void RunUpdProbe(const std::vector<std::u16string>& args) {
    if (const auto answer = ProbeAnswer(args, kProgramVersion))
        WriteProbeFile(ProgramFolder() + u"\\.jk-probe", *answer);
    ExitProcess(0);
}
