#include "planted_node.h"

#include "test_support.h"
#include "unix_shell.h"

#include <windows.h>

#include <algorithm>

namespace kwtest {
namespace {

// A name below an engine folder as the Unix shell takes it.
std::string UnixName(std::string name)
{
    std::replace(name.begin(), name.end(), '\\', '/');
    return "'" + name + "'";
}

} // namespace

// Windows makes no pipe or socket in a folder; Wine sees the Unix ones, which a
// Unix program started from Wine can make.
PlantedNode::PlantedNode(const std::string& folder, const std::string& name, Kind kind)
    : m_folder(folder), m_name(name), m_kind(kind)
{
    const std::string node = UnixName(name);
    if (kind == Kind::Socket) {
        m_made = RunUnixCommand(folder, "python3 -c 'import socket,sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' " +
                                            node);
        return;
    }
    m_made = RunUnixCommand(folder, "mkfifo " + node);
    // The reader waits in the background for a writer, and marks when it is done.
    if (m_made && kind == Kind::PipeWithReader) {
        m_made = RunUnixCommand(folder, "(cat " + node + " >" + UnixName(name + ".received") + "; : >" +
                                            UnixName(name + ".read") + ") </dev/null >/dev/null 2>&1 & :");
        m_reader = m_made ? 1 : -1;
    }
}

PlantedNode::~PlantedNode()
{
    Received();
    if (m_made)
        RunUnixCommand(m_folder, "rm -f " + UnixName(m_name) + " " + UnixName(m_name + ".received") + " " +
                                     UnixName(m_name + ".read"));
}

std::string PlantedNode::Received()
{
    if (m_reader < 0)
        return std::string();
    m_reader = -1;
    // Opened for reading and writing, a pipe never waits; closed again, it
    // tells the waiting reader that nothing more comes.
    RunUnixCommand(m_folder, "exec 3<>" + UnixName(m_name) + "; exec 3>&-");
    for (int waited = 0; waited < 1000 && !Exists(m_folder + m_name + ".read"); ++waited)
        ::Sleep(10);
    return ReadBytes(m_folder + m_name + ".received");
}

} // namespace kwtest
