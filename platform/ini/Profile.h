// A Windows profile (INI) file held in memory as its lines, with the lookup rules of the Windows
// profile service, and edits that touch only the lines they must.
//
// Lookup rules: section names and keys match ignoring the case of A-Z; blanks around a key and
// around a value are dropped; a value in a matching pair of single or double quotes comes back
// without them; a line is a section line ("[name]", text after the closing bracket ignored), a
// key line (anything with an equals sign), a comment (first non-blank character ';') or ignored.
// With a section or key given twice, the first one wins. Bytes are 8-bit ANSI text; nothing is
// converted. Lines may end in CR LF or LF; an edit keeps the file's own line ending.
#pragma once

#include "platform/TextCase.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hivelet::ini {

// GetPrivateProfileStringA reads into a 2048-character buffer: at most 2047 characters come back.
inline constexpr size_t MaxValueChars = 2047;

// One key line of a section, as a lookup sees it.
struct Entry {
    std::string key;   // blanks dropped, case kept
    std::string value; // blanks dropped, matching quotes removed, not cut
    int line = 0;      // 1-based line number in the text
};

class Profile {
public:
    static Profile Parse(std::string_view text);

    // The value of `key` in the first section named `section`; nullopt when either is missing.
    // The value is not cut to MaxValueChars.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;
    // Every key line of the first section named `section`, in file order, duplicates kept.
    std::vector<Entry> Entries(std::string_view section) const;
    // How many sections carry this name, and the line of the first one (0 when none).
    int SectionCount(std::string_view section) const;
    int SectionLine(std::string_view section) const;
    // Names of all sections in file order (duplicates kept).
    std::vector<std::string> SectionNames() const;

    // Sets key=value in the first section of that name: an existing key line is rewritten in
    // place (keeping the key's spelling), a new key goes after the last non-blank line of the
    // section, a new section goes at the end of the text. Returns false, changing nothing, when
    // the line could not be read back as written: a section name with ']', a line break or
    // blanks at either end; a key that is empty after trimming, begins with '[' or ';', or holds
    // '=' or a line break; a value with a line break.
    bool Set(std::string_view section, std::string_view key, std::string_view value);
    // Removes every section of that name with all its lines. True when one was found.
    bool EraseSection(std::string_view section);

    std::string Text() const;
    bool empty() const { return lines_.empty(); }

private:
    struct Line {
        std::string text;   // without its line ending
        std::string ending; // "\r\n", "\n", or empty for a last line without one
    };
    // Index of the header line of the n-th (0-based) section named `section`, or npos.
    size_t FindSection(std::string_view section, size_t from = 0) const;
    // End of the section whose header is at `header`: the index of the next section line or
    // lines_.size().
    size_t SectionEnd(size_t header) const;

    std::vector<Line> lines_;
    std::string newline_ = "\r\n";
};

// Sections and keys compare as every other name of the program does; callers that compare names
// the same way use it from here.
using platform::SameNoCase;
std::string_view TrimBlanks(std::string_view s);

} // namespace hivelet::ini
