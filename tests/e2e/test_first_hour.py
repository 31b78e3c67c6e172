"""What a new user meets in the first hour: the example make run opens, the redo keys, the
values dialog's messages, the access keys of the menus and the templates, the save dialog's
encoding and the window's remembered size; each checked on disk or on the screen."""

import os
import subprocess

import edamaki_e2e
from edamaki_e2e import MACRO_HEADER, EdamakiTest, wait_until

RUN_SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "run.sh")


class FirstHour(EdamakiTest):
    def start_script(self):
        """Starts the program as make run does, with its scratch folder in the test's folder."""
        self.stop()
        env = self.x.env()
        env.update(HOME=self.home, XDG_RUNTIME_DIR=self.runtime, TMPDIR=self.dir)
        self.app = subprocess.Popen(["bash", RUN_SCRIPT, os.path.dirname(edamaki_e2e.PROGRAM)], env=env,
                                    cwd=self.dir, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.main_window = wait_until(lambda: self._program_window(r"^Edamaki \["), "the main window")
        self.activate(self.main_window)
        self.wait_active_main()

    def run_from_tools_menu(self):
        # ツール(&T), フォルダ作成(&C), then the question.
        self.key("alt+t")
        wait_until(self.popup, "the tools menu")
        self.key("c")
        self.wait_active("^確認$", "the question before the run")
        self.key("Return")
        self.wait_active("^Edamakiログリスト$", "the log window")

    def test_the_example_of_make_run_makes_its_folders(self):
        self.start_script()
        self.run_from_tools_menu()
        scratch = os.path.join(self.dir, "edamaki-example-%d" % os.getuid(), "作業")
        made = [os.path.join(scratch, *folder) for folder in
                (("Project01", "src"), ("Project03", "doc", "画像C"), ("Archive", "年度2026", "下期"))]
        wait_until(lambda: all(os.path.isdir(folder) for folder in made), "the example's folders")
        self.key("Escape")
        self.wait_active_main()

    def test_ctrl_y_redoes_in_the_editor_and_the_tree_pane(self):
        self.start("A\nB\n")
        self.key("ctrl+End")
        self.type("C")
        self.key("ctrl+z", "ctrl+y")
        self.assertEqual(self.save_as("editor.txt"), "A\nB\nC")
        # The pane's delete of B, undone and redone there.
        self.start("A\nB\n")
        self.focus_tree("B")
        self.context_menu("Up", "Return")
        self.key("ctrl+z", "ctrl+y")
        self.assertEqual(self.save_as("pane.txt").rstrip("\n"), "A")

    def test_the_values_dialog_grows_for_a_long_message(self):
        parent = self.path("out")
        os.mkdir(parent)
        self.start(parent + "\n<%a>\\x\n")
        self.run_from_tools_menu_until_values()
        dialog = self.wait_active("^値の入力$", "the values dialog")
        _, _, _, before = self.window_geometry(dialog)
        self.type("A/B")
        self.key("Return")
        wait_until(lambda: self.window_geometry(dialog)[3] > before + 30,
                   "the dialog to grow by the message's lines", timeout=5)
        self.key("Escape")
        self.wait_active_main()

    def run_from_tools_menu_until_values(self):
        self.key("alt+t")
        wait_until(self.popup, "the tools menu")
        self.key("c")

    def test_templates_by_access_keys(self):
        own = os.path.join(self.home, ".local", "share", "edamaki", "templates")
        installed = self.path("share")
        os.makedirs(own)
        os.makedirs(os.path.join(installed, "edamaki", "templates"))
        for folder, text in ((own, "own"), (os.path.join(installed, "edamaki", "templates"), "installed")):
            with open(os.path.join(folder, "w.txt"), "w") as file:
                file.write(text + "\r\n")
        self.program_env = {"XDG_DATA_DIRS": installed}
        # Both of a shared name are listed, the user's first: 2 opens the installed one.
        self.start("x")
        self.key("alt+m")
        wait_until(self.popup, "the template menu")
        self.key("2")
        self.assertEqual(self.save_as("installed.txt"), "installed\n")

        # Saving asks whether to keep the parent folder line (No leaves it out), then asks
        # before standing beside the installed template of the name.
        self.start("/tmp\nA\\B\n")
        self.key("alt+m")
        wait_until(self.popup, "the template menu")
        self.key("s")
        self.wait_active("^確認$", "the question about the parent folder line")
        self.key("Return")
        self.wait_active("^テンプレートとして保存$", "the name dialog")
        self.key("ctrl+a")
        self.type("n")
        self.key("Return")
        wait_until(lambda: os.path.exists(os.path.join(own, "n.txt")), "the template to be saved")
        self.assertEqual(self.read_text(os.path.join(own, "n.txt"), "utf-8"), "A\\B\n")

    def test_the_save_dialog_chooses_the_encoding(self):
        self.start("A\\日本\n", encoding="utf-8")
        file_name = self.path("saved.txt")
        self.key("ctrl+s")
        self.wait_other_active("the save dialog")
        self.key("ctrl+a")
        self.type(file_name)
        # 文字コード(&E): UTF-8 (BOM 付き), the one below the document's own.
        self.key("alt+e", "Down", "Return")
        wait_until(lambda: os.path.exists(file_name), "the source to be saved")
        with open(file_name, "rb") as file:
            self.assertEqual(file.read(), "\ufeffA\\日本\r\n".encode("utf-8"))

    def test_the_window_keeps_its_size(self):
        self.start("A")
        _, _, width, height = self.window_geometry(self.main_window)
        self.assertGreaterEqual((width, height), (640, 480), "a first size from the screen")
        self.xdotool("windowsize", self.main_window, "700", "500")
        wait_until(lambda: self.window_geometry(self.main_window)[2:] == (700, 500), "the new size")
        # ファイル(&F), 終了(&X).
        self.key("alt+f")
        wait_until(self.popup, "the file menu")
        self.key("x")
        self.app.wait(timeout=20)
        self.start("A")
        self.assertEqual(self.window_geometry(self.main_window)[2:], (700, 500))


if __name__ == "__main__":
    edamaki_e2e.main()
