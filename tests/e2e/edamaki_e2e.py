"""Drives the real edamaki under Xvfb and openbox with real X key and mouse
events (xdotool, through XTEST), and reads what it did from the files it saves
and the folders it makes.

Each test class gets an X server of its own on a free display, so that CTest
can run the test files side by side; each test starts the program afresh,
with a home folder of its own, on a source file it writes first. Nothing
waits a fixed time alone: every wait is for a condition, with a time limit.
"""

import argparse
import contextlib
import ctypes
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

PROGRAM = None
SCREENSHOT_DIR = None

TEXT_TITLE = "Edamaki [テキスト]"
MACRO_TITLE = "Edamaki [マクロ]"
MACRO_HEADER = "<?dezodedu-macro?>"

# The characters past ASCII that tests type. Each gets a key of its own when the X
# server starts: xdotool would otherwise bind a spare key for each character as it
# types it and unbind it straight after, and a busy program that reads the keyboard
# map late loses the character.
TYPED_CHARACTERS = "追加😀〜−"

# Generous limits: the machine may be busy with builds and other tests.
WAIT = 20.0
POLL = 0.05


class XError(Exception):
    pass


def wait_until(condition, what, timeout=WAIT):
    """Waits until condition() returns a true value and returns it."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(POLL)


class XServer:
    """Xvfb on a free display, with openbox managing its windows."""

    def __init__(self, home):
        self.home = home
        self.display = None
        self._xvfb = None
        self._wm = None

    def start(self):
        for tool in ("Xvfb", "openbox", "xdotool", "xprop"):
            if not shutil.which(tool):
                raise XError("%s is not installed (scripts/setup.sh installs it)" % tool)
        # -displayfd: the server picks a free display and says which. -noreset: it keeps
        # the keys bound for the typed characters, whichever clients come and go.
        read_end, write_end = os.pipe()
        self._xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
             "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + WAIT
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        if not number.strip():
            raise XError("Xvfb did not start: %s" % self._xvfb.stderr.read().decode(errors="replace"))
        self.display = ":" + number.decode().strip()
        self._wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.env(),
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_until(lambda: self._wm_ready(), "openbox to manage the display")
        self._bind_typed_characters()

    def _bind_typed_characters(self):
        x11 = ctypes.CDLL("libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XGetKeyboardMapping.restype = ctypes.POINTER(ctypes.c_ulong)
        for function in ("XDisplayKeycodes", "XGetKeyboardMapping", "XChangeKeyboardMapping", "XSync",
                         "XCloseDisplay"):
            getattr(x11, function).argtypes = None
        display = ctypes.c_void_p(x11.XOpenDisplay(self.display.encode()))
        if not display:
            raise XError("cannot open display %s" % self.display)
        lowest, highest, per_key = ctypes.c_int(), ctypes.c_int(), ctypes.c_int()
        x11.XDisplayKeycodes(display, ctypes.byref(lowest), ctypes.byref(highest))
        count = highest.value - lowest.value + 1
        keysyms = x11.XGetKeyboardMapping(display, ctypes.c_ubyte(lowest.value), count, ctypes.byref(per_key))
        free = [lowest.value + key for key in range(count)
                if not any(keysyms[key * per_key.value + level] for level in range(per_key.value))]
        if len(free) < len(TYPED_CHARACTERS):
            raise XError("no free keys for the characters the tests type")
        for keycode, character in zip(reversed(free), TYPED_CHARACTERS):
            levels = (ctypes.c_ulong * per_key.value)(*[0x1000000 + ord(character)] * per_key.value)
            x11.XChangeKeyboardMapping(display, keycode, per_key, levels, 1)
        x11.XSync(display, 0)
        x11.XCloseDisplay(display)

    def _wm_ready(self):
        if self._wm.poll() is not None:
            raise XError("openbox exited with status %s" % self._wm.returncode)
        result = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env(),
                                capture_output=True, text=True)
        return "window id" in result.stdout

    def env(self):
        env = {key: value for key, value in os.environ.items()
               if not key.startswith(("QT_", "XDG_", "WAYLAND"))}
        env.update(DISPLAY=self.display, HOME=self.home, XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                   LANG="C.UTF-8", LC_ALL="C.UTF-8", QT_QPA_PLATFORM="xcb")
        env.pop("XMODIFIERS", None)
        return env

    def stop(self):
        for process in (self._wm, self._xvfb):
            if process and process.poll() is None:
                process.terminate()
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()


class EdamakiTest(unittest.TestCase):
    """A test of the program as a user meets it: keys, clicks, files."""

    # Variables the program starts with, beside the display's.
    program_env = {}

    @classmethod
    def setUpClass(cls):
        if not PROGRAM or not os.access(PROGRAM, os.X_OK):
            raise XError("no program to test: pass --program PATH to the built edamaki")
        cls._class_home = tempfile.mkdtemp(prefix="edamaki-e2e-x-")
        cls.x = XServer(cls._class_home)
        try:
            cls.x.start()
        except Exception:
            cls.tearDownClass()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.x.stop()
        shutil.rmtree(cls._class_home, ignore_errors=True)

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="edamaki-e2e-")
        self.home = os.path.join(self.dir, "home")
        os.makedirs(os.path.join(self.home, ".config"))
        self.runtime = os.path.join(self.dir, "run")
        os.mkdir(self.runtime, 0o700)
        self.app = None
        self.main_window = None
        self.saves = 0
        self.failures_before = self.failure_count()

    def failure_count(self):
        result = getattr(self._outcome, "result", None)
        return len(result.failures) + len(result.errors) if result else 0

    def tearDown(self):
        if self.failure_count() > self.failures_before:
            self.screenshot()
        self.stop()
        shutil.rmtree(self.dir, ignore_errors=True)

    @contextlib.contextmanager
    def subTest(self, msg=None, **params):
        """A case of a table: the screen is kept when it fails, as it was then."""
        with super().subTest(msg, **params):
            try:
                yield
            except Exception:
                self.screenshot(str(msg or params))
                raise

    # --- The program -------------------------------------------------------

    def path(self, *names):
        return os.path.join(self.dir, *names)

    def write_source(self, text, encoding="cp932", name="source.txt"):
        """Writes a source file, lines joined with CR LF as the program's own files are."""
        file_name = self.path(name)
        with open(file_name, "wb") as file:
            file.write(text.replace("\n", "\r\n").encode(encoding))
        return file_name

    def stop(self):
        if self.app and self.app.poll() is None:
            self.app.send_signal(signal.SIGKILL)
            self.app.wait()

    def start(self, text=None, encoding="cp932", name="source.txt"):
        """Starts the program afresh, on a source file holding text when it is given."""
        self.stop()
        env = self.x.env()
        env.update(HOME=self.home, XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                   XDG_RUNTIME_DIR=self.runtime)
        env.update(self.program_env)
        command = [PROGRAM]
        if text is not None:
            command.append(self.write_source(text, encoding, name))
        self.app = subprocess.Popen(command, env=env, cwd=self.dir,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.main_window = wait_until(lambda: self._program_window(r"^Edamaki \["), "the main window")
        self.activate(self.main_window)
        self.wait_active_main()
        return self.main_window

    def _program_window(self, title):
        if self.app.poll() is not None:
            raise AssertionError("edamaki exited with status %s" % self.app.returncode)
        ids = self.xdotool("search", "--all", "--onlyvisible", "--pid", str(self.app.pid), "--name", title,
                           check=False).split()
        return ids[0] if ids else None

    # --- X -----------------------------------------------------------------

    def xdotool(self, *arguments, check=True):
        result = subprocess.run(["xdotool", *arguments], env=self.x.env(), capture_output=True, text=True,
                                timeout=WAIT)
        if check and result.returncode != 0:
            raise AssertionError("xdotool %s failed: %s" % (" ".join(arguments), result.stderr.strip()))
        return result.stdout.strip()

    def key(self, *keys):
        """Presses each key (xdotool names: ctrl+s, Return, F2, Menu) on the focused window."""
        self.xdotool("key", "--clearmodifiers", "--delay", "40", *keys)

    def type(self, text):
        missing = [character for character in text
                   if ord(character) > 0x7E and character not in TYPED_CHARACTERS]
        if missing:
            raise AssertionError("add %s to TYPED_CHARACTERS" % "".join(missing))
        self.xdotool("type", "--clearmodifiers", "--delay", "40", "--", text)

    def click(self, window, x, y, button=1):
        """Clicks at (x, y) inside window."""
        self.xdotool("mousemove", "--window", window, str(x), str(y), "click", str(button))

    def activate(self, window):
        self.xdotool("windowactivate", "--sync", window, check=False)

    def active_window(self):
        window = self.xdotool("getactivewindow", check=False)
        if not window:
            return None, ""
        return window, self.xdotool("getwindowname", window, check=False)

    def window_name(self, window):
        return self.xdotool("getwindowname", window, check=False)

    def wait_active(self, title, what=None):
        """Waits until a window whose title matches the regular expression is the active one."""
        def active():
            window, name = self.active_window()
            return window if window and re.search(title, name) else None
        return wait_until(active, what or "a window titled %r to be active" % title)

    def wait_active_main(self):
        return wait_until(lambda: self.active_window()[0] == self.main_window, "the main window to be active")

    def wait_other_active(self, what="a dialog", timeout=WAIT):
        """Waits until a window other than the main window is active and returns its id."""
        def other():
            window, _ = self.active_window()
            return window if window and window != self.main_window else None
        return wait_until(other, what, timeout)

    def window_geometry(self, window):
        out = self.xdotool("getwindowgeometry", "--shell", window)
        values = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def stacking(self):
        """The managed windows of the display, bottom first."""
        out = subprocess.run(["xprop", "-root", "_NET_CLIENT_LIST_STACKING"], env=self.x.env(),
                             capture_output=True, text=True).stdout
        return ["%d" % int(window, 16) for window in re.findall(r"0x[0-9a-f]+", out)]

    def answer_if_asked(self, key="Return", within=2.0):
        """Presses key in a box or dialog if one comes up within a short time."""
        try:
            self.wait_other_active("a dialog", within)
        except AssertionError:
            return False
        self.key(key)
        return True

    def dismiss_dialogs(self, key="Escape"):
        """Presses key until the main window is active again (message boxes, dialogs)."""
        def main_active():
            window, _ = self.active_window()
            if window == self.main_window:
                return True
            self.key(key)
            time.sleep(0.2)
            return False
        wait_until(main_active, "the dialogs to close")

    def screenshot(self, case=""):
        """Keeps the whole screen in the screenshot folder, if one was given."""
        if not SCREENSHOT_DIR or not self.x.display:
            return
        os.makedirs(SCREENSHOT_DIR, exist_ok=True)
        label = "%s.%s-%s" % (type(self).__name__, self._testMethodName, case)
        name = os.path.join(SCREENSHOT_DIR, re.sub(r"[^\w.]+", "_", label).strip("_-"))
        if shutil.which("import"):
            command = ["import", "-window", "root", name + ".png"]
        elif shutil.which("xwd"):
            command = ["xwd", "-root", "-silent", "-out", name + ".xwd"]
        else:
            return
        subprocess.run(command, env=self.x.env(), capture_output=True, timeout=WAIT)
        print("\nscreenshot: %s" % (name + (".png" if command[0] == "import" else ".xwd")), file=sys.stderr)

    # --- The user's steps --------------------------------------------------

    def popup(self):
        """The program's open popup (a menu, a completion list), if any: the one window of its
        own that carries the application's name alone."""
        ids = self.xdotool("search", "--all", "--onlyvisible", "--pid", str(self.app.pid), "--name", ".*",
                           check=False).split()
        for window in ids:
            if self.window_name(window) == "Edamaki":
                return window
        return None

    def menu(self, mnemonic, item_index):
        """Opens a main menu by its Alt mnemonic and picks its item_index-th item (from 0)."""
        self.key("alt+" + mnemonic)
        wait_until(self.popup, "the menu to open")
        self.key(*(["Down"] * item_index), "Return")

    def context_menu(self, *keys, opener="Menu"):
        """Opens the focused control's context menu with the Menu key (or opener, such as
        shift+F10) and presses keys in it."""
        self.key(opener)
        wait_until(self.popup, "the context menu to open")
        self.key(*keys)
        wait_until(lambda: not self.popup(), "the context menu to close")

    def click_context_menu_item(self, index, items):
        """Opens the focused control's context menu with the Menu key and clicks its index-th
        of items rows, enabled or not (a disabled item takes no click: the menu stays open)."""
        self.key("Menu")
        menu = wait_until(self.popup, "the context menu to open")
        _, _, width, height = self.window_geometry(menu)
        self.click(menu, width // 2, height * (2 * index + 1) // (2 * items))
        return menu

    def focus_tree(self, folder=None):
        """Moves the focus from the editor to the tree pane, onto the folder whose name begins
        with folder (typed, as a user jumps to a folder)."""
        self.key("shift+Tab")
        if folder:
            self.type(folder)

    def save_as(self, name, encoding="cp932"):
        """Saves the source through Ctrl+S and the save dialog under a new name in the test's
        folder, and returns the saved text with its line breaks as \\n."""
        self.saves += 1
        file_name = self.path("%02d-%s" % (self.saves, name))
        self.activate(self.main_window)
        self.wait_active_main()
        self.key("ctrl+s")
        self.wait_other_active("the save dialog")
        self.key("ctrl+a")
        self.type(file_name)
        self.key("Return")
        wait_until(lambda: os.path.exists(file_name), "%s to be saved" % file_name)
        self.wait_active_main()
        return self.read_text(file_name, encoding)

    def read_text(self, file_name, encoding="cp932"):
        with open(file_name, "rb") as file:
            data = file.read()
        return data.decode(encoding).replace("\r\n", "\n")

    def open_with_dialog(self, file_name):
        self.key("ctrl+o")
        self.wait_other_active("the open dialog")
        self.key("ctrl+a")
        self.type(file_name)
        self.key("Return")
        self.wait_active_main()

    def clipboard(self):
        result = subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=self.x.env(),
                                capture_output=True, text=True, timeout=WAIT)
        return result.stdout if result.returncode == 0 else ""

    def set_clipboard(self, text):
        subprocess.run(["xclip", "-i", "-selection", "clipboard"], input=text, text=True, env=self.x.env(),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=WAIT)

    def tag_dialog(self):
        """Opens the tag dialog with Ctrl+Insert and returns its window."""
        self.key("ctrl+Insert")
        return self.wait_active("^マクロタグ作成$", "the tag dialog")

    def click_tag_tab(self, dialog, tab):
        """Clicks tab (0-5) of the tag dialog's strip: two rows of three."""
        self.click(dialog, 2 + (tab % 3) * 84 + 42, 2 + (tab // 3) * 18 + 9)


def main():
    global PROGRAM, SCREENSHOT_DIR
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--screenshots")
    options, rest = parser.parse_known_args()
    PROGRAM = os.path.abspath(options.program)
    SCREENSHOT_DIR = options.screenshots
    unittest.main(module="__main__", argv=[sys.argv[0], "-v", *rest])
