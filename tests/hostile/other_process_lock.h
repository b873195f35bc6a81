#pragma once

#include <memory>
#include <string>

namespace kwtest {

// Another process that holds a file open exclusively from construction until
// the object ends, as an open editor or a virus scanner would. Raises
// std::runtime_error when the other process cannot take the file.
class OtherProcessLock {
public:
    explicit OtherProcessLock(const std::string& enginePath);
    ~OtherProcessLock();
    OtherProcessLock(const OtherProcessLock&) = delete;
    OtherProcessLock& operator=(const OtherProcessLock&) = delete;

private:
    struct Process; // what the platform needs to hold and release the other process
    std::unique_ptr<Process> m_process;
};

} // namespace kwtest
