#include "planted_node.h"

#include "test_support.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace kwtest {

PlantedNode::PlantedNode(const std::string& folder, const std::string& name, Kind kind)
    : m_folder(folder), m_name(name), m_kind(kind)
{
    const std::string path = Native(folder + name);
    if (kind != Kind::Socket) {
        m_made = ::mkfifo(path.c_str(), 0666) == 0;
        // Open without waiting: from now on a writer could open it, and whatever it wrote would wait here.
        if (m_made && kind == Kind::PipeWithReader)
            m_reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        return;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    m_made = listener >= 0 && ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (listener >= 0)
        ::close(listener);
}

PlantedNode::~PlantedNode()
{
    if (m_reader >= 0)
        ::close(m_reader);
    if (m_made)
        ::unlink(Native(m_folder + m_name).c_str());
}

std::string PlantedNode::Received()
{
    std::string received;
    char buffer[4096];
    ssize_t got;
    while (m_reader >= 0 && (got = ::read(m_reader, buffer, sizeof buffer)) > 0)
        received.append(buffer, static_cast<std::size_t>(got));
    return received;
}

} // namespace kwtest
