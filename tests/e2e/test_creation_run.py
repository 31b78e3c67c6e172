"""A creation run from the Tools menu: the folders on disk, and the log window's lines."""

import os

import edamaki_e2e
from edamaki_e2e import EdamakiTest, wait_until

CREATE = 2  # ツール: フォルダ構成参照, 親フォルダ選択, フォルダ作成, ログ表示


class CreationRunFlows(EdamakiTest):
    def test_run_makes_the_folders_and_logs_each(self):
        parent = self.path("out")
        os.mkdir(parent)
        # A file in the way of one folder: its line fails, the others are made.
        open(os.path.join(parent, "D"), "w").close()
        self.start(parent + "\nA\\B\nC\\日本語\nD\\E\n")

        self.menu("t", CREATE)
        self.wait_active("^確認$", "the question before the run")
        self.key("Return")
        self.wait_active("^Edamakiログリスト$", "the log window")
        made = [os.path.join(parent, *folder) for folder in (("A", "B"), ("C", "日本語"))]
        wait_until(lambda: all(os.path.isdir(folder) for folder in made), "the folders on disk")
        self.assertTrue(os.path.isfile(os.path.join(parent, "D")))

        # The list copies its selected lines. The run goes on a thread of its
        # own and the window takes its lines a moment later, giving the focus
        # back to 閉じる at the end: a click puts it on the list each time
        # round, until the log is whole.
        expected = [os.path.join(parent, *folder) for folder in
                    (("A",), ("A", "B"), ("C",), ("C", "日本語"), ("D",), ("D", "E"))]
        window, _ = self.active_window()

        def whole_log():
            self.click(window, 40, 12)
            self.key("ctrl+a", "ctrl+c")
            return self.clipboard().splitlines() == expected

        try:
            wait_until(whole_log, "the whole log on the clipboard")
        finally:
            self.assertEqual(self.clipboard().splitlines(), expected)
        self.key("Escape")
        self.wait_active_main()


if __name__ == "__main__":
    edamaki_e2e.main()
