#pragma once

#include <memory>
#include <string>

namespace kwtest {

// Another process that holds a file open from construction until the object
// ends. Raises std::runtime_error when the other process cannot take the file.
class OtherProcessLock {
public:
    enum class Hold {
        Exclusively, // as an open editor or a virus scanner would: nobody else may open it
        // As a running program holds its own file: writing it, and letting
        // others read it. The POSIX stand-in has no such sharing, and locks it.
        AsARunningProgram,
    };

    explicit OtherProcessLock(const std::string& enginePath, Hold hold = Hold::Exclusively);
    ~OtherProcessLock();
    OtherProcessLock(const OtherProcessLock&) = delete;
    OtherProcessLock& operator=(const OtherProcessLock&) = delete;

private:
    struct Process; // what the platform needs to hold and release the other process
    std::unique_ptr<Process> m_process;
};

} // namespace kwtest
