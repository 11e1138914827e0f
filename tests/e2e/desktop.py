"""A private desktop for driving the real tavola7 from outside, as a person would.

Each Desktop starts its own Xvfb display, openbox, session bus and data
folder, types and clicks with xdotool, reads the screen through the
accessibility tree (AT-SPI) and takes screenshots with ImageMagick. Every
process it starts is ended by its own id when it closes.
"""
import json
import os
import re
import shutil
import signal
import socket
import struct
import subprocess
import tempfile
import threading
import time
import tty


class Desktop:
    def __init__(self, program, extra_env=None, bus_of=None):
        """bus_of: a desktop whose session bus, and accessibility tree, this
        one shares (AT-SPI reads one bus a process), and which ends it."""
        self.program = program
        self.home = tempfile.mkdtemp(prefix="tavola7-e2e-")
        self.data = os.path.join(self.home, "data")
        self.records = os.path.join(self.data, "tavola7")
        self.processes = []
        self.game = None
        runtime = os.path.join(self.home, "runtime")
        os.makedirs(runtime, mode=0o700)
        self.env = dict(os.environ, XDG_DATA_HOME=self.data, XDG_RUNTIME_DIR=runtime,
                        HOME=self.home, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LANG="C.UTF-8")
        # Nothing of the user's own display or sound may leak into this desktop.
        for name in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "PULSE_SERVER", "PIPEWIRE_REMOTE", "PIPEWIRE_RUNTIME_DIR"):
            self.env.pop(name, None)
        self.env.update(extra_env or {})
        self._start_display()
        self._bus_pid = None
        if bus_of:
            self.env["DBUS_SESSION_BUS_ADDRESS"] = bus_of.env["DBUS_SESSION_BUS_ADDRESS"]
        else:
            self._start_bus()
        self._start_window_manager()
        self._atspi = bus_of._atspi if bus_of else None
        self._orca_tty = None

    # ---- set-up and tear-down --------------------------------------------

    def _spawn(self, command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=None, **kwargs):
        process = subprocess.Popen(command, env=env or self.env, stdout=stdout,
                                   stderr=stderr, start_new_session=True, **kwargs)
        self.processes.append(process)
        return process

    def _start_display(self):
        self.env["DISPLAY"] = self._start_x_server()
        # An Italian keyboard, as the children's own: xdotool then finds "ò"
        # on a key of its own instead of lending a spare key for a moment,
        # which a busy game may read only after the loan is over.
        subprocess.run(["setxkbmap", "it"], env=self.env, check=True)
        query = subprocess.run(["setxkbmap", "-query"], env=self.env, capture_output=True, text=True,
                               check=True).stdout
        layout = re.search(r"^layout:\s*(\S+)", query, re.MULTILINE)
        if not layout or layout.group(1) != "it":
            raise RuntimeError(f"the test desktop's keyboard is not Italian:\n{query}")

    def _start_x_server(self):
        """An Xvfb's display name."""
        read, write = os.pipe()
        # -noreset: without it the server resets, keymap and all, whenever its
        # last client leaves, and setxkbmap is such a client.
        self._spawn(["Xvfb", "-displayfd", str(write), "-screen", "0", "{}x{}x24".format(*SCREEN), "-nolisten", "tcp",
                     "-noreset"], pass_fds=(write,))
        os.close(write)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read, 16)
            if not chunk:
                raise RuntimeError("Xvfb did not start")
            number += chunk
        os.close(read)
        return ":" + number.decode().strip()

    def _start_bus(self):
        out = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
                             env=self.env, capture_output=True, text=True, check=True).stdout.split()
        self.env["DBUS_SESSION_BUS_ADDRESS"] = out[0]
        self._bus_pid = int(out[1])
        # A desktop session starts the accessibility bus when it begins, from
        # at-spi2-core's autostart entry. Left to activation by the game's
        # first call, Qt may read the new owner before the bus announces it,
        # and says so on the error output.
        with open("/etc/xdg/autostart/at-spi-dbus-bus.desktop") as entry:
            command = re.search(r"^Exec=(.*)$", entry.read(), re.MULTILINE).group(1).split()
        self._spawn(command)
        wait_for(lambda: subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
                                         "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
                                         "string:org.a11y.Bus"], env=self.env, capture_output=True,
                                        text=True).stdout.rstrip().endswith("true"), 10,
                 "the accessibility bus")

    def _start_window_manager(self):
        # A window mapped before openbox manages the screen never gets the
        # keyboard, so wait for openbox to say it is up.
        ready = os.path.join(self.home, "wm-ready")
        self._spawn(["openbox", "--startup", f"touch {ready}"])
        wait_for(lambda: os.path.exists(ready), 10, "the window manager")

    def close(self):
        """Ends everything; returns what the game wrote on its error output."""
        for process in reversed(self.processes):
            if process.poll() is None:
                try:
                    os.killpg(process.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
            process.wait()
        try:
            if self._bus_pid:
                os.kill(self._bus_pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        if self._orca_tty is not None:
            os.close(self._orca_tty)
        errors = self.game_errors()
        shutil.rmtree(self.home, ignore_errors=True)
        return errors

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    # ---- sound -------------------------------------------------------------

    def start_sound_server(self):
        """A private instance of the machine's own PulseAudio-compatible server,
        whose only output is a null sink, `out`: PipeWire's pipewire-pulse where
        the desktop has it, otherwise PulseAudio. It listens where a client
        looks by default, in this desktop's runtime folder, so the user's own
        sound is never touched and a game started before it finds it too."""
        first = len(self.processes)
        self._start_sound_server()
        self._sound_servers = self.processes[first:]

    def _start_sound_server(self):
        if shutil.which("pipewire-pulse"):
            self._spawn(["pipewire"])
            # The session manager gives up at once when PipeWire is not yet listening.
            wait_for(lambda: os.path.exists(os.path.join(self.env["XDG_RUNTIME_DIR"], "pipewire-0")), 10,
                     "PipeWire's socket")
            for attempt in (1, 2, 3):
                clients = [self._spawn([server]) for server in ("wireplumber", "pipewire-pulse")]
                try:
                    self._wait_for_sound_server()
                    break
                except AssertionError:
                    # On a loaded machine either may give up on a PipeWire that
                    # made its socket but does not answer yet: both start again.
                    if attempt == 3:
                        raise
                    for client in clients:
                        client.terminate()
                        client.wait(10)
            self._pactl("load-module", "module-null-sink", "sink_name=out")
            # PipeWire makes the sink's node a moment after the module loads,
            # and a default naming a sink not yet there is refused.
            wait_for(lambda: self._pactl("set-default-sink", "out", check=False).returncode == 0, 10,
                     "the null sink")
            return
        socket = os.path.join(self.env["XDG_RUNTIME_DIR"], "pulse", "native")
        os.makedirs(os.path.dirname(socket), mode=0o700, exist_ok=True)
        self._spawn(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
                     "-L", "module-null-sink sink_name=out",
                     "-L", f"module-native-protocol-unix socket={socket} auth-anonymous=1"])
        self._wait_for_sound_server()

    def stop_sound_server(self):
        """Ends the sound server as a desktop's does when it restarts: its
        clients' connections break, and it removes its sockets."""
        for process in reversed(self._sound_servers):
            process.terminate()
            process.wait(10)

    def _wait_for_sound_server(self):
        wait_for(lambda: self._pactl("info", check=False).returncode == 0, 10, "the sound server")

    def _pactl(self, *command, check=True):
        return subprocess.run(["pactl", *command], env=self.env, capture_output=True, check=check, timeout=10)

    def record_sound(self, path):
        """Records what the null sink plays into a file, as 16-bit mono samples
        at 8000 Hz, which can be read while it grows."""
        # In small fragments: by default it keeps up to two seconds back.
        with open(path, "wb") as recording:
            self._spawn(["parec", "-d", "out.monitor", "--latency-msec=50", "--format=s16le", "--rate=8000",
                         "--channels=1"], stdout=recording)
        # A sound played before the recorder's stream is up would go unheard.
        wait_for(lambda: os.path.getsize(path) > 0, 10, "the recorder's first samples")

    # ---- the screen reader ------------------------------------------------

    def start_screen_reader(self):
        """The real Orca, speaking through speech-dispatcher into this desktop's
        sound server (start that first: speech-dispatcher blocks without one).
        What it says is read from its debug log by screen_reader_said()."""
        # Orca's log goes to a terminal, which Python writes a line at a time,
        # so each sentence can be read as soon as it is spoken; to a file it
        # would sit in a buffer until Orca ended.
        master, self._orca_tty = os.openpty()
        tty.setraw(self._orca_tty)
        self._orca_log = []
        threading.Thread(target=self._read_orca_log, args=(master,), daemon=True).start()
        self._orca = self._spawn(["orca", "--replace", "--debug-file=" + os.ttyname(self._orca_tty)],
                                 env=self._screen_reader_env())
        wait_for(self.screen_reader_said, 30, "Orca's greeting")

    def _screen_reader_env(self):
        return self.env

    def _read_orca_log(self, master):
        with os.fdopen(master, "rb", buffering=0) as log:
            while chunk := _read_or_none(log):
                self._orca_log.append(chunk)

    def screen_reader_said(self):
        """What Orca has spoken so far, as (seconds since midnight, text)."""
        spoken = []
        for line in b"".join(self._orca_log).decode(errors="replace").splitlines():
            found = re.match(r"(\d+):(\d+):(\d+\.\d+) - SPEECH OUTPUT: '(.*)' ?\{", line)
            if found:
                hours, minutes, seconds, text = found.groups()
                spoken.append((int(hours) * 3600 + int(minutes) * 60 + float(seconds), text))
        return spoken

    def screen_reader_idle(self):
        """Whether Orca has taken every event that it queued: a newer Orca
        takes a focus change before the events that came earlier, and decides
        on those, once it gets to them, by what has the focus then."""
        log = b"".join(self._orca_log).decode(errors="replace")
        queued = re.findall(r"EVENT MANAGER: Queued .* counter: (\d+)", log)
        if queued:  # Orca 48 numbers what it queues
            return set(queued) <= set(re.findall(r"EVENT MANAGER: Dequeued .* counter: (\d+)", log))
        return log.count("EVENT MANAGER: Queueing ") == log.count("EVENT MANAGER: Dequeued ")

    # ---- the game --------------------------------------------------------

    def start_game(self, prefix=()):
        # Every game of the desktop adds to one file, kept for the test to read.
        with open(self._errors_path(), "ab") as errors:
            self.game = self._spawn(list(prefix) + [self.program], stderr=errors)
        return self.game

    def _errors_path(self):
        return os.path.join(self.home, "game-errors.txt")

    def game_errors(self):
        try:
            with open(self._errors_path(), errors="replace") as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def exit_status(self, timeout=10):
        return self.game.wait(timeout)

    def running(self):
        return self.game.poll() is None

    def file_bytes(self, name):
        with open(os.path.join(self.records, name), "rb") as f:
            return f.read()

    # ---- reading the screen ----------------------------------------------

    def atspi(self):
        if self._atspi is None:
            # On Wayland, with no DISPLAY, it finds the accessibility bus through the session bus.
            os.environ.pop("DISPLAY", None)
            os.environ.update({name: self.env[name] for name in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS")
                               if name in self.env})
            import pyatspi  # connects to the bus named in the environment on import
            self._atspi = pyatspi
        return self._atspi

    def _application(self):
        for app in self.atspi().Registry.getDesktop(0):
            if app is not None and app.name == "tavola7":
                return app
        return None

    def windows(self):
        app = self._application()
        return [app.getChildAtIndex(i) for i in range(app.childCount)] if app else []

    def _dialog_window(self):
        for window in self.windows():
            if window.getRoleName() in ("alert", "dialog"):
                return window
        return None

    def _focused(self, accessible):
        """Whether that control, or one inside it, has the keyboard focus."""
        if accessible.getState().contains(self.atspi().STATE_FOCUSED):
            return True
        return any(self._focused(accessible.getChildAtIndex(i)) for i in range(accessible.childCount))

    def dialog(self):
        """The open dialog as (title, texts), or None."""
        window = self._dialog_window()
        return (window.name, [t for t in _texts(window) if t]) if window else None

    def wait_dialog(self, timeout=10):
        return wait_for(self.dialog, timeout, "a dialog")

    def main_window(self):
        for window in self.windows():
            if window.getRoleName() == "frame":
                return window
        return None

    def client(self):
        frame = wait_for(self.main_window, 10, "the game window")
        for i in range(frame.childCount):
            child = frame.getChildAtIndex(i)
            if child.getRoleName() == "filler":
                return child
        raise AssertionError("no client area")

    def label(self, name):
        """A label's caption."""
        return self._caption(self._label_control(name))

    def _label_control(self, name):
        """A value label is found by the name of the heading that labels it for
        a screen reader, any other by the label before it (FOUND_BY)."""
        client = self.client()
        children = [client.getChildAtIndex(i) for i in range(client.childCount)]
        labels = [c for c in children if c.getRoleName() == "label"]
        found_by = FOUND_BY[name]
        for label in labels:
            if self._heading(label) == found_by:
                return label
        return labels[[label.name for label in labels].index(found_by) + 1]

    def _heading(self, label):
        for relation in label.getRelationSet():
            if relation.getRelationType() == self.atspi().RELATION_LABELLED_BY:
                return relation.getTarget(0).name
        return None

    def _caption(self, label):
        # An empty value label takes the name of its heading, so that a screen
        # reader has something to say.
        return "" if label.name == self._heading(label) else label.name

    def answer_box(self):
        client = self.client()
        for i in range(client.childCount):
            child = client.getChildAtIndex(i)
            if child.getRoleName() == "text":
                return child
        raise AssertionError("no answer box")

    def answer_text(self):
        text = self.answer_box().queryText()
        return text.getText(0, text.characterCount)

    def on_screen(self, accessible):
        """Where a control is on the screen, as (x, y, width, height)."""
        return accessible.queryComponent().getExtents(self.atspi().DESKTOP_COORDS)

    def client_picture(self, leaving_out=()):
        """The client area's pixels, as (width, height, RGB bytes row by row),
        the controls named (the answer box, labels) blacked out."""
        ox, oy, width, height = self.on_screen(self.client())
        width, height, pixels = self._grab(ox, oy, width, height)
        pixels = bytearray(pixels)
        for name in leaving_out:
            x, y, w, h = self.on_screen(self.answer_box() if name == "answer box" else self._label_control(name))
            for row in range(y - oy, y - oy + h):
                start = (row * width + x - ox) * 3
                pixels[start:start + w * 3] = bytes(w * 3)
        return width, height, bytes(pixels)

    def pixel(self, x, y):
        """The colour at (x, y) of the client area, as (r, g, b)."""
        ox, oy, _, _ = self.on_screen(self.client())
        return tuple(self._grab(ox + x, oy + y, 1, 1)[2])

    def _grab(self, x, y, width, height):
        return _ppm(subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{x}+{y}", "+repage",
                                    "-depth", "8", "ppm:-"], env=self.env, capture_output=True, check=True).stdout)

    def window_width(self, title):
        """The width of the window of that title, as the window manager frames it."""
        out = subprocess.run(["xdotool", "search", "--name", f"^{re.escape(title)}$", "getwindowgeometry"],
                             env=self.env, capture_output=True, text=True, check=True).stdout
        return int(re.search(r"Geometry: (\d+)x", out).group(1))

    def title_width(self, title):
        """How wide a title is in openbox's font: its theme's sans, 8 points, bold, at
        the display's 100 dots an inch."""
        return int(subprocess.run(["convert", "-density", "100", "-font", "DejaVu-Sans-Bold", "-pointsize", "8",
                                   f"label:{title}", "-format", "%w", "info:"],
                                  capture_output=True, text=True, check=True).stdout)

    def screenshot(self, path):
        """The game's window with any dialog over it, or the whole screen before it shows."""
        crop = []
        frame = self.main_window()
        if frame is not None:
            x, y, w, h = frame.queryComponent().getExtents(self.atspi().DESKTOP_COORDS)
            if w > 0:
                title_bar = 22  # openbox's, above the extents the toolkit knows
                crop = ["-crop", f"{w}x{h + title_bar}+{x}+{max(0, y - title_bar)}", "+repage"]
        subprocess.run(["import", "-window", "root"] + crop + [path], env=self.env, check=True)

    # ---- acting ----------------------------------------------------------

    def type(self, text):
        subprocess.run(["xdotool", "type", "--delay", "60", text], env=self.env, check=True)

    def key(self, *keys):
        subprocess.run(["xdotool", "key", *keys], env=self.env, check=True)

    def close_window(self):
        self.key("alt+F4")

    def active_window_title(self):
        return subprocess.run(["xdotool", "getactivewindow", "getwindowname"], env=self.env,
                              capture_output=True, text=True).stdout.strip()

    def focus_window(self, title):
        """Waits for the window of that title to have the keyboard; a window
        manager may leave a window that opens before any other unfocused."""
        for _ in range(3):
            try:
                return wait_for(lambda: self.active_window_title() == title, 3, f"{title!r} to take the keys")
            except AssertionError:
                for action in ("windowactivate", "windowfocus"):
                    subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$", action],
                                   env=self.env, capture_output=True)
        raise AssertionError(f"{title!r} never took the keys")

    def answer_dialog(self, text=None, key="Return"):
        """Waits for a dialog to have the keyboard, types into it if asked, and
        closes it with a key."""
        seen = self.wait_dialog()
        self.focus_window(seen[0])
        wait_for(lambda: self._focused(self._dialog_window()), 10, f"a control of {seen[0]!r} to take the keys")
        if text:
            self.type(text)
        self.key(key)
        wait_for(lambda: self.dialog() != seen or None, 10, "the dialog to close")
        return seen

    def context_menu(self, key):
        """Opens the answer box's context menu with the keyboard's menu key and
        presses `key` in it."""
        shown = self._visible_windows()
        self.key("Menu")
        wait_for(lambda: len(self._visible_windows()) > len(shown), 10, "the answer box's menu")
        self.key(key)
        wait_for(lambda: len(self._visible_windows()) == len(shown), 10, "the answer box's menu to close")

    def _visible_windows(self):
        return subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "tavola7"], env=self.env,
                              capture_output=True, text=True).stdout.split()

    def click(self, accessible):
        x, y, w, h = accessible.queryComponent().getExtents(self.atspi().DESKTOP_COORDS)
        subprocess.run(["xdotool", "mousemove", str(x + w // 2), str(y + h // 2), "click", "1"],
                       env=self.env, check=True)

    def menu_new_game(self):
        frame = self.main_window()
        bar = next(frame.getChildAtIndex(i) for i in range(frame.childCount)
                   if frame.getChildAtIndex(i).getRoleName() == "menu bar")
        credits = bar.getChildAtIndex(1)
        self.click(credits)
        popup = credits.getChildAtIndex(0)
        new_game = wait_for(lambda: popup.getChildAtIndex(1).queryComponent().getExtents(
            self.atspi().DESKTOP_COORDS)[2] > 0 and popup.getChildAtIndex(1), 5, "the menu to open")
        self.click(new_game)

    def start_playing(self, name="Anna"):
        """Starts the game and answers the name prompt and the greeting."""
        self.start_game()
        self.answer_dialog(name)
        greeting = self.answer_dialog()
        wait_for(lambda: self.label("lblNum2") or None, 10, "the first question")
        # The window manager hands the keys back a moment after the greeting
        # closes; a digit typed before then is lost.
        wait_for(lambda: self._focused(self.answer_box()), 10, "the answer box to take the keys")
        return greeting

    def answer(self, right, enter="Return"):
        product = 7 * int(self.label("lblNum2"))
        self.type(str(product if right else product + 1))
        self.key(enter)
        wait_for(lambda: self.label("lblMessage") or None, 5, "the verdict")

    def next_question(self):
        self.key("Return")
        wait_for(lambda: not self.label("lblMessage") or None, 5, "the next question")


class WaylandDesktop(Desktop):
    """The same desktop on Wayland: sway's headless output in place of Xvfb and
    openbox, wtype's virtual keyboard in place of xdotool, grim's pictures in
    place of ImageMagick's. The game has Qt's Wayland plugin and no DISPLAY,
    so that nothing falls back to X11 unseen. AT-SPI reads the same tree,
    but a Wayland client does not know where its windows are: its extents
    start at the window's corner, which sway tells."""

    def _start_display(self):
        # sway will not run as root: root's tests give it to nobody, who
        # reaches its own folder and its configuration through the home.
        compositor, config = os.path.join(self.home, "compositor"), os.path.join(self.home, "sway.conf")
        os.makedirs(compositor, mode=0o700)
        with open(config, "w") as f:
            f.write("output HEADLESS-1 resolution {}x{}\n".format(*SCREEN))
        player = []
        if os.geteuid() == 0:
            os.chmod(self.home, 0o711)
            os.chmod(config, 0o644)
            os.chown(compositor, NOBODY, NOBODY)
            player = ["setpriv", f"--reuid={NOBODY}", f"--regid={NOBODY}", "--clear-groups"]
        self._spawn(player + ["sway", "--config", config],
                    env=dict(PATH=os.environ["PATH"], XDG_RUNTIME_DIR=compositor, WLR_BACKENDS="headless",
                             WLR_LIBINPUT_NO_DEVICES="1", WLR_RENDERER="pixman"))
        sockets = wait_for(lambda: len(os.listdir(compositor)) >= 3 and sorted(os.listdir(compositor)), 10,
                           "sway's sockets")
        self._ipc = os.path.join(compositor, next(name for name in sockets if name.startswith("sway-ipc.")))
        self.env.pop("DISPLAY", None)
        self.env.update(QT_QPA_PLATFORM="wayland", XDG_SESSION_TYPE="wayland",
                        WAYLAND_DISPLAY=os.path.join(compositor, next(name for name in sockets
                                                                      if re.fullmatch(r"wayland-\d+", name))))
        # A keyboard that stays: each wtype's own goes when it ends, and were
        # it the seat's last, the game would lose the keys, and its open menu.
        self._spawn(["wtype", "-s", "86400000", "-k", "Escape"])
        self._pointer = VirtualPointer(self.env["WAYLAND_DISPLAY"])

    def _start_window_manager(self):
        pass  # sway is both

    def _sway(self, *command):
        return subprocess.run(["swaymsg", "--socket", self._ipc, *command], capture_output=True, text=True,
                              check=True).stdout

    def _sway_windows(self):
        """The game's windows as sway holds them (title, frame, content,
        focus), the one in front last."""
        found = []

        def walk(node):
            if node.get("app_id") == "org.example.tavola7":
                found.append(node)
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                walk(child)

        walk(json.loads(self._sway("-t", "get_tree")))
        return found

    def _sway_window(self, title):
        return next(node for node in self._sway_windows() if node["name"] == title)

    def on_screen(self, accessible):
        # Its window: the main window (a menu's items too), or a dialog.
        window = accessible
        while window.getRoleName() not in ("frame", "dialog", "alert"):
            window = window.parent
        node = self._sway_window(window.name)
        x, y, width, height = accessible.queryComponent().getExtents(self.atspi().DESKTOP_COORDS)
        return (node["rect"]["x"] + node["window_rect"]["x"] + x, node["rect"]["y"] + node["window_rect"]["y"] + y,
                width, height)

    def _grab(self, x, y, width, height):
        return _ppm(subprocess.run(["grim", "-t", "ppm", "-g", f"{x},{y} {width}x{height}", "-"], env=self.env,
                                   capture_output=True, check=True).stdout)

    def window_width(self, title):
        return self._sway_window(title)["rect"]["width"]

    def title_width(self, title):
        """How wide a title is in sway's font: monospace, 10 points, at 96 dots an inch."""
        return int(subprocess.run(["convert", "-density", "96", "-font", "DejaVu-Sans-Mono", "-pointsize", "10",
                                   f"label:{title}", "-format", "%w", "info:"],
                                  capture_output=True, text=True, check=True).stdout)

    def type(self, text):
        subprocess.run(["wtype", "-d", "60", text], env=self.env, check=True)

    def key(self, *keys):
        pressed = []
        for key in keys:
            *modifiers, name = key.split("+")
            pressed += [word for modifier in modifiers for word in ("-M", modifier)] + ["-k", name]
            pressed += [word for modifier in modifiers for word in ("-m", modifier)]
        subprocess.run(["wtype"] + pressed, env=self.env, check=True)

    def active_window_title(self):
        return next((node["name"] for node in self._sway_windows() if node["focused"]), "")

    def focus_window(self, title):
        """Waits for the window of that title to be in front with the keys, as
        sway puts every new window: no test hands them to it."""
        return wait_for(lambda: self.active_window_title() == title and self._sway_windows()[-1]["name"] == title,
                        5, f"{title!r} to come in front with the keys")

    def _screen_reader_env(self):
        # Orca reads its keyboard's map from an X display, which a Wayland
        # desktop gives it through Xwayland: here, an Xvfb of its own.
        return dict(self.env, DISPLAY=self._start_x_server())

    def game_errors(self):
        # Each wtype's keyboard leaves the seat when it ends, and Qt 6.8 says
        # so, each time, of a keyboard that no child's desktop takes away.
        return "".join(line for line in super().game_errors().splitlines(keepends=True)
                       if line != "qt.qpa.wayland: unknown keymap format: 0\n")

    def click(self, accessible):
        x, y, width, height = self.on_screen(accessible)
        self._pointer.click(x + width // 2, y + height // 2, *SCREEN)

    def close_window(self):
        self._sway("kill")

    def context_menu(self, key):
        # Wayland shows a menu to no one but the compositor: it is seen on
        # the screen, outside what changes while a child types.
        shown = self._still_picture()
        self.key("Menu")
        wait_for(lambda: self._still_picture() != shown, 10, "the answer box's menu")
        self.key(key)
        wait_for(lambda: self._still_picture() == shown, 10, "the answer box's menu to close")

    def _still_picture(self):
        return self.client_picture(leaving_out=("answer box", "lblconto"))


NOBODY = 65534
SCREEN = (1024, 768)


class VirtualPointer:
    """A mouse for sway, spoken in the Wayland wire protocol to its virtual
    pointer manager: it gives the seat a pointer, which clicks where it is told."""

    def __init__(self, path):
        self._socket = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self._socket.connect(path)
        self._last_id, self._unread = 1, b""  # wl_display is object 1
        registry = self._request_new(1, 1)  # wl_display.get_registry
        name = next(struct.unpack_from("<I", payload)[0] for sender, opcode, payload in self._roundtrip()
                    if sender == registry and opcode == 0 and b"zwlr_virtual_pointer_manager_v1\0" in payload)
        manager = self._request_new(registry, 0, struct.pack("<I", name) +  # wl_registry.bind
                                    _wire_string("zwlr_virtual_pointer_manager_v1") + struct.pack("<I", 1))
        self._pointer = self._request_new(manager, 0, struct.pack("<I", 0))  # create_virtual_pointer, default seat
        self._roundtrip()

    def click(self, x, y, width, height):
        """A click of the left button at (x, y) of an output of that size."""
        self._request(self._pointer, 1, struct.pack("<IIIII", 0, x, y, width, height))  # motion_absolute
        self._request(self._pointer, 4, struct.pack("<I", 0))  # frame
        for state in (1, 0):
            self._request(self._pointer, 2, struct.pack("<III", 0, 0x110, state))  # button BTN_LEFT
            self._request(self._pointer, 4, struct.pack("<I", 0))
        self._roundtrip()

    def _request(self, sender, opcode, arguments=b""):
        self._socket.sendall(struct.pack("<II", sender, (8 + len(arguments)) << 16 | opcode) + arguments)

    def _request_new(self, sender, opcode, arguments=b""):
        self._last_id += 1
        self._request(sender, opcode, arguments + struct.pack("<I", self._last_id))
        return self._last_id

    def _roundtrip(self):
        """The events that came before the compositor answered a wl_display.sync,
        as (sender, opcode, arguments)."""
        callback, events = self._request_new(1, 0), []
        while True:
            while len(self._unread) < 8 or len(self._unread) < struct.unpack_from("<I", self._unread, 4)[0] >> 16:
                chunk = self._socket.recv(65536)
                assert chunk, "sway hung up"
                self._unread += chunk
            sender, header = struct.unpack_from("<II", self._unread)
            event = (sender, header & 0xFFFF, self._unread[8:header >> 16])
            self._unread = self._unread[header >> 16:]
            assert event[:2] != (1, 0), f"sway refused a request: {event[2]!r}"  # wl_display.error
            if sender == callback:
                return events
            events.append(event)


def _wire_string(text):
    data = text.encode() + b"\0"
    return struct.pack("<I", len(data)) + data + b"\0" * (-len(data) % 4)


# How each label that the tests read is found: the question's number and the
# verdict have no heading, and the window names no object to AT-SPI.
FOUND_BY = {"lblconto": "Tempo restante", "lblScore": "Risposte esatte", "lblScore1": "Risposte errate",
            "lblScore2": "Risposte totali", "lblnome1": "Sfidante", "lblnome": "Il record  è di ",
            "lblpunti": "con punti", "lblNum2": "X", "lblMessage": "="}


def _texts(accessible):
    if accessible.getRoleName() == "label":
        yield accessible.name
    for i in range(accessible.childCount):
        yield from _texts(accessible.getChildAtIndex(i))


def _ppm(picture):
    """A binary PPM's (width, height, RGB bytes)."""
    header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", picture)  # one blank, then the first pixel
    assert header, picture[:20]
    return int(header[1]), int(header[2]), picture[header.end():]


def _read_or_none(stream):
    """The next bytes, or None once no writer holds the other end."""
    try:
        return stream.read(65536)
    except OSError:
        return None


def time_of_day():
    """Seconds since local midnight, as Orca stamps its log."""
    now = time.time()
    local = time.localtime(now)
    return local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec + now % 1


def wait_for(probe, timeout, what):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            value = probe()
        except Exception:  # the tree changes under us while windows come and go
            value = None
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError(f"timed out waiting for {what}")
