// What the demo image and the demo installation write alike: the folder, text files, and each
// generated hive, checked and measured.
#pragma once

#include "platform/image/demo/DemoHives.h"
#include "platform/image/demo/DemoImage.h"

#include <filesystem>
#include <string>

namespace hivelet::image::demo {

// Empties `folder` for a new demo, which must not exist, be empty, or hold the `marker` file an
// earlier demo of this `kind` left; then leaves the marker in it.
void PrepareDemoFolder(const std::filesystem::path& folder, const std::string& marker,
                       const std::string& kind);

void WriteDemoText(const std::filesystem::path& file, const std::string& text);

// Writes the hive at `folder`/`hive.file` (with empty logs when it has them, or its last pages
// left in its log when it is unflushed), verifies it and measures its compact copy.
DemoHiveReport WriteDemoHive(const std::filesystem::path& folder, const DemoHive& hive);

} // namespace hivelet::image::demo
