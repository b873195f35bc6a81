#pragma once

// Files as the engine reads and writes them. Paths are byte strings in the
// path code page (code_page.h) with `\` as the separator; the POSIX stand-in
// converts them to UTF-8 with `/` where it calls the system.

#include "file_error.h"
#include "unique_any.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace plat {

using FileSize = std::uint64_t;

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

} // namespace plat
