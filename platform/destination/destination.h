#pragma once

#include "file.h"

#include <memory>
#include <string>

namespace plat {

// The destination as text: the system's own full path of the folder and a
// name joined. The name check works on a name's characters; this asks the
// system how it will read the joined path, so a rule the name check does not
// know cannot lead a write outside the folder. The folder's full path is
// taken once.
class DestinationPath {
public:
    explicit DestinationPath(const std::string& folder);

    // True when the full path of folder + name lies below the folder's full
    // path. A path the system cannot make a full path of (too long, say) is
    // not inside.
    bool Contains(const std::string& name) const;

private:
    std::string m_folder;
    std::string m_base; // the folder's full path ending in `\`; empty when it has none
};

// The folder an extraction writes into, opened as the system resolves it on
// first use: the user chose it, so it may be a link or lie below one. Below
// it, nothing is opened before it is known what and where it is. Each name
// and each folder on its way is opened relative to the folder above, already
// checked, so a link swapped in afterwards is not followed. A link is
// followed only once its target is known to lie beneath the destination, and
// only a plain file on a disk is ever written: a pipe, a socket or a device
// of that name is refused untouched. An existing file is written only when
// each of its names lies inside; a hard link is another name of the same
// file. A folder held for the entries in it cannot carry them outside when it
// is moved: Windows keeps it in place, the POSIX stand-in looks at where each
// file made in it lies, before it is written and again afterwards.
class DestinationRoot {
public:
    explicit DestinationRoot(std::string folder);
    ~DestinationRoot();
    DestinationRoot(const DestinationRoot&) = delete;
    DestinationRoot& operator=(const DestinationRoot&) = delete;

    // The check on the text, made before anything of the name is opened.
    bool Contains(const std::string& name) const { return m_path.Contains(name); }

    // Creates the file `name` (a relative path, parts separated by `\`) or
    // truncates the one there, open for writing with exclusive access. Raises
    // FileError, having truncated nothing and left nothing created, when the
    // file, one of its names or a folder on its way lies outside the
    // destination, or when the name is no plain file.
    File CreateOutput(const std::string& name);

    // Called once the file CreateOutput last gave has been written. Raises
    // FileError when its folder has left the destination meanwhile, having
    // removed the file if this run created it; a file that was there before is
    // never removed.
    void ConfirmInside(const File& output);

    // The system's handles: the folder's, and those of the last parent folder.
    struct Opened;

private:
    Opened& Root();

    std::string m_folder;
    DestinationPath m_path;
    std::unique_ptr<Opened> m_opened;
};

} // namespace plat
