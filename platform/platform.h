#pragma once

// The few operating-system services the installer engine relies on. Paths are
// byte strings in a code page (the path code page below) with `\` as the
// separator; the POSIX stand-in converts them to UTF-8 with `/` where it calls
// the system.

#include "unique_any.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

namespace plat {

using FileSize = std::uint64_t;

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
// keeps its text in the library's older string, which would bring 45 KB of
// that string's code into the installer.
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

struct FileHandleTraits {
    using Type = std::intptr_t;
    static constexpr Type Invalid() noexcept { return -1; }
    static void Close(Type handle) noexcept;
};
using UniqueFileHandle = UniqueAny<FileHandleTraits>;

class DestinationRoot;

// An open file, with exclusive access unless it is opened for a shared read.
// Only a plain file on a disk is ever opened: a pipe, a socket or a device of
// that name is refused before it is read or written. Every failing operation
// raises FileError.
class File {
public:
    enum class Mode {
        Read,       // existing file, read only; nobody else may open it meanwhile
        SharedRead, // existing file, read only; others may read and write it meanwhile
        CreateNew,  // made new, never over a name that exists, a link among them; write only
    };

    File(const std::string& path, Mode mode);
    // Takes over a file that is already open, as `path`.
    File(UniqueFileHandle handle, std::string path);

    // Returns the bytes read: fewer than asked only at the end of the file.
    std::size_t Read(void* buffer, std::size_t count);
    // Writes every byte or raises (a full disk included).
    void Write(const void* buffer, std::size_t count);
    // A hint that `count` more bytes are about to be written: where the
    // system can, their blocks are set aside now. The length stays as written,
    // and a failure is left for the writes to report or get past.
    void Preallocate(FileSize count);
    // Returns once the system has put everything written so far on the disk.
    void Flush();
    FileSize GetLength() const;
    FileSize GetPosition() const;
    const std::string& Path() const noexcept { return m_path; }

private:
    friend class DestinationRoot; // which checks where the files it hands out lie

    UniqueFileHandle m_handle;
    std::string m_path;
};

// True when a directory entry, file or folder, matches the pattern.
bool FindEntry(const std::string& pattern);
// True when the current folder is now `path`.
bool SetCurrentFolder(const std::string& path);
// True when the folder was created; false when the name exists or its parent is missing.
bool CreateFolder(const std::string& path);
// The running executable's full path, however long; false when it cannot be had.
bool GetExecutablePath(std::string& path);
// The absolute path the system makes of `path` by its own rules, without
// looking at the disk; false when it cannot make one (too long, say).
bool GetFullPath(const std::string& path, std::string& full);
// A path as the system writes it (UTF-8 with `/` on POSIX, the ANSI code page
// on Windows) as an engine path; false when the path code page cannot write it.
bool ToEnginePath(const std::string& systemPath, std::string& path);
// UTF-8 text naming a path with `\` between its parts, written as the system's
// user reads paths: with `/` on POSIX.
std::string ShownPath(std::string text);

// The code pages a package's names may be written in: the ANSI code pages of
// Windows' language editions (Thai, the four East Asian double-byte ones, and
// 1250 to 1258), and UTF-8, the code page of systems whose language has none
// of its own or that are set to use it. Every one writes ASCII as ASCII.
constexpr unsigned kAnsiCodePages[] = {874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};
constexpr unsigned kUtf8CodePage = 65001;
constexpr unsigned kDefaultCodePage = 1252;

bool IsKnownCodePage(unsigned codePage);
// The code page of engine paths: on Windows the system's ANSI code page; in
// the POSIX stand-in the process's own setting, 1252 until it is set.
unsigned PathCodePage();
// Makes `codePage` the path code page where the process may choose it (POSIX).
// False when it cannot: the code page is unknown, or on Windows, where paths
// are always in the ANSI code page, another one.
bool SetPathCodePage(unsigned codePage);
// True when `byte` is the first byte of a two-byte character in the path code page.
bool IsLeadByte(unsigned char byte);
// `bytes` of `codePage` as UTF-8; false when they hold a byte or a pair the
// code page does not define.
bool DecodeText(const std::string& bytes, unsigned codePage, std::string& text);
// UTF-8 `text` as bytes of `codePage`, every character by its own code and
// never by a look-alike. False when a character has none, or the text is no
// UTF-8; `failedAt` is then the offset in `text` of the first such character.
bool EncodeText(const std::string& text, unsigned codePage, std::string& bytes, std::size_t& failedAt);

} // namespace plat
