#pragma once

// Reads an extended dialog template (DLGTEMPLATEEX) as stored in a resource.

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

struct DialogItem {
    std::uint32_t exStyle = 0;
    std::uint32_t style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::int32_t id = 0;
    std::string className; // predefined classes by their lower-case names
    std::string text;
};

struct DialogTemplate {
    std::uint32_t exStyle = 0;
    std::uint32_t style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::string menu;
    std::string className;
    std::string caption;
    int pointSize = 0;
    int weight = 0;
    int italic = 0;
    int charset = 0;
    std::string typeface;
    std::vector<DialogItem> items;
};

// Raises std::runtime_error when the bytes are no well-formed extended template.
DialogTemplate ParseDialogTemplateEx(const std::vector<std::uint8_t>& bytes);

} // namespace e2e
