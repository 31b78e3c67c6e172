#pragma once

// The program's own texts that more than one place uses, readable in one
// place. The front ends show UTF-8; the core holds Shift-JIS. A text the
// core uses stands in both forms side by side, and ProgramTextsTest checks
// that each Shift-JIS form is the conversion of its UTF-8 one.

#include <string_view>

namespace edamaki {

// One text as the front ends show it and as the core holds it.
struct ProgramText {
    std::string_view Utf8;
    std::string_view ShiftJis;
};

// The name of a folder the tree pane adds.
constexpr ProgramText NewFolderText {
    "新規フォルダ",
    "\x90\x56\x8b\x4b\x83\x74\x83\x48\x83\x8b\x83\x5f",
};

// The creation run's report when the tree holds no folder to create.
constexpr ProgramText NothingToCreateText {
    "作成するフォルダがありませんでした。",
    "\x8d\xec\x90\xac\x82\xb7\x82\xe9\x83\x74\x83\x48\x83\x8b\x83\x5f\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82"
    "\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\x81\x42",
};

// Texts of the front ends alone (UTF-8).

// A creation run is refused: no parent folder is set.
constexpr std::string_view NoParentFolderText = "親フォルダが選択されていません。";

} // namespace edamaki
