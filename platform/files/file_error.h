#pragma once

// The one error the platform layer raises, and its vocabulary: the causes, the
// words for them, and the ways the platform and the tools built on it raise it.

#include <exception>
#include <string>

namespace plat {

// Cause codes of a file error; every real error is nonzero.
enum FileCause : int {
    kCauseGeneric = 1,
    kCauseNotFound = 2,
    kCauseBadPath = 3,
    kCauseTooManyOpen = 4,
    kCauseAccessDenied = 5,
    kCauseSharingViolation = 11,
    kCauseDiskFull = 13,
    kCauseEndOfFile = 14,
};

// The one error the file layer raises. Not a std::runtime_error: that one
// keeps its text in the library's older, reference-counted string, whose
// code would come into the installer with it.
class FileError : public std::exception {
public:
    FileError(int cause, const std::string& path, const std::string& what)
        : m_cause(cause != 0 ? cause : kCauseGeneric), m_path(path), m_what(what)
    {
    }
    const char* what() const noexcept override { return m_what.c_str(); }
    int Cause() const noexcept { return m_cause; }
    const std::string& Path() const noexcept { return m_path; }

private:
    int m_cause;
    std::string m_path;
    std::string m_what;
};

const char* DescribeCause(int cause);
// The system's own words for an error code: errno's on POSIX, GetLastError()'s on Windows.
std::string SystemErrorText(long systemCode);
// The cause of a file error that a system error code stands for.
int CauseOfSystemError(long systemCode);
// "cannot open 'path': file not found", and the system's own words when there is a code.
FileError MakeFileError(int cause, const std::string& path, const char* action, long systemCode);
// A file error for a system call that failed with `systemCode`.
[[noreturn]] void RaiseSystemError(const std::string& path, const char* action, long systemCode);
// "cannot open 'path': why", for a name refused for what or where it is.
[[noreturn]] void RaiseRefused(const std::string& path, const std::string& why, int cause = kCauseBadPath);
// The refusal of a name that a link leads outside the destination with.
[[noreturn]] void RaiseLinkOutside(const std::string& path);
// Why a name where a folder must be cannot serve: "'folder' is a file, not a folder".
std::string NotAFolder(const std::string& folder);

} // namespace plat
