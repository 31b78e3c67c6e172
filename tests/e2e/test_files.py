"""Opening, typing and saving, by keyboard alone, in both encodings."""

import edamaki_e2e
from edamaki_e2e import EdamakiTest


class FileFlows(EdamakiTest):
    def test_open_type_save_keeps_the_encoding_read(self):
        # A file read as UTF-8 is saved as UTF-8, one read as Shift-JIS as Shift-JIS; each
        # saved text holds what was typed, Japanese included.
        cases = [
            ("cp932", "顧客A\n>見積\n", "追加"),
            ("utf-8", "顧客A\n>見積\n", "追加😀"),
        ]
        for encoding, text, typed in cases:
            with self.subTest(encoding=encoding):
                self.start()
                source = self.write_source(text, encoding, "opened-%s.txt" % encoding)
                self.open_with_dialog(source)
                self.key("ctrl+End")
                self.type(typed)
                saved = self.save_as("saved-%s.txt" % encoding, encoding)
                self.assertEqual(saved, text + typed)

    def test_a_save_shift_jis_cannot_hold_is_refused(self):
        self.start("A\n")
        self.key("ctrl+End")
        self.type("😀")
        self.key("ctrl+s")
        self.wait_active("^警告$", "the warning that the character can't be saved")
        self.key("Return")
        self.wait_active_main()
        self.assertEqual(self.read_text(self.path("source.txt")), "A\n")


if __name__ == "__main__":
    edamaki_e2e.main()
