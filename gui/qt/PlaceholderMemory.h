#pragma once

// The values last given to a source's placeholders, for each source file:
// the next run of the source starts with them, and the tree pane shows them.
// They are kept in the program's settings (edamaki/edamaki.conf in the
// user's configuration folder). A document that was never saved keeps its
// own while it is open: a new one (cleared, a template, an import) starts
// from its defaults and the built-in values, never from another's. Names and values are Shift-JIS; file names
// are the document's (UTF-8).

#include "core/document/PlaceholderPreview.h"

#include <map>
#include <string>

namespace edamaki {

class PlaceholderMemory {
public:
    PlaceholderValues const& LastValues(std::string const& file_name);
    // The values given now replace those of the same names; the others stay.
    void Remember(std::string const& file_name, PlaceholderValues const& values);
    // A new unsaved document begins: the values given to the one before go.
    void ForgetUnsaved();

private:
    // Read from the settings once per file, or given this session.
    std::map<std::string, PlaceholderValues> m_values;
};

} // namespace edamaki
