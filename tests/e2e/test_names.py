"""Names as a Linux input method types them: pasted into the editor, made on disk exactly."""

import os

import edamaki_e2e
from edamaki_e2e import EdamakiTest, wait_until

PARENT = 1  # ツール: フォルダ構成参照, 親フォルダ選択, フォルダ作成, ログ表示
CREATE = 2


class NameFlows(EdamakiTest):
    def test_a_wave_dash_from_the_clipboard_is_made_and_saved_as_its_shift_jis_code(self):
        parent = self.path("out")
        os.mkdir(parent)
        self.start(parent + "\n")
        # The input method types U+301C, not the full-width tilde of code page 932.
        self.set_clipboard("4月〜6月\\資料")
        self.key("ctrl+End", "ctrl+v")

        self.menu("t", CREATE)
        self.wait_active("^確認$", "the question before the run")
        self.key("Return")
        self.wait_active("^Edamakiログリスト$", "the log window")
        made = os.path.join(parent, "4月\u301c6月", "資料")
        wait_until(lambda: os.path.isdir(made), "the folder named as typed")
        self.assertEqual(os.listdir(parent), ["4月\u301c6月"])
        self.key("Escape")
        self.wait_active_main()

        # A Shift-JIS save writes the wave dash with its code, 0x8160.
        self.save_as("saved.txt")
        with open(self.path("01-saved.txt"), "rb") as file:
            self.assertIn(b"4\x8c\x8e\x81\x606\x8c\x8e", file.read())

    def test_a_parent_folder_line_set_off_by_blanks_is_the_one_a_chosen_folder_replaces(self):
        chosen = self.path("chosen")
        os.mkdir(chosen)
        self.start()
        # Typed, so the blanks stay (opening a file trims its lines).
        self.type("  /old")
        self.key("Return")
        self.type("A")
        self.menu("t", PARENT)
        self.wait_other_active("the folder dialog")
        self.key("ctrl+a")
        self.type(chosen)
        self.key("Return")
        self.wait_active_main()
        # The line was replaced, so the next read keeps the folder chosen.
        self.assertEqual(self.save_as("chosen.txt"), chosen + "\nA")


if __name__ == "__main__":
    edamaki_e2e.main()
