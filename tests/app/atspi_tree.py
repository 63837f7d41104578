#!/usr/bin/python3
"""The program as a screen reader meets it: under Xvfb, with a private
session bus and the AT-SPI accessibility bus, the real program fetches from
the sample feed server; the test walks the program's accessibility tree,
writes it to a file, and checks the names of the "Now" tile, the three
forecast tiles and the sun dial.

Usage: atspi_tree.py NIMBREL NIMBREL_FEED DUMP_FILE
Run with Debian's /usr/bin/python3 (python3-pyatspi)."""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

DEGREES = "\u00b0"


def start_xvfb(procs):
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                             "-nolisten", "tcp"], pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    procs.append(xvfb)
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read_end, 16)
        if not chunk:
            raise RuntimeError("Xvfb did not start")
        number += chunk
    os.close(read_end)
    return ":" + number.decode().strip()


def start_session_bus(procs):
    bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                           stdout=subprocess.PIPE, text=True)
    procs.append(bus)
    address = bus.stdout.readline().strip()
    if not address:
        raise RuntimeError("the session bus did not start")
    return address


def start_feed(feed, procs):
    out = tempfile.NamedTemporaryFile("w+", delete=False)
    server = subprocess.Popen([feed, "--port", "0"], stdout=out, stderr=subprocess.DEVNULL)
    procs.append(server)
    for _ in range(100):
        with open(out.name) as f:
            m = re.search(r"http://\S+", f.read())
        if m:
            return m.group(0)
        time.sleep(0.1)
    raise RuntimeError("the feed server did not start")


def walk(acc, depth, lines, nodes):
    try:
        name, role, description = acc.name, acc.getRoleName(), acc.description
    except Exception:  # a part gone while it was read
        return
    lines.append("%s%s: %r%s" % ("  " * depth, role, name, " (%r)" % description if description else ""))
    nodes.append((role, name, description))
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            walk(child, depth + 1, lines, nodes)


def main():
    nimbrel, feed, dump = sys.argv[1:4]
    procs = []
    folder = tempfile.mkdtemp(prefix="nimbrel-atspi-")
    try:
        display = start_xvfb(procs)
        address = start_session_bus(procs)
        os.environ.update(DISPLAY=display, DBUS_SESSION_BUS_ADDRESS=address, NO_AT_BRIDGE="0")
        launcher = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                    stderr=subprocess.DEVNULL)
        procs.append(launcher)
        time.sleep(1.0)
        url = start_feed(feed, procs)
        env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
                   LC_ALL="C.UTF-8")
        program = subprocess.Popen([nimbrel, "--folder", folder, "--feed", url, "--fetch-now"], env=env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        procs.append(program)

        import pyatspi  # after the bus address is set: it connects on import

        now_re = re.compile(r"^Now: .+, -?\d+ " + DEGREES + r"[CF]$")
        tile_re = re.compile(r"^(Monday|Tuesday|Wednesday|Thursday|Friday|Saturday|Sunday): .+, "
                             r"-?\d+ to -?\d+ " + DEGREES + r"[CF], humidity \d+ %$")
        dial_re = re.compile(r"^Sunrise \d\d:\d\d, sunset \d\d:\d\d; the sun (sets|rises) in .+$")
        lines, nodes = [], []
        deadline = time.monotonic() + 40
        while time.monotonic() < deadline:
            time.sleep(1.0)
            desktop = pyatspi.Registry.getDesktop(0)
            try:
                desktop.clear_cache()
            except Exception:
                pass
            lines, nodes = [], []
            for i in range(desktop.childCount):
                app = desktop.getChildAtIndex(i)
                if app is not None and app.name.lower().startswith("nimbrel"):
                    walk(app, 0, lines, nodes)
            names = [n for _, n, _ in nodes]
            if any(now_re.match(n) for n in names) and sum(bool(tile_re.match(n)) for n in names) >= 3 and \
                    any(dial_re.match(n) for n in names):
                break
        with open(dump, "w") as f:
            f.write("\n".join(lines) + "\n")
        names = [n for _, n, _ in nodes]
        failures = []
        now = [(r, n) for r, n, _ in nodes if now_re.match(n)]
        tiles = [(r, n) for r, n, _ in nodes if tile_re.match(n)]
        dial = [(r, n) for r, n, _ in nodes if dial_re.match(n)]
        if len(now) != 1:
            failures.append("the \"Now\" tile is not named as one: %r" % now)
        if len(tiles) != 3:
            failures.append("not three forecast tiles: %r" % tiles)
        if len(dial) != 1:
            failures.append("the sun dial is not named: %r" % dial)
        for role, name in now + tiles + dial:
            if role == "filler":
                failures.append("%r is still a filler" % name)
        for label in ("Sunrise ", "Sunset ", "Humidity ", "Last update: "):
            if not any(n.startswith(label) for n in names):
                failures.append("no label named %r…" % label)
        print("accessibility tree written to %s (%d parts)" % (dump, len(nodes)))
        if failures:
            for f in failures:
                print("FAILED: " + f)
            print("0 passed, 1 failed")
            return 1
        print("1 passed, 0 failed")
        return 0
    finally:
        for p in reversed(procs):
            if p.poll() is None:
                p.send_signal(signal.SIGTERM)
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
