#!/usr/bin/python3
"""Reads KIV's accessible tree over AT-SPI, as a screen reader does, and fails on any interactive control
without a name. Opens 设置, 文字转语音, 标注内容 (after recording a take), 打印标签页 and 点读 by keyboard.

Run under a display with the sound server (scripts/services.sh): accessible_tree.py /path/to/KIV
It starts its own session bus and accessibility bus; the program gets fresh data and settings folders.
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

INTERACTIVE = None  # filled once pyatspi is imported


def inner(kiv):
    global INTERACTIVE
    bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], start_new_session=True,
                           stderr=subprocess.DEVNULL)
    time.sleep(1)
    import pyatspi

    INTERACTIVE = {pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_COMBO_BOX,
                   pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_LIST, pyatspi.ROLE_SPIN_BUTTON,
                   pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_SLIDER,
                   pyatspi.ROLE_PROGRESS_BAR, pyatspi.ROLE_LEVEL_BAR}
    home = tempfile.mkdtemp(prefix="kiv-a11y-")
    app_dir = os.path.join(home, "app")
    os.makedirs(app_dir)
    shutil.copy(kiv, os.path.join(app_dir, "KIV"))
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
               QT_ACCESSIBILITY="1", XDG_DATA_HOME=os.path.join(home, "data"),
               XDG_CONFIG_HOME=os.path.join(home, "config"), TMPDIR=home, LANG="zh_CN.UTF-8")
    proc = subprocess.Popen([os.path.join(app_dir, "KIV")], env=env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    failures = []
    total = [0, 0]
    try:
        app = wait_for(lambda: find_app(pyatspi, proc.pid), "the program on the accessibility bus")
        main = wait_for(lambda: window(app, "KIV"), "the main window")
        check(main, "主窗口", failures, total)
        if main.getRole() != pyatspi.ROLE_FRAME:
            failures.append("主窗口: role %s, not a window" % main.getRoleName())
        focus("KIV")
        keys("alt+t", "t")
        check(wait_for(lambda: window(app, "设置"), "设置"), "设置", failures, total)
        focus("设置")
        keys("Escape")
        focus("KIV")
        keys("alt+b", "t")
        check(wait_for(lambda: window(app, "文字转语音"), "文字转语音"), "文字转语音", failures, total)
        focus("文字转语音")
        keys("Escape")
        # A take to annotate and file: record, stop, save.
        time.sleep(1)
        focus("KIV")
        keys("alt+r")
        time.sleep(1.5)
        check(main, "录音时的主窗口", failures, total)  # the level meter shows while recording
        focus("KIV")
        keys("alt+r")
        time.sleep(0.5)
        focus("KIV")
        keys("alt+s")
        # The virtual microphone hears silence: keep the take all the same.
        if wait_for(lambda: window(app, "没有声音"), "没有声音", 5, required=False):
            focus("没有声音")
            keys("y")
        content = wait_for(lambda: window(app, "标注内容"), "标注内容")
        check(content, "标注内容", failures, total)
        focus("标注内容")
        keys("type:kiv", "alt+n")
        wait_for(lambda: window(app, "打印条码"), "the question to print the barcode")
        focus("打印条码")
        keys("Escape")  # no barcode now
        wait_for(lambda: window(app, "打印条码") is None or None, "the question to go")
        focus("KIV")
        keys("alt+b", "l")
        check(wait_for(lambda: window(app, "打印标签页"), "打印标签页"), "打印标签页", failures, total)
        focus("打印标签页")
        keys("Escape")
        focus("KIV")
        keys("alt+d")
        reading = wait_for(lambda: window(app, "点读"), "点读")
        check(reading, "点读", failures, total)
        focus("点读")
        keys("Escape")
        wait_for(lambda: window(app, "点读") is None or None, "点读 to close on Esc")
    finally:
        proc.kill()
        proc.wait()
        os.killpg(bus.pid, signal.SIGKILL)  # the launcher and the bus it started
        shutil.rmtree(home, ignore_errors=True)
    print("%d interactive controls, %d without a name" % (total[0], total[1]))
    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


def focus(title):
    """Gives a window the keyboard, as clicking it would (there is no window manager to do it)."""
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^" + title], capture_output=True,
                         text=True).stdout.split()
    if out:
        subprocess.run(["xdotool", "windowfocus", "--sync", out[-1]])


def keys(*seq):
    for k in seq:
        if k.startswith("type:"):
            subprocess.run(["xdotool", "type", "--delay", "50", k[5:]], check=True)
        else:
            subprocess.run(["xdotool", "key", "--delay", "80", k], check=True)
        time.sleep(0.4)


def wait_for(probe, what, seconds=15, required=True):
    end = time.time() + seconds
    while time.time() < end:
        try:
            found = probe()
        except Exception:  # the tree changes under us while windows open
            found = None
        if found is not None:
            return found
        time.sleep(0.2)
    if not required:
        return None
    raise SystemExit("FAIL: no %s after %d s; windows: %s" % (what, seconds, WINDOWS()))


def WINDOWS():
    return subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "."], capture_output=True,
                          text=True).stdout.split() and subprocess.run(
        "for w in $(xdotool search --onlyvisible --name .); do xdotool getwindowname $w; done", shell=True,
        capture_output=True, text=True).stdout.replace("\n", " | ")


def find_app(pyatspi, pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        a = desktop.getChildAtIndex(i)
        if a is not None and a.get_process_id() == pid:
            return a
    return None


def window(app, title):
    for i in range(app.childCount):
        w = app.getChildAtIndex(i)
        if w is not None and w.name.startswith(title) and w.getState().contains(STATE_SHOWING()):
            return w
    return None


def STATE_SHOWING():
    import pyatspi
    return pyatspi.STATE_SHOWING


def check(win, label, failures, total):
    unnamed = []
    count = 0

    def walk(obj, depth):
        nonlocal count
        if obj is None or depth > 40:
            return
        state = obj.getState()
        if not state.contains(STATE_SHOWING()):
            return
        role = obj.getRole()
        if role in INTERACTIVE:
            count += 1
            name = obj.name.strip()
            if not name:
                unnamed.append(obj.getRoleName())
            print("  %s %s %r%s" % (label, obj.getRoleName(), name, describe(obj)))
            if role in (INTERACTIVE_TABLES()):
                check_columns(obj, label, failures)
                return  # its cells are rows of data, not controls
        for i in range(obj.childCount):
            walk(obj.getChildAtIndex(i), depth + 1)

    walk(win, 0)
    total[0] += count
    total[1] += len(unnamed)
    for role in unnamed:
        failures.append("%s: a %s without a name" % (label, role))


def INTERACTIVE_TABLES():
    import pyatspi
    return (pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE)


def describe(obj):
    try:
        v = obj.queryValue()
        return " value %g of %g..%g" % (v.currentValue, v.minimumValue, v.maximumValue)
    except NotImplementedError:
        return ""


def check_columns(table, label, failures):
    t = table.queryTable()
    names = [t.getColumnDescription(c) or (t.getColumnHeader(c).name if t.getColumnHeader(c) else "")
             for c in range(t.nColumns)]
    print("    columns:", names)
    if any(not n for n in names):
        failures.append("%s: %r has a column without a name" % (label, table.name))


if __name__ == "__main__":
    if len(sys.argv) > 2 and sys.argv[1] == "--inner":
        sys.exit(inner(sys.argv[2]))
    if len(sys.argv) != 2 or not os.environ.get("DISPLAY"):
        sys.exit("usage (under a display): accessible_tree.py /path/to/KIV")
    sys.exit(subprocess.call(["dbus-run-session", "--", "/usr/bin/python3", os.path.abspath(__file__),
                              "--inner", os.path.abspath(sys.argv[1])]))
