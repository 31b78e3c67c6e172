"""Names as a Linux input method types them: pasted into the editor, made on disk exactly."""

import os

import edamaki_e2e
from edamaki_e2e import EdamakiTest, wait_until

CREATE = 2  # ツール: フォルダ構成参照, 親フォルダ選択, フォルダ作成, ログ表示


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


if __name__ == "__main__":
    edamaki_e2e.main()
