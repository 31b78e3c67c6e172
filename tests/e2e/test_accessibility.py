"""What a screen reader meets: the real program read through AT-SPI, as Orca reads it.

The test runs in a D-Bus session of its own (main() starts one with dbus-run-session), whose
bus starts the accessibility bus of at-spi2-core; the program runs under Xvfb with
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 and the checker reads it with pyatspi. A run that cannot
start the session or the accessibility bus says so and fails.

Events are taken with listeners registered before the program starts (the program sends only
the kinds a client listens for) and read by iterating the GLib main context; every wait is for
a condition, with a limit.
"""

import importlib.util
import os
import shutil
import subprocess
import sys
import tempfile

import edamaki_e2e
from edamaki_e2e import MACRO_HEADER, WAIT, EdamakiTest, wait_until

pyatspi = None
GLib = None

# Set in the D-Bus session that main() starts, to its runtime folder.
SESSION_MARK = "EDAMAKI_E2E_ATSPI_SESSION"

# A program that sends an event sends it before it answers a later question, and D-Bus keeps
# the order: once the change is seen, its event is in the queue, or comes very soon.
EVENT_GRACE = 2.0

EVENTS = []  # (type, role, name, detail1) of each event heard

TREE = "A\\B\nC\\D\nE\n"
TREE_ROWS = ["<ROOT>", "A", "B", "C", "D", "E"]
TREE_ROWS_C_CLOSED = ["<ROOT>", "A", "B", "C", "E"]


def pump():
    context = GLib.MainContext.default()
    while context.pending():
        context.iteration(False)


def wait_for(condition, what, timeout=WAIT):
    """Waits, handling the events that come meanwhile, until condition() is true."""
    def pumped():
        pump()
        return condition()
    return wait_until(pumped, what, timeout)


def heard(event):
    try:
        role, name = event.source.getRoleName(), event.source.name
    except Exception as error:  # the source is gone already
        role, name = "defunct", str(error)
    EVENTS.append((event.type, role, name, event.detail1))


def descendants(node):
    """node's descendants, in reading order (depth first)."""
    for child in node:
        if child is not None:
            yield child
            yield from descendants(child)


def has_state(node, state):
    return node.getState().contains(state)


def alive(node):
    """Why node is no longer usable, or None when it is."""
    try:
        if has_state(node, pyatspi.STATE_DEFUNCT):
            return "defunct"
        node.name
    except Exception as error:
        return "gone: %s" % error
    return None


class AccessibilityFlows(EdamakiTest):
    program_env = {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"}

    # --- The program as the reader sees it --------------------------------

    def application(self):
        def found():
            for application in pyatspi.Registry.getDesktop(0):
                if application is not None and application.get_process_id() == self.app.pid:
                    return application
            return None
        return wait_for(found, "the program on the accessibility bus")

    def window(self, name):
        """The program's top-level window called name (a frame or a dialog)."""
        application = self.application()

        def found():
            for window in application:
                if window is not None and window.name == name:
                    return window
            return None
        return wait_for(found, "the window %r on the accessibility bus" % name)

    def find(self, root, what, predicate):
        def found():
            try:
                return next((node for node in descendants(root) if predicate(node)), None)
            except GLib.Error:  # a window changing as it is read: read it again
                return None
        return wait_for(found, "%s under %r" % (what, root.name))

    def tree(self):
        frame = self.window(self.window_name(self.main_window))
        return self.find(frame, "the tree pane's tree",
                         lambda node: node.getRole() in (pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE))

    @staticmethod
    def rows(tree):
        return [row for row in tree if row is not None]

    def row(self, tree, name):
        return wait_for(lambda: next((row for row in self.rows(tree) if row.name == name), None),
                        "the row %r" % name)

    def focused_row(self, tree, name):
        def found():
            row = next((row for row in self.rows(tree) if has_state(row, pyatspi.STATE_FOCUSED)), None)
            return row if row is not None and row.name == name else None
        return wait_for(found, "the focused row to be %r" % name)

    def expect_event(self, what, matches):
        """Fails unless an event heard since EVENTS was last cleared matches."""
        try:
            wait_for(lambda: any(matches(*event) for event in EVENTS), what, EVENT_GRACE)
            return
        except AssertionError:
            pass
        self.fail("no event for %s; heard: %s" % (what, EVENTS or "nothing"))

    # --- The tests --------------------------------------------------------

    def test_main_controls_are_named(self):
        self.start(TREE)
        frame = self.window(self.window_name(self.main_window))
        with self.subTest("tree pane"):
            tree = self.tree()
            names = []
            node = tree
            while node is not None and node != frame:
                names.append(node.name)
                node = node.parent
            self.assertIn("フォルダツリー", names, "the tree and the panes that hold it")
        with self.subTest("source editor"):
            editor = self.find(frame, "the source editor", lambda node: node.getRole() == pyatspi.ROLE_TEXT
                               and has_state(node, pyatspi.STATE_MULTI_LINE))
            self.assertNotEqual(editor.name, "")
        with self.subTest("tag tool button"):
            button = self.find(frame, "the tag tool button", lambda node: node.getRole() == pyatspi.ROLE_PUSH_BUTTON
                               and "マクロタグ挿入" in (node.name, node.description))
            self.assertEqual(button.name, "マクロタグ挿入")
        with self.subTest("log window's list"):
            self.menu("t", 3)  # ツール: フォルダ構成参照, 親フォルダ選択, フォルダ作成, ログ表示
            self.wait_active("^Edamakiログリスト$", "the log window")
            log = self.window("Edamakiログリスト")
            lists = (pyatspi.ROLE_LIST, pyatspi.ROLE_LIST_BOX, pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE)
            listing = self.find(log, "the log's list", lambda node: node.getRole() in lists)
            self.assertNotEqual(listing.name, "")

    def test_tag_dialog_reads_by_its_labels(self):
        self.start(MACRO_HEADER + "\nA\n")
        self.tag_dialog()
        dialog = self.window("マクロタグ作成")
        nodes = list(descendants(dialog))
        fields = (pyatspi.ROLE_TEXT, pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_ENTRY)
        for label in ("最小表示桁数", "数値範囲", "文字数", "文字範囲", "１文字列／行で記入してください", "対象パス",
                      "変更名"):
            with self.subTest("field after " + label):
                at = next(index for index, node in enumerate(nodes)
                          if node.getRole() == pyatspi.ROLE_LABEL and node.name.startswith(label))
                field = next(node for node in nodes[at + 1:] if node.getRole() in fields)
                self.assertTrue(field.name.startswith(label), "the field after %r is named %r" % (label, field.name))
        with self.subTest("tabs"):
            strip = next((node for node in nodes if node.getRole() == pyatspi.ROLE_PAGE_TAB_LIST), None)
            self.assertIsNotNone(strip, "no page tab list; the tabs read as %s"
                                 % sorted({node.getRoleName() for node in nodes if "：" in node.name}))
            tabs = [tab for tab in strip if tab is not None and tab.getRole() == pyatspi.ROLE_PAGE_TAB]
            self.assertEqual([tab.name[:2] for tab in tabs], ["#：", "@：", "$：", "+：", "-：", "r："])
        with self.subTest("buttons"):
            buttons = [node for node in nodes if node.getRole() == pyatspi.ROLE_PUSH_BUTTON]
            self.assertEqual([button.name for button in buttons if not button.name], [],
                             "unnamed buttons among %d" % len(buttons))

    def test_selection_changes_are_announced(self):
        self.start("A\nB\nC\n")
        tree = self.tree()
        self.focus_tree("A")
        self.focused_row(tree, "A")
        for keys in (("shift+Down",), ("ctrl+space",)):
            with self.subTest(" ".join(keys)):
                row = self.row(tree, "B")
                selected = has_state(row, pyatspi.STATE_SELECTED)
                del EVENTS[:]
                self.key(*keys)
                wait_for(lambda: has_state(self.row(tree, "B"), pyatspi.STATE_SELECTED) != selected,
                         "B's selection to change")
                self.expect_event("B's selection", lambda kind, role, name, detail:
                                  kind.startswith("object:selection-changed")
                                  or (kind == "object:state-changed:selected" and name == "B"))

    def test_opening_and_closing_a_folder(self):
        self.start(TREE)
        tree = self.tree()
        self.focus_tree("C")
        for key, rows, expanded in (("minus", TREE_ROWS_C_CLOSED, 0), ("plus", TREE_ROWS, 1),
                                    ("Left", TREE_ROWS_C_CLOSED, 0), ("Right", TREE_ROWS, 1)):
            # The focused row, and a row below it that moves up or down.
            kept = {"C": self.focused_row(tree, "C"), "E": self.row(tree, "E")}
            del EVENTS[:]
            self.key(key)
            # Read every row, as a reader does when the rows change.
            wait_for(lambda: [node.name for node in self.rows(tree)] == rows, "the rows after %s" % key)
            for name, row in kept.items():
                with self.subTest(key + ": the row %s lives on" % name):
                    self.assertIsNone(alive(row), "%s's object, once C was shown %s"
                                      % (name, "open" if expanded else "closed"))
                    self.assertEqual(row.name, name)
            with self.subTest(key + ": announced"):
                self.expect_event("C " + ("opening" if expanded else "closing"), lambda kind, role, name, detail:
                                  name == "C" and ((kind == "object:state-changed:expanded" and detail == expanded)
                                                   or (kind == "object:state-changed:collapsed"
                                                       and detail == 1 - expanded)))
            with self.subTest(key + ": state"):
                self.assertEqual(has_state(self.row(tree, "C"), pyatspi.STATE_EXPANDED), bool(expanded))

    def test_a_row_offers_to_open_and_close_its_folder(self):
        self.start(TREE)
        tree = self.tree()
        try:
            action = self.row(tree, "C").queryAction()
        except NotImplementedError:
            self.fail("a row has no actions")
        names = [action.getName(index) for index in range(action.nActions)]
        index = next((index for index, name in enumerate(names)
                      if any(word in name.lower() for word in ("expand", "collapse", "toggle"))), None)
        self.assertIsNotNone(index, "no open or close action among %s" % names)
        for rows in (TREE_ROWS_C_CLOSED, TREE_ROWS):
            self.row(tree, "C").queryAction().doAction(index)
            wait_for(lambda: [node.name for node in self.rows(tree)] == rows, "the rows %s" % rows)

    def test_the_status_bar_and_the_marks_say_what_stands(self):
        parent = self.path("out")
        os.mkdir(parent)
        self.start(parent + "\n<%客先>\\a\\b\nx\n顧客C\\a:b\\y\n")
        frame = self.window(self.window_name(self.main_window))
        counts = self.find(frame, "the folder counts", lambda node: node.name == "フォルダの状態")
        document = self.find(frame, "the mode and encoding", lambda node: node.name == "モードと文字コード")
        line = "新規 %d 個、既存 %d 個、失敗 0 個、値が未入力 3 個"
        with self.subTest("a placeholder without a value is counted apart"):
            wait_for(lambda: counts.description == line % (3, 0), "the counts %r" % (line % (3, 0)))
        with self.subTest("the counts have the window's width"):
            self.assertGreater(counts.queryComponent().getExtents(pyatspi.DESKTOP_COORDS).width, 300)
        with self.subTest("the mode and the save encoding"):
            self.assertEqual(document.description, "テキスト  保存: Shift-JIS")
        with self.subTest("a part left out is told on its line's folder"):
            note = self.row(self.tree(), "顧客C").description
            self.assertIn("4 行目の「a:b」", note)
            self.assertIn("使えない文字: :", note)
        # Folders made and removed behind the program's back show within about a second.
        for change, expected in ((os.mkdir, line % (2, 1)), (os.rmdir, line % (3, 0))):
            with self.subTest(change.__name__):
                change(os.path.join(parent, "x"))
                wait_for(lambda: counts.description == expected, "the counts %r" % expected, timeout=3)


def start_session():
    """Runs this file again in a D-Bus session of its own and exits with its status."""
    runner = shutil.which("dbus-run-session")
    if not runner:
        sys.exit("FAIL: dbus-run-session is missing (scripts/setup.sh installs dbus-bin and dbus-daemon): "
                 "no D-Bus session, no accessibility bus")
    # The accessibility bus puts its socket in the runtime folder: one of its own, so that
    # runs side by side keep apart.
    runtime = tempfile.mkdtemp(prefix="edamaki-atspi-")
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime, **{SESSION_MARK: runtime})
    for name in ("DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS"):
        env.pop(name, None)
    try:
        status = subprocess.run([runner, "--", sys.executable, os.path.abspath(__file__), *sys.argv[1:]],
                                env=env).returncode
    finally:
        shutil.rmtree(runtime, ignore_errors=True)
    if status != 0:
        print("FAIL: the accessibility run ended with status %d" % status, file=sys.stderr)
    sys.exit(status)


def start_accessibility_bus():
    """Starts the accessibility bus through the session bus and returns its address."""
    from gi.repository import Gio, GLib as glib
    try:
        bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        reply = bus.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
                              glib.VariantType.new("(s)"), Gio.DBusCallFlags.NONE, int(WAIT * 1000), None)
    except glib.Error as error:
        sys.exit("FAIL: cannot start the accessibility bus (at-spi2-core, installed by scripts/setup.sh): %s"
                 % error.message)
    return reply.unpack()[0]


def main():
    global pyatspi, GLib
    if importlib.util.find_spec("pyatspi") is None:
        sys.exit("FAIL: %s cannot import pyatspi (scripts/setup.sh installs python3-pyatspi for /usr/bin/python3)"
                 % sys.executable)
    if not os.environ.get(SESSION_MARK):
        start_session()
    print("accessibility bus: %s" % start_accessibility_bus(), flush=True)
    import pyatspi as atspi
    from gi.repository import GLib as glib
    pyatspi, GLib = atspi, glib
    print("accessibility checker: %s with %s" % (sys.executable, os.path.dirname(pyatspi.__file__)), flush=True)
    pyatspi.Registry.registerEventListener(heard, "object:state-changed", "object:selection-changed")
    edamaki_e2e.main()


if __name__ == "__main__":
    main()
