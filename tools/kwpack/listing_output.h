#pragma once

// What `list` writes on standard output, as text for people or as one JSON
// document for scripts, each written as the entries are read.

#include "package_listing.h"

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>

namespace kwpack {

enum class ListFormat {
    Text, // "size  name" lines, then the count and the total
    Json, // one document: the entries, then the totals or what stopped the listing
};

class ListingOutput {
public:
    virtual ~ListingOutput() = default;
    virtual void Entry(const ListedEntry& entry) = 0;
    // The listing reached the end of the package.
    virtual void Finish(std::uint64_t count, std::uint64_t totalBytes) = 0;
    // The listing stopped before the end, for the reason `what` (already told
    // on standard error), at `where` in the index when it is a fault there.
    virtual void Stop(const std::string& what, const IndexProblem* where) = 0;
};

// Writes the start of the document at once, for JSON.
std::unique_ptr<ListingOutput> MakeListingOutput(ListFormat format, std::ostream& out);

// `text` as a JSON string, quotes included. The result is always UTF-8: a
// byte that is no UTF-8 is written as its value, "\xFF", as kwpack shows such
// bytes elsewhere.
std::string JsonString(const std::string& text);

} // namespace kwpack
