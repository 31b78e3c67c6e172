"""The tree pane's edits by keyboard: F2, add, add inside and delete from the context menu
(the Menu key or Shift+F10), and undo; each written into the saved source."""

import edamaki_e2e
from edamaki_e2e import MACRO_HEADER, EdamakiTest

MACRO = MACRO_HEADER + "\nA\n>B\nC\n"
TEXT = "A\\B\nC\n"

# The context menu's items, all enabled on a plain folder: 名前変更, 追 加, 子追加, 削 除.
RENAME = ("Down", "Return")
ADD = ("Down", "Down", "Return")
ADD_INSIDE = ("Down", "Down", "Down", "Return")
DELETE = ("Up", "Return")


class TreePaneFlows(EdamakiTest):
    def edit(self, source, folder, menu_keys, name, opener="Menu"):
        self.start(source)
        self.focus_tree(folder)
        if menu_keys:
            self.context_menu(*menu_keys, opener=opener)
        else:
            self.key("F2")
        if name is not None:
            self.key("ctrl+a")
            self.type(name)
            self.key("Return")
        return self.save_as("edited.txt").rstrip("\n")

    def test_edits_are_written_into_the_source(self):
        cases = [
            ("macro F2", MACRO, "C", None, "D", MACRO + "<r:C,D>"),
            ("macro rename", MACRO, "B", RENAME, "E", MACRO + "<r:A/B,E>"),
            ("macro add", MACRO, "C", ADD, "D", MACRO + "<+:新規フォルダ>\n<r:新規フォルダ,D>"),
            ("macro add inside", MACRO, "B", ADD_INSIDE, "N",
             MACRO + "<+:A/B/新規フォルダ>\n<r:A/B/新規フォルダ,N>"),
            ("macro delete", MACRO, "B", DELETE, None, MACRO + "<-:A/B>"),
            ("text F2", TEXT, "C", None, "D", "A\\B\nD"),
            ("text add inside", TEXT, "C", ADD_INSIDE, "N", "A\\B\nC\\N"),
            ("text delete", TEXT, "B", DELETE, None, "A\nC"),
            ("text delete, Shift+F10", TEXT, "C", DELETE, None, "A\\B", "shift+F10"),
        ]
        for label, source, folder, menu_keys, name, expected, *opener in cases:
            with self.subTest(label):
                self.assertEqual(self.edit(source, folder, menu_keys, name, *opener), expected)

    def test_undo_in_the_editor_takes_a_pane_edit_back(self):
        self.start(MACRO)
        self.focus_tree("C")
        self.context_menu(*DELETE)
        self.key("Tab", "ctrl+z")
        self.assertEqual(self.save_as("undone.txt"), MACRO)


if __name__ == "__main__":
    edamaki_e2e.main()
