// Stands in for the installed program: appends one line telling how it was
// started (its own path, its command line and its current folder, separated
// by '|') to the file that KW_E2E_LAUNCH_RECORD names.
#include <windows.h>

#include <fstream>
#include <string>

namespace {

std::string Variable(const char* name)
{
    char value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const std::string record = Variable("KW_E2E_LAUNCH_RECORD");
    if (record.empty())
        return 1;
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, sizeof program);
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof folder, folder);

    std::ofstream out(record, std::ios::app | std::ios::binary);
    out << program << '|' << GetCommandLineA() << '|' << folder << '\n';
    return out ? 0 : 1;
}
