"""Find (Ctrl+F), find next (F3), replace and replace all (Ctrl+R), by keyboard; what each
found shows in the saved text, as the letter typed over the match it selected."""

import edamaki_e2e
from edamaki_e2e import EdamakiTest

SOURCE = "abc\nxabc\nabc"


class SearchFlows(EdamakiTest):
    def find(self, text):
        self.key("ctrl+f")
        self.wait_active("^検索$", "the find dialog")
        self.type(text)
        self.key("Return", "Escape")
        self.wait_active_main()

    def replace(self, search, replacement, button):
        self.key("ctrl+r")
        self.wait_active("^置換$", "the replace dialog")
        self.type(search)
        self.key("alt+p")
        self.type(replacement)
        self.key(button)

    def test_find_and_find_next_select_the_matches_in_turn(self):
        cases = [
            ("find", [], "Z\nxabc\nabc"),
            ("F3", ["F3"], "abc\nxZ\nabc"),
            ("F3 twice", ["F3", "F3"], "abc\nxabc\nZ"),
            ("F3 and back", ["F3", "F3", "shift+F3"], "abc\nxZ\nabc"),
        ]
        for label, keys, expected in cases:
            with self.subTest(label):
                self.start(SOURCE)
                self.find("abc")
                if keys:
                    self.key(*keys)
                self.type("Z")
                self.assertEqual(self.save_as("found.txt"), expected)

    def test_replace_one_then_all(self):
        self.start(SOURCE)
        self.replace("abc", "Q", "alt+r")
        self.key("Escape")
        self.wait_active_main()
        self.assertEqual(self.save_as("replaced-one.txt"), "Q\nxabc\nabc")

        self.replace("abc", "R", "alt+a")
        self.wait_active("^確認$", "the question before replacing all")
        self.key("Return")
        self.wait_active("^情報$", "the count of replacements")
        self.dismiss_dialogs()
        self.assertEqual(self.save_as("replaced-all.txt"), "Q\nxR\nR")


if __name__ == "__main__":
    edamaki_e2e.main()
