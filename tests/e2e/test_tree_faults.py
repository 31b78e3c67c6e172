"""What a user met editing through the tree pane and running a source: each case checked
through the saved source or the folders on disk."""

import os

import edamaki_e2e
from edamaki_e2e import MACRO_HEADER, EdamakiTest, wait_until
from test_tag_dialog import OK_BUTTON, SRCPATH

MACRO = MACRO_HEADER + "\nA\n>B\nC"
CREATE = 2  # ツール: フォルダ構成参照, 親フォルダ選択, フォルダ作成, ログ表示


class TreeFaults(EdamakiTest):
    def rename_in_pane(self, folder, name):
        self.focus_tree(folder)
        self.key("F2", "ctrl+a")
        self.type(name)
        self.key("Return")

    def add_in_tag_dialog(self, path):
        dialog = self.tag_dialog()
        self.click_tag_tab(dialog, 3)
        self.click(dialog, *SRCPATH)
        self.type(path)
        self.click(dialog, *OK_BUTTON)
        self.wait_active_main()

    def test_an_appended_line_leaves_the_selection_as_it_was(self):
        # "C", selected to the end of the text, is replaced by the next number tag; the line
        # appended in between stays.
        cases = [
            ("pane rename", lambda: (self.rename_in_pane("A", "X"), self.key("Tab")), "<r:A,X>"),
            ("tag dialog add", lambda: self.add_in_tag_dialog("A"), "<+:A>"),
        ]
        for label, append, line in cases:
            with self.subTest(label):
                self.start(MACRO, name="source.fms")
                self.key("ctrl+End", "shift+Left")
                append()
                dialog = self.tag_dialog()
                self.click_tag_tab(dialog, 0)
                self.click(dialog, *OK_BUTTON)
                expected = MACRO_HEADER + "\nA\n>B\n<#1:0-0>\n" + line
                self.assertEqual(self.save_as("tagged.fms").rstrip("\n"), expected)

    def test_after_a_refused_name_the_focus_is_back_on_the_folder(self):
        self.start(MACRO, name="source.fms")
        self.rename_in_pane("C", "a/b")
        self.wait_active("^警告$", "フォルダ名が不正です")
        self.key("Return")
        self.wait_active_main()
        self.key("F2", "ctrl+a")
        self.type("D")
        self.key("Return")
        lines = self.save_as("renamed.fms").rstrip("\n").split("\n")
        self.assertEqual(lines[:4], MACRO.split("\n"))
        self.assertEqual(lines[-1], "<r:C,D>")

    def test_undo_works_from_the_pane(self):
        self.start(MACRO, name="source.fms")
        self.rename_in_pane("C", "D")
        self.key("ctrl+z")
        self.assertEqual(self.save_as("undone.fms"), MACRO)

    def test_undo_of_a_pane_edit_leaves_the_caret_where_the_change_was(self):
        folders = "\n".join("F%03d" % n for n in range(300))
        self.start(MACRO_HEADER + "\n" + folders + "\nZ", name="source.fms")
        self.rename_in_pane("Z", "Y")
        self.key("Tab", "ctrl+z")
        self.type("Q")
        lines = self.save_as("undone.fms").rstrip("\n").split("\n")
        self.assertEqual(lines[0], MACRO_HEADER)
        self.assertIn("Q", lines[-1])

    def test_names_shift_jis_lacks_never_move_folders_on_disk(self):
        for character in ("😀", "〜", "−"):
            with self.subTest(character=character):
                parent = self.path("out-%x" % ord(character))
                os.mkdir(parent)
                self.start(parent + "\n顧客" + character + "\\テスト\n", encoding="utf-8")
                self.menu("t", CREATE)
                self.dismiss_dialogs("Return")
                self.assertFalse(os.path.exists(os.path.join(parent, "テスト")),
                                 "the folder under 顧客%s was made at the top" % character)

    def test_text_pane_edits_keep_the_parent_folder_and_comment_lines(self):
        parent = self.path("out")
        self.start(parent + "\n; 見積の控え\nA\\B\nC\n")
        self.rename_in_pane("C", "D")
        lines = self.save_as("renamed.txt").rstrip("\n").split("\n")
        self.assertEqual(lines[0], parent)
        self.assertIn("; 見積の控え", lines)
        self.assertIn("D", lines)

    def test_a_text_source_refuses_a_top_level_name_it_would_read_as_a_comment(self):
        self.start("A\nB\n")
        self.rename_in_pane("B", ";x")
        self.answer_if_asked()
        self.wait_active_main()
        self.assertEqual(self.save_as("renamed.txt").rstrip("\n"), "A\nB")

    def test_add_inside_is_not_offered_for_a_folder_whose_path_holds_a_comma(self):
        source = MACRO_HEADER + "\na,b\nC"
        self.start(source, name="source.fms")
        self.focus_tree("a")
        self.click_context_menu_item(2, 4)  # 子追加
        if self.popup():
            self.key("Escape")
        else:
            self.type("N")
            self.key("Return")
            self.dismiss_dialogs("Return")
            self.key("Escape")
        self.assertEqual(self.save_as("unchanged.fms").rstrip("\n"), source)


if __name__ == "__main__":
    edamaki_e2e.main()
