#include "core/disk/FolderNameRules.h"

#include "core/text/ShiftJis.h"

namespace edamaki {

namespace {

constexpr char const* EmptyNameReason = "the folder name is empty";
constexpr char const* DotNameReason = "\".\" and \"..\" are not folder names";
constexpr char const* SeparatorNameReason = "the folder name holds a path separator";
constexpr char const* NulNameReason = "the folder name holds a NUL character";

} // namespace

char const* RefusedNameReason(std::string_view name)
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
    return nullptr;
}

} // namespace edamaki
