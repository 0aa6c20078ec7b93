#!/usr/bin/env python3
"""Time from launch to the main window drawn, and resident memory when idle.

The program writes its start-up command to the TNC right after the main window has been drawn, so
the time to that first byte on the serial line is the time to the window. Run under a display
(xvfb-run -a bench/startup.py build/bin/tolvex). Prints the median of several launches.
"""
import os, pty, select, shutil, statistics, subprocess, sys, tempfile, time

binary = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/bin/tolvex")
defaults = os.path.join(os.path.dirname(binary), "station-default")
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 7
times, rss = [], []
for _ in range(runs):
    with tempfile.TemporaryDirectory() as tmp:
        station = os.path.join(tmp, "st")
        shutil.copytree(defaults, station)
        parms = os.path.join(station, "Parms.inf")
        os.chmod(parms, 0o644)
        text = open(parms, "rb").read().replace(b"Callsign=\r\n", b"Callsign=N0CALL\r\n")
        open(parms, "wb").write(text)
        master, slave = pty.openpty()
        os.makedirs(os.path.join(station, "Ports"))
        os.symlink(os.ttyname(slave), os.path.join(station, "Ports", "COM1"))
        start = time.monotonic()
        proc = subprocess.Popen([binary, station], stderr=subprocess.DEVNULL)
        while True:
            ready, _, _ = select.select([master], [], [], 10)
            if not ready:
                sys.exit("no start-up bytes within 10 s")
            if os.read(master, 64):
                times.append(time.monotonic() - start)
                break
        os.write(master, b"UNPROTO CQ\rcmd:")
        time.sleep(5)  # past the start-up query: the station is idle
        for line in open(f"/proc/{proc.pid}/status"):
            if line.startswith("VmRSS:"):
                rss.append(int(line.split()[1]) / 1024)
        proc.terminate()
        proc.wait(10)
        os.close(master)
        os.close(slave)
print(f"launch to main window drawn: median {statistics.median(times) * 1000:.0f} ms "
      f"(min {min(times) * 1000:.0f}, max {max(times) * 1000:.0f}, {runs} runs)")
print(f"resident memory when idle: median {statistics.median(rss):.1f} MB (max {max(rss):.1f})")
