#include "tree/MacroSourceReader.h"

#include "text/ShiftJis.h"

namespace edamaki {

bool HasMacroTag(std::string_view text)
{
    std::size_t const open = FindCharacter(text, '<');
    if (open == std::string_view::npos || open + 1 >= text.size())
        return false;
    std::size_t const close = FindCharacter(text, '>');
    if (close == std::string_view::npos || close < open)
        return false;
    switch (text[open + 1]) {
    case '#':
    case '@':
    case '$':
    case 'r':
    case '+':
    case '-':
        return true;
    default:
        return false;
    }
}

// Placeholder until the macro reader lands: reads the header alone.
void LoadMacroSource(FolderTree& tree, std::vector<std::string> const&)
{
    tree.BeginRead(true);
    tree.EndRead();
}

} // namespace edamaki
