#!/usr/bin/env python3
"""Plays the demo's journey the way a player would, for scripts/demo --play.

It follows the launcher's UI trace (QUORVEL_UI_TRACE), clicks the widget that
the journey needs next with xdotool, prints one line per screen or box and
saves a screenshot of each into the shots folder, and ends with a summary.
Exit status 0 when the game was launched, 1 otherwise.
"""
import argparse
import os
import re
import subprocess
import sys
import time

TITLE = "Quorvel Online Install/Update Agent"

# What the player presses, in order, for each journey; "Yes" answers the
# question about creating the installation directory when it is asked.
STEPS = {
    "first": ["Install", "I Agree", "Next"],
    "update": ["Launch", "I Agree"],
}


def parse(line):
    """'MS WORD FIELDS...' with C-escaped quoted texts, or None."""
    parts, i = [], 0
    while i < len(line):
        if line[i] == " ":
            i += 1
            continue
        if line[i] == '"':
            i += 1
            text = []
            while i < len(line) and line[i] != '"':
                if line[i] == "\\" and i + 1 < len(line):
                    i += 1
                    e = line[i]
                    if e in "01234567":
                        text.append(chr(int(line[i:i + 3], 8)))
                        i += 3
                        continue
                    text.append({"n": "\n", "t": "\t", "r": "\r"}.get(e, e))
                else:
                    text.append(line[i])
                i += 1
            if i >= len(line):
                return None
            i += 1
            parts.append("".join(text))
        else:
            j = line.find(" ", i)
            j = len(line) if j < 0 else j
            parts.append(line[i:j])
            i = j
    if len(parts) < 2 or not parts[0].isdigit():
        return None
    return parts[1], parts[2:]


class Trace:
    """The lines read so far and the widgets on screen now."""

    def __init__(self, path):
        self.path, self.offset, self.pending = path, 0, ""
        self.lines = []
        self.screens = []  # [name, widgets] in the order enabled
        self.dialogs = []  # [title, widgets] stack
        self.filling = None

    def read(self):
        new = []
        try:
            with open(self.path, encoding="utf-8", errors="replace") as f:
                f.seek(self.offset)
                text = f.read()
                self.offset = f.tell()
        except FileNotFoundError:
            return new
        text = self.pending + text
        *complete, self.pending = text.split("\n")
        for raw in complete:
            parsed = parse(raw)
            if not parsed:
                continue
            word, fields = parsed
            self.lines.append((word, fields))
            new.append((word, fields))
            self.track(word, fields)
        return new

    def track(self, word, fields):
        if word == "screen" and len(fields) == 2:
            self.screens = [s for s in self.screens if s[0] != fields[0]]
            self.filling = None
            if fields[1] == "enabled":
                self.screens.append([fields[0], []])
                self.filling = self.screens[-1][1]
        elif word == "dialog":
            self.dialogs.append([fields[0] if fields else "", []])
            self.filling = self.dialogs[-1][1]
        elif word == "closed":
            if self.dialogs:
                self.dialogs.pop()
            self.filling = None
        elif word == "widget" and self.filling is not None and len(fields) == 7:
            kind, label, x, y, w, h, _ = fields
            self.filling.append((label, int(x), int(y), int(w), int(h)))

    def widgets(self):
        if self.dialogs:
            return self.dialogs[-1][1]
        found = []
        for _, widgets in self.screens:
            found.extend(widgets)
        return found

    def seen(self, word, text=""):
        return any(w == word and text in " ".join(f) for w, f in self.lines)


# A window that goes while it is looked at (the launcher ending as the game
# starts) can leave xdotool or import waiting on the X server for ever: each
# call is given up after this long, and the journey goes on without it.
X_CALL_SECONDS = 10


def xdotool(display, *args):
    try:
        r = subprocess.run(["xdotool", *args], env=dict(os.environ, DISPLAY=display), capture_output=True, text=True,
                           timeout=X_CALL_SECONDS)
    except subprocess.TimeoutExpired:
        return ""
    return r.stdout.strip()


def find_window(display, pid):
    out = xdotool(display, "search", "--all", "--pid", str(pid), "--name", "^" + re.escape(TITLE) + "$")
    return out.split()[0] if out else ""


def screenshot(display, window, path):
    try:
        subprocess.run(["import", "-display", display, "-window", window, path], capture_output=True,
                       timeout=X_CALL_SECONDS)
    except subprocess.TimeoutExpired:
        print("demo:   no screenshot: the window went while it was taken", flush=True)
        return False
    return os.path.exists(path)


def alive(pid):
    try:
        os.kill(pid, 0)
    except OSError:
        return False
    # A zombie has ended; only its parent's wait remains.
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().split(")")[-1].split()[0] != "Z"
    except OSError:
        return False


def listed_files(folder):
    """Names and kinds of the list in an installation or a package."""
    for name in ("master.lst", "files.ins"):
        path = os.path.join(folder, name)
        if os.path.exists(path):
            names = []
            with open(path, encoding="latin-1") as f:
                for line in f:
                    parts = line.rstrip("\r\n").split(" ", 2)
                    if len(parts) == 3 and len(parts[1]) == 32:
                        names.append(parts[2].replace("\\", "/"))
            return names
    return []


def served_bytes(access_log, start):
    """Body bytes nginx sent after byte offset start of its access log."""
    total = 0
    try:
        with open(access_log, encoding="latin-1") as f:
            f.seek(start)
            for line in f:
                m = re.search(r'" \d{3} (\d+) ', line)
                if m:
                    total += int(m.group(1))
    except FileNotFoundError:
        pass
    return total


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--mode", choices=sorted(STEPS), required=True)
    p.add_argument("--trace", required=True)
    p.add_argument("--display", required=True)
    p.add_argument("--shots", required=True)
    p.add_argument("--pid", type=int, required=True)
    p.add_argument("--access-log", required=True)
    p.add_argument("--log-start", type=int, default=0)
    p.add_argument("--package", default="")
    p.add_argument("--search", required=True, help="where the installation is looked for afterwards")
    p.add_argument("--stall", type=float, default=60, help="seconds without a new trace line before giving up")
    a = p.parse_args()

    os.makedirs(a.shots, exist_ok=True)
    started = time.monotonic()
    trace = Trace(a.trace)
    steps = list(STEPS[a.mode])
    window, shots = "", 0
    shot_due, shot_at = None, 0.0  # the screen still to be saved, and when it will have been drawn
    launched = False

    def take_shot():
        nonlocal window, shots, shot_due
        window = window or find_window(a.display, a.pid)
        if window:
            shots += 1
            path = os.path.join(a.shots, "%02d-%s.png" % (shots, shot_due))
            if screenshot(a.display, window, path):
                print("demo:   screenshot %s" % path, flush=True)
        shot_due = None

    def report(word, fields):
        nonlocal shot_due, shot_at, launched
        if word == "screen" and fields[1:] == ["enabled"]:
            print("demo: screen %s" % fields[0], flush=True)
            shot_due, shot_at = fields[0], time.monotonic() + 0.1
        elif word == "dialog":
            text = fields[1] if len(fields) > 1 else ""
            print("demo: box \"%s\": %s" % (fields[0] if fields else "", text.replace("\n", " ")), flush=True)
            shot_due = "box-" + re.sub(r"[^A-Za-z]+", "-", fields[0] if fields else "box").strip("-")
            shot_at = time.monotonic() + 0.1
            if "Directory does not exist" in text:
                steps.insert(0, "Yes")
        elif word == "launch":
            launched = True
            print("demo: the game is started: %s" % (fields[0] if fields else ""), flush=True)

    last_news = time.monotonic()
    while alive(a.pid):
        news = trace.read()
        if news:
            last_news = time.monotonic()
        elif time.monotonic() - last_news > a.stall:
            print("demo: nothing happened for %d s; giving up (waiting to press %s)" %
                  (a.stall, steps[0] if steps else "nothing"), flush=True)
            os.kill(a.pid, 15)
            break
        for word, fields in news:
            report(word, fields)
        if shot_due and time.monotonic() >= shot_at:
            take_shot()
        if steps and not shot_due and trace.seen("present"):
            for label, x, y, w, h in trace.widgets():
                if label == steps[0]:
                    window = window or find_window(a.display, a.pid)
                    if not window:
                        break
                    xdotool(a.display, "mousemove", "--window", window, str(x + w // 2), str(y + h // 2), "click", "1")
                    print("demo:   pressed %s" % steps.pop(0), flush=True)
                    break
        time.sleep(0.05)
    for word, fields in trace.read():
        report(word, fields)
    seconds = time.monotonic() - started

    installation = ""
    for root, _, files in os.walk(a.search):
        if "quorvel.exe" in files and "master.lst" in files:
            installation = root
            break
    names = listed_files(installation) if installation else []
    installed = [n for n in names if os.path.isfile(os.path.join(installation, n))]
    from_package = 0
    if a.package:
        for n in listed_files(a.package):
            path = os.path.join(a.package, n)
            if n in installed and os.path.isfile(path):
                from_package += os.path.getsize(path)
    fetched = sum(1 for w, f in trace.lines if w == "report" and f[:1] == ["0"])
    print("demo: summary: %d files installed in %s, %d of them fetched from the server" %
          (len(installed), installation or "(no installation found)", fetched))
    print("demo: summary: %d bytes from the package, %d bytes from the server" %
          (from_package, served_bytes(a.access_log, a.log_start)))
    print("demo: summary: %.1f seconds; the game %s" % (seconds, "was started" if launched else "was NOT started"))
    return 0 if launched else 1


if __name__ == "__main__":
    sys.exit(main())
