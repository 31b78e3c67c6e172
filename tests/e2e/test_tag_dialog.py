"""Each tab of the macro tag dialog (Ctrl+Insert) writes its tag into the source: the
sequences where the caret is, the folder tags as a new last line."""

import edamaki_e2e
from edamaki_e2e import MACRO_HEADER, EdamakiTest

SOURCE = MACRO_HEADER + "\nA\n>B\nC\nP"

# Where the fields are in the dialog, which lays them out at fixed places.
KETA, NSTEP, STNUM, EDNUM = (40, 78), (176, 78), (62, 124), (186, 124)
NMOJI, STCHAR, EDCHAR = (40, 74), (32, 120), (96, 120)
STRLIST = (128, 120)
SRCPATH, NEWNAME = (128, 80), (128, 136)
OK_BUTTON = (90, 198)


class TagDialogFlows(EdamakiTest):
    def fill(self, dialog, field, text):
        self.click(dialog, *field)
        self.key("ctrl+a")
        for index, line in enumerate(text.split("\n")):
            if index:
                self.key("Return")
            self.type(line)

    def test_each_tab_writes_its_tag(self):
        cases = [
            (0, [(KETA, "2"), (STNUM, "1"), (EDNUM, "3")], SOURCE + "<#2:1-3>"),
            (0, [(NSTEP, "5"), (EDNUM, "20")], SOURCE + "<#1:0-20,5>"),
            (1, [(NMOJI, "2"), (STCHAR, "a"), (EDCHAR, "c")], SOURCE + "<@2:a-c>"),
            (2, [(STRLIST, "x\ny")], SOURCE + "<$:x,y>"),
            (3, [(SRCPATH, "A/N")], SOURCE + "\n<+:A/N>"),
            (4, [(SRCPATH, "C")], SOURCE + "\n<-:C>"),
            (5, [(SRCPATH, "C"), (NEWNAME, "D")], SOURCE + "\n<r:C,D>"),
        ]
        for tab, fields, expected in cases:
            with self.subTest(tab=tab, fields=fields):
                self.start(SOURCE, name="source.fms")
                self.key("ctrl+End")
                dialog = self.tag_dialog()
                self.click_tag_tab(dialog, tab)
                for field, text in fields:
                    self.fill(dialog, field, text)
                self.click(dialog, *OK_BUTTON)
                self.assertEqual(self.save_as("tagged.fms").rstrip("\n"), expected)


if __name__ == "__main__":
    edamaki_e2e.main()
