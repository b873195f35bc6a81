#pragma once

#include <string>

namespace kwtest {

// A pipe or a socket planted under a name in an engine folder, as someone may
// plant one where an installer will write, there until the object ends.
class PlantedNode {
public:
    enum class Kind {
        Pipe,
        PipeWithReader, // and a reader outside, waiting for what is written to it
        Socket,
    };

    PlantedNode(const std::string& folder, const std::string& name, Kind kind);
    ~PlantedNode();
    PlantedNode(const PlantedNode&) = delete;
    PlantedNode& operator=(const PlantedNode&) = delete;

    // False when this system cannot plant one here.
    bool Made() const { return m_made; }
    // What the reader of a pipe has received, once it is let go; empty for the others.
    std::string Received();

private:
    std::string m_folder;
    std::string m_name;
    Kind m_kind;
    bool m_made = false;
    int m_reader = -1;
};

} // namespace kwtest
