#include "other_process_lock.h"

#include "test_handles_win32.h"
#include "win32_handles.h"

#include <windows.h>

#include <stdexcept>
#include <vector>

namespace kwtest {
namespace {

// kwlockholder.exe lies beside the test program.
std::string HolderPath()
{
    std::vector<char> path(32768);
    const DWORD length = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    std::string folder(path.data(), length);
    return folder.substr(0, folder.rfind('\\') + 1) + "kwlockholder.exe";
}

} // namespace

struct OtherProcessLock::Process {
    kwtest::UniqueHandle process;
    kwtest::UniqueHandle release; // the holder's standard input; closing it lets the holder go
};

OtherProcessLock::OtherProcessLock(const std::string& enginePath, Hold hold) : m_process(std::make_unique<Process>())
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readyRead = nullptr;
    HANDLE readyWrite = nullptr;
    HANDLE releaseRead = nullptr;
    HANDLE releaseWrite = nullptr;
    if (!::CreatePipe(&readyRead, &readyWrite, &inherit, 0))
        throw std::runtime_error("CreatePipe failed");
    kwtest::UniqueHandle ready(readyRead);
    kwtest::UniqueHandle readyChildEnd(readyWrite);
    if (!::CreatePipe(&releaseRead, &releaseWrite, &inherit, 0))
        throw std::runtime_error("CreatePipe failed");
    kwtest::UniqueHandle releaseChildEnd(releaseRead);
    m_process->release.Reset(releaseWrite);
    ::SetHandleInformation(readyRead, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(releaseWrite, HANDLE_FLAG_INHERIT, 0);

    std::string commandLine = "\"" + HolderPath() + "\" \"" + enginePath + "\"";
    if (hold == Hold::AsARunningProgram)
        commandLine += " writing";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = releaseRead;
    startup.hStdOutput = readyWrite;
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION started{};
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                          &started))
        throw std::runtime_error("cannot start " + HolderPath() + ", error " + std::to_string(::GetLastError()));
    ::CloseHandle(started.hThread);
    m_process->process.Reset(started.hProcess);
    readyChildEnd.Reset();
    releaseChildEnd.Reset();

    char status = 0;
    DWORD got = 0;
    if (!::ReadFile(ready.Get(), &status, 1, &got, nullptr) || got != 1 || status != 'L') {
        m_process->release.Reset();
        ::WaitForSingleObject(m_process->process.Get(), 10000);
        throw std::runtime_error("the other process could not lock " + enginePath);
    }
}

OtherProcessLock::~OtherProcessLock()
{
    m_process->release.Reset();
    ::WaitForSingleObject(m_process->process.Get(), 10000);
}

} // namespace kwtest
