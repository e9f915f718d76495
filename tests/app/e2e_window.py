#!/usr/bin/env python3
"""End to end: drives the real corvane program from outside with xdotool, as a user would.

It types a source path (a preview is built), picks "," with the keyboard, types an output
path, presses Alt+V (the file is written and an "Information" box appears), then Escape.

Usage: e2e_window.py CORVANE SAMPLES_DIR   (needs an X display and xdotool)
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

TITLE = "Ostrel Corvane Converter"


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.split()


def wait_for(predicate, seconds=20.0, what="condition"):
    deadline = time.time() + seconds
    while time.time() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.2)
    raise AssertionError("timed out waiting for " + what)


def window(title):
    found = xdotool("search", "--onlyvisible", "--name", "^" + title + "$")
    return found[0] if found else None


def keys(wid, *names):
    for name in names:
        xdotool("windowfocus", "--sync", wid)
        xdotool("key", "--clearmodifiers", "--window", wid, name)
        time.sleep(0.3)


def type_text(wid, text):
    xdotool("windowfocus", "--sync", wid)
    xdotool("type", "--delay", "20", "--window", wid, text)
    time.sleep(0.5)


def run(program, env, steps):
    proc = subprocess.Popen([program], env=env)
    try:
        wid = wait_for(lambda: window(TITLE), what="the main window")
        time.sleep(1.5)  # start-up preview
        steps(wid)
        keys(wid, "Escape")
        assert proc.wait(timeout=20) == 0, "the program did not end cleanly"
    finally:
        if proc.poll() is None:
            proc.kill()


def main():
    program, samples = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp(prefix="corvane-e2e-")
    try:
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, "config"),
                   XDG_STATE_HOME=os.path.join(work, "state"), WEBKIT_DISABLE_COMPOSITING_MODE="1")
        source = os.path.join(work, "cities.csv")
        output = os.path.join(work, "cities.json")
        shutil.copy(os.path.join(samples, "cities.csv"), source)

        def convert(wid):
            type_text(wid, source)        # the source field has the focus at start
            keys(wid, "alt+p", "Down")    # separator list: "<tab>" -> ","
            keys(wid, "Tab")              # to the output field
            type_text(wid, output)
            keys(wid, "alt+v")
            box = wait_for(lambda: window("Information"), what='the "Information" box')
            keys(box, "Return")
            wait_for(lambda: not window("Information"), what="the box to close")

        run(program, env, convert)
        rows = json.load(open(output, encoding="utf-8"))
        assert len(rows) == 25 and rows[0]["city"] == "Reykjavík", rows[:1]
        print("the window previewed and converted 25 rows")
        print("1 passed, 0 failed")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
