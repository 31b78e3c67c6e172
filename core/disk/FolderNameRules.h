#pragma once

// The names the creation run refuses before it asks the file system, and
// why. Verify goes by the same rule: a refused name is never a folder on
// disk.

#include <string>
#include <string_view>

namespace edamaki {

inline constexpr char const* UnconvertibleParentReason
    = "the parent folder holds a character that this system's names cannot hold";
inline constexpr char const* UnconvertibleNameReason
    = "the folder name holds a character that this system's names cannot hold";

// Why a folder name of the tree (Shift-JIS) can't be one folder level, or
// an empty text when it can: empty, "." or "..", or holding a separator of
// either style or a control character, which the reason names.
std::string RefusedNameReason(std::string_view name);

} // namespace edamaki
