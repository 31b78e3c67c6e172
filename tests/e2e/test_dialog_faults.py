"""What a user met in the find, replace and tag dialogs at a real keyboard: each case is
checked through the text the program saves afterwards."""

import os

import edamaki_e2e
from edamaki_e2e import MACRO_HEADER, EdamakiTest, wait_until
from test_tag_dialog import EDCHAR, OK_BUTTON, STCHAR

MACRO = MACRO_HEADER + "\nA\n>B\nC\nP"


class DialogFaults(EdamakiTest):
    def open_find(self):
        self.key("ctrl+f")
        return self.wait_active("^検索$", "the find dialog")

    def open_replace(self):
        self.key("ctrl+r")
        return self.wait_active("^置換$", "the replace dialog")

    def close_dialog(self):
        self.key("Escape")
        self.wait_active_main()

    def test_edit_keys_in_a_dialog_leave_the_editor_alone(self):
        # The focus on a button, a check box or nothing: the main window's edit keys must not
        # reach its editor, which holds a typed "Y" (an undo step) and a "PASTE" to paste.
        dialogs = {
            "find": (self.open_find, ["Tab"]),
            "replace": (self.open_replace, ["Tab", "Tab"]),
            "tag": (self.tag_dialog, ["shift+Tab"]),
        }
        cases = [
            ("find", ["ctrl+a", "ctrl+x"]),
            ("replace", ["ctrl+a", "ctrl+x"]),
            ("tag", ["ctrl+a", "ctrl+x"]),
            ("find", ["ctrl+z"]),
            ("find", ["ctrl+v"]),
            ("tag", ["ctrl+c", "ctrl+v"]),
        ]
        for dialog, keys in cases:
            with self.subTest(dialog=dialog, keys=keys):
                self.start(MACRO, name="source.fms")
                self.set_clipboard("PASTE")
                self.key("ctrl+End")
                self.type("Y")
                open_dialog, focus_keys = dialogs[dialog]
                open_dialog()
                self.key(*focus_keys, *keys)
                self.close_dialog()
                self.key("ctrl+End")
                self.type("Z")
                self.assertEqual(self.save_as("edited.fms"), MACRO + "YZ")

    def test_tab_goes_from_the_search_text_to_the_replacement_then_the_options(self):
        # Replace: search text, Tab, replacement, すべて置換 replaces with what was typed.
        self.start("abc abc")
        self.open_replace()
        self.type("a")
        self.key("Tab")
        self.type("X")
        self.key("alt+a")
        self.wait_active("^確認$", "the question before replacing all")
        self.key("Return")
        self.wait_active("^情報$", "the count of replacements")
        self.dismiss_dialogs()
        self.assertEqual(self.save_as("replaced.txt"), "Xbc Xbc")

        # Find: Tab from the search text reaches an option, where Space searches nothing.
        self.start("abc abc")
        self.open_find()
        self.type("abc")
        self.key("Tab", "space")
        self.close_dialog()
        self.type("Z")
        self.assertEqual(self.save_as("found.txt"), "Zabc abc")

    def reopen(self, dialog):
        self.close_dialog()
        return self.tag_dialog()

    def change_tab(self, dialog):
        self.click_tag_tab(dialog, 1)
        return dialog

    def test_tag_dialog_has_its_first_field_focused(self):
        # Each time it is shown and each time its tab changes, typing goes into the first
        # field of the tab, replacing its text.
        cases = [
            ("shown", None, "3", "<#3:0-0>"),
            ("shown again", self.reopen, "4", "<#4:0-0>"),
            ("tab changed", self.change_tab, "2", "<@2:a-c>"),
        ]
        for label, step, typed, tag in cases:
            with self.subTest(label):
                self.start(MACRO, name="source.fms")
                self.key("ctrl+End")
                dialog = self.tag_dialog()
                if step:
                    dialog = step(dialog)
                self.type(typed)
                if step == self.change_tab:
                    for field, character in ((STCHAR, "a"), (EDCHAR, "c")):
                        self.click(dialog, *field)
                        self.type(character)
                self.click(dialog, *OK_BUTTON)
                self.assertEqual(self.save_as("tagged.fms"), MACRO + tag)

    def test_the_tag_dialog_leaves_the_source_in_view(self):
        # The window system puts a tool window over the middle of its main window, on the
        # editor's text: the dialog must show where it hides none of it.
        self.start(MACRO_HEADER + "\nA\n>B\n>C\nD", name="source.fms")
        dialog = self.tag_dialog()
        x, y, width, height = self.window_geometry(self.main_window)
        editor = (x + width * 2 // 5, y + 60, x + width, y + height)
        left, top, dialog_width, dialog_height = self.window_geometry(dialog)
        right, bottom = left + dialog_width, top + dialog_height
        self.assertTrue(right <= editor[0] or left >= editor[2] or bottom <= editor[1] or top >= editor[3],
                        "the tag dialog at %s covers the editor at %s"
                        % ((left, top, right, bottom), editor))

    def test_delete_deletes_in_the_character_fields(self):
        self.start(MACRO, name="source.fms")
        self.key("ctrl+End")
        dialog = self.tag_dialog()
        self.click_tag_tab(dialog, 1)
        for field, wrong, right in ((STCHAR, "b", "a"), (EDCHAR, "d", "c")):
            self.click(dialog, *field)
            self.type(wrong)
            self.key("Home", "Delete")
            self.type(right)
        self.click(dialog, *OK_BUTTON)
        self.assertEqual(self.save_as("tagged.fms"), MACRO + "<@1:a-c>")

    def test_find_and_replace_characters_shift_jis_lacks(self):
        source = "a〜b?c−d"
        cases = [
            ("find", "〜", "aZb?c−d"),
            ("find", "−", "a〜b?cZd"),
            ("find", "?", "a〜bZc−d"),
            ("replace all", "?", "a〜b!c−d"),
        ]
        for step, search, expected in cases:
            with self.subTest(step=step, search=search):
                self.start(source, encoding="utf-8")
                if step == "find":
                    self.open_find()
                    self.type(search)
                    self.key("Return")
                    self.dismiss_dialogs()
                    self.type("Z")
                else:
                    self.open_replace()
                    self.type(search)
                    self.key("alt+p")
                    self.type("!")
                    self.key("alt+a")
                    self.wait_active("^確認$", "the question before replacing all")
                    self.key("Return")
                    self.wait_active("^情報$", "the count of replacements, or that none was found")
                    self.dismiss_dialogs()
                self.assertEqual(self.save_as("found.txt", "utf-8"), expected)

    def test_after_nothing_found_the_focus_is_back_in_the_dialog(self):
        # A second Enter searches again; it must not reach the editor as a line break.
        self.start("abc")
        self.open_find()
        self.type("zzz")
        self.key("Return")
        box = self.wait_active("^情報$", "that nothing was found")
        self.key("Return")
        wait_until(lambda: self.active_window()[0] != box, "the box to close")
        self.key("Return")
        self.dismiss_dialogs()
        self.assertEqual(self.save_as("unchanged.txt"), "abc")

    def test_a_macro_source_saved_without_extension_shows_in_the_open_dialog(self):
        self.start(MACRO, name="source.fms")
        folder = self.path("saved")
        os.mkdir(folder)
        self.key("ctrl+s")
        self.wait_other_active("the save dialog")
        self.type(os.path.join(folder, "proj"))
        self.key("Return")
        wait_until(lambda: os.listdir(folder), "the source to be saved")
        self.wait_active_main()
        # The open dialog's name completion offers only the files its filter shows; the
        # folder holds nothing else.
        self.key("ctrl+o")
        self.wait_other_active("the open dialog")
        self.type(os.path.join(folder, "p"))
        wait_until(self.popup, "the open dialog to offer %s" % os.listdir(folder), timeout=5)
        self.dismiss_dialogs()

    def test_tag_dialog_stays_below_a_modal_dialog(self):
        self.start(MACRO, name="source.fms")
        dialog = self.tag_dialog()
        self.activate(self.main_window)
        self.wait_active_main()
        self.key("ctrl+s")
        save_dialog = self.wait_other_active("the save dialog")
        self.assertNotEqual(save_dialog, dialog)
        stack = self.stacking()
        if dialog in stack:
            self.assertLess(stack.index(dialog), stack.index(save_dialog), "the tag dialog is above")
        self.key("Escape")
        self.wait_active_main()


if __name__ == "__main__":
    edamaki_e2e.main()
