#include "core/disk/FolderNameRules.h"

#include "core/text/Printable.h"
#include "core/text/ShiftJis.h"

namespace edamaki {

namespace {

constexpr char const* EmptyNameReason = "the folder name is empty";
constexpr char const* DotNameReason = "\".\" and \"..\" are not folder names";
constexpr char const* SeparatorNameReason = "the folder name holds a path separator";
constexpr char const* NulNameReason = "the folder name holds a NUL character";

} // namespace

std::string RefusedNameReason(std::string_view name)
{
    if (name.empty())
        return EmptyNameReason;
    if (IsDotName(name))
        return DotNameReason;
    if (FindCharacter(name, '\\') != std::string_view::npos
        || FindCharacter(name, '/') != std::string_view::npos)
        return SeparatorNameReason;
    if (name.find('\0') != std::string_view::npos)
        return NulNameReason;
    auto const refused = FindRefusedNameCharacter(name);
    if (refused && (*refused < 0x20 || *refused >= 0x7F))
        return "the folder name holds the control character " + CodePointText(*refused);
    return {};
}

} // namespace edamaki
