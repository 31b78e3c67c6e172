"""A creation run from the Tools menu: the folders on disk, and the log window's lines."""

import os

import edamaki_e2e
from edamaki_e2e import EdamakiTest, wait_until

CREATE = 2  # ツール: フォルダ構成参照, 親フォルダ選択, フォルダ作成, ログ表示, 最後の作成を取り消す
UNDO = 4


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


    def run_source(self, parent):
        """Runs the source from the Tools menu, keys only, and closes the log once it is whole."""
        self.menu("t", CREATE)
        self.wait_active("^確認$", "the question before the run")
        self.key("Return")
        self.wait_active("^Edamakiログリスト$", "the log window")

    def test_undo_takes_back_the_last_run_by_keyboard_and_by_the_log_button(self):
        parent = self.path("out")
        os.makedirs(os.path.join(parent, "A"))
        self.start(parent + "\nA\\B\nC\\D\n")
        made = [os.path.join(parent, *folder) for folder in (("A", "B"), ("C",), ("C", "D"))]

        # The menu item: asks with the list, No is the default, Yes takes them.
        self.run_source(parent)
        wait_until(lambda: all(os.path.isdir(folder) for folder in made), "the folders on disk")
        log = self.active_window()[0]
        self.key("Escape")
        self.wait_active_main()
        self.menu("t", UNDO)
        self.wait_active("^確認$", "the question before the undo")
        self.screenshot("undo-question")
        self.key("alt+y")
        self.wait_active("^Edamakiログリスト$", "the log with the undo")
        wait_until(lambda: not any(os.path.exists(folder) for folder in made), "the folders gone")
        self.assertTrue(os.path.isdir(os.path.join(parent, "A")))
        self.screenshot("undo-log")
        self.key("Escape")
        self.wait_active_main()

        # The button of the log window, after a run.
        self.run_source(parent)
        wait_until(lambda: all(os.path.isdir(folder) for folder in made), "the folders on disk again")
        self.screenshot("log-with-undo-button")
        # Its access key, once the run is over and the button shows.
        wait_until(lambda: self.key("alt+u") or self.active_window()[1] == "確認",
                   "the question after the button")
        self.key("alt+y")
        wait_until(lambda: not any(os.path.exists(folder) for folder in made), "the folders gone again")
        self.assertEqual(os.listdir(parent), ["A"])
        self.key("Escape")
        self.wait_active_main()

if __name__ == "__main__":
    edamaki_e2e.main()
