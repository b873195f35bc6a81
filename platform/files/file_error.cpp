#include "file_error.h"

namespace plat {

const char* DescribeCause(int cause)
{
    switch (cause) {
    case kCauseNotFound: return "file not found";
    case kCauseBadPath: return "bad path";
    case kCauseTooManyOpen: return "too many open files";
    case kCauseAccessDenied: return "access denied";
    case kCauseSharingViolation: return "in use by another process";
    case kCauseDiskFull: return "disk full";
    case kCauseEndOfFile: return "unexpected end of file";
    default: return "I/O error";
    }
}

FileError MakeFileError(int cause, const std::string& path, const char* action, long systemCode)
{
    std::string what = std::string(action) + " '" + path + "': " + DescribeCause(cause);
    if (systemCode != 0)
        what += " (" + SystemErrorText(systemCode) + ")";
    return FileError(cause, path, what);
}

void RaiseSystemError(const std::string& path, const char* action, long systemCode)
{
    throw MakeFileError(CauseOfSystemError(systemCode), path, action, systemCode);
}

void RaiseRefused(const std::string& path, const std::string& why, int cause)
{
    throw FileError(cause, path, "cannot open '" + path + "': " + why);
}

void RaiseLinkOutside(const std::string& path) { RaiseRefused(path, "a link leads outside the destination folder"); }

std::string NotAFolder(const std::string& folder) { return "'" + folder + "' is a file, not a folder"; }

} // namespace plat
