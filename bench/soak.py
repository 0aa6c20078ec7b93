#!/usr/bin/env python3
"""Soak: the real program on the TNC simulator for a set time, on a busy channel.

The simulator fills the channel with monitored frames at FACTOR times what the serial line's baud
rate could carry, and far stations connect every few seconds, send a framed message and hang up;
every fourth drops the link in the middle of its message. Each second the program's resident
memory, CPU time and open file handles are sampled into a table. At the end every message whose
header reached the program is looked for in the station's Messages/ as an "r" file, byte for byte.

    xvfb-run -a bench/soak.py --minutes 10 --table soak.csv      (or without xvfb-run: offscreen)

Exit status 0 when every message was found whole and the program was still running at the end.
"""
import argparse, os, random, re, shutil, signal, subprocess, sys, tempfile, time

CALL = "N0TLV"  # the practice station's call; the simulator's TNC has it as MYCALL
FAR = ["N0FAA", "N0FAB", "N0FAC", "N0FAD", "KB0FAE", "WA0FAF-7"]
CUT_NOTE = b"\r*** The link ended before the end of this message ***\r"
WORDS = ("shelter water cots generator fuel route bridge closed open medical team request "
         "supply arrival depart north south east west status report 0930 1415 #12 (ok) "
         "50% a/b x-ray 'quoted' \"dq\" semi; colon: comma, [sq] {br} <ang> ~tilde @at").split()


def parse_args():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--bin", default="build/bin", help="folder with tolvex, tncsim, station-default")
    p.add_argument("--minutes", type=float, default=10)
    p.add_argument("--table", default="soak.csv", help="per-second samples, CSV")
    p.add_argument("--baud", type=int, default=9600, help="serial line rate the channel is scaled to")
    p.add_argument("--factor", type=float, default=10, help="channel load in multiples of the line rate")
    p.add_argument("--every", type=float, default=5, help="seconds between far stations' messages")
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--keep", help="leave the station and simulator files in this folder")
    return p.parse_args()


def body_lines(rng, big):
    count = rng.randint(40, 80) if big else rng.randint(1, 12)
    lines = []
    for _ in range(count):
        lines.append(" ".join(rng.choice(WORDS) for _ in range(rng.randint(0, 12))))
    return lines


def plan_messages(rng, seconds, every):
    """Far stations' messages: (start ms, call, subject, body lines, lines sent before a drop)."""
    plan, t, n = [], 8.0, 0
    while t < seconds - 20:
        n += 1
        lines = body_lines(rng, n % 7 == 0)
        cut = rng.randint(0, len(lines)) if n % 4 == 0 else None
        plan.append((int(t * 1000), FAR[n % len(FAR)], f"Soak {n:04d}", lines, cut))
        t += every * rng.uniform(0.7, 1.3)
    return plan


def header(call, subject):
    return f".hdr  _{call} _{subject}"


def write_script(path, plan, chars_per_second):
    # A monitored chatter frame averages about 52 characters on the line. Many stations each send
    # one every tenth of a second or so: the simulator's timers slip a little on every tick, and
    # with longer gaps the slip costs less of the rate.
    frames_per_second = chars_per_second / 52.0 * 1.05
    blocks = max(1, round(frames_per_second * 0.1))
    gap = max(1, round(1000.0 * blocks / frames_per_second))
    out = []
    for b in range(blocks):
        out += [f"station N0CH{b}", "wait 3000", "loop", f"chatter 1000 {gap}", "repeat", ""]
    for start, call, subject, lines, cut in plan:
        out += [f"station {call}", f"wait {start}", "connect PRACTICE", "wait 400",
                "send " + header(call, subject)]
        sent = lines if cut is None else lines[:cut]
        out += ["send " + line.replace("\\", "\\\\") if line else "send" for line in sent]
        if cut is None:
            # Some hang up the moment the end marker is out, so the link's end follows it at once.
            out += ["send $^"] + ([] if start // 1000 % 3 == 0 else ["wait 1500"])
        out += ["disconnect", ""]
    with open(path, "w") as f:
        f.write("\n".join(out))
    return blocks, gap


def expected_text(call, subject, lines, cut):
    """What the program keeps of a message, after its banner: as it came, up to and including the
    end marker (made two blanks), or with the program's note when the link dropped."""
    text = header(call, subject).encode() + b"\r"
    sent = lines if cut is None else lines[:cut]
    text += b"".join(line.encode() + b"\r" for line in sent)
    return text + (b"  " if cut is None else CUT_NOTE)


def unescape(text):
    out, i = bytearray(), 0
    while i < len(text):
        c = text[i]
        if c != "\\":
            out += c.encode("latin-1")
            i += 1
            continue
        k = text[i + 1]
        if k == "x":
            out.append(int(text[i + 2:i + 4], 16))
            i += 4
            continue
        out += {"r": b"\r", "n": b"\n", "t": b"\t", "0": b"\0", "\\": b"\\"}[k]
        i += 2
    return bytes(out)


class LogReader:
    """Follows the simulator's log: the bytes the program was sent."""

    def __init__(self, path):
        self.path, self.pos, self.rest, self.received = path, 0, "", bytearray()
        self.linked = False

    def poll(self):
        """Bytes the program was sent since the last call, and whether a link was up meanwhile."""
        before, was_linked = len(self.received), self.linked
        self._read()
        new = bytes(self.received[before:])
        up, down = new.rfind(b"*** CONNECTED"), new.rfind(b"*** DISCONNECTED")
        if up >= 0 or down >= 0:
            self.linked = up > down
        return len(new), was_linked or self.linked or up >= 0 or down >= 0

    def _read(self):
        try:
            with open(self.path, "r", encoding="latin-1") as f:
                f.seek(self.pos)
                data = f.read()
                self.pos = f.tell()
        except FileNotFoundError:
            return
        lines = (self.rest + data).split("\n")
        self.rest = lines.pop()
        prefix = CALL + "> "
        for line in lines:
            if line.startswith(prefix):
                self.received += unescape(line[len(prefix):])


def sample(pid):
    with open(f"/proc/{pid}/status") as f:
        rss = next(int(l.split()[1]) for l in f if l.startswith("VmRSS:"))
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = int(fields[11]) + int(fields[12])  # utime, stime
    return rss, ticks, len(os.listdir(f"/proc/{pid}/fd"))


def check_messages(messages_dir, plan, received):
    """Counts (sent, saved, mismatched) and the problems found."""
    files = {}
    for name in os.listdir(messages_dir):
        m = re.fullmatch(r"r\d{10}(?:-\d+)?_(.*)_(Soak \d{4})\.txt", name)
        if m:
            files.setdefault((m.group(1), m.group(2)), []).append(name)
    sent = saved = mismatched = 0
    problems = []
    for _, call, subject, lines, cut in plan:
        if header(call, subject).encode() + b"\r" not in received:
            continue  # the far station never reached the program: nothing to find
        sent += 1
        names = files.get((call, subject), [])
        if len(names) != 1:
            problems.append(f"{subject} from {call}: {len(names)} files")
            mismatched += 1
            continue
        saved += 1
        data = open(os.path.join(messages_dir, names[0]), "rb").read()
        banner_end = data.find(b"============\r\n") + len(b"============\r\n")
        want = expected_text(call, subject, lines, cut) + b"\r\n"
        if data.find(b"MESSAGE RECEIVED") < 0 or data[banner_end:] != want:
            mismatched += 1
            problems.append(f"{names[0]}: content differs from what was sent")
    return sent, saved, mismatched, problems


def main():
    args = parse_args()
    bindir = os.path.abspath(args.bin)
    seconds = args.minutes * 60
    rng = random.Random(args.seed)
    work = os.path.abspath(args.keep) if args.keep else tempfile.mkdtemp(prefix="soak-")
    os.makedirs(work, exist_ok=True)
    station = os.path.join(work, "station")
    shutil.rmtree(station, ignore_errors=True)
    shutil.copytree(os.path.join(bindir, "station-default"), station)
    parms = os.path.join(station, "Parms.inf")
    os.chmod(parms, 0o644)
    text = open(parms, "rb").read().replace(b"Callsign=\r\n", f"Callsign={CALL}\r\n".encode())
    open(parms, "wb").write(text)

    line_rate = args.baud / 10.0  # 8 data bits, start and stop
    plan = plan_messages(rng, seconds, args.every)
    script = os.path.join(work, "soak.script")
    blocks, gap = write_script(script, plan, line_rate * args.factor)
    log = os.path.join(work, "tncsim.log")
    if os.path.exists(log):
        os.remove(log)

    sim_out = open(os.path.join(work, "tncsim.out"), "w")
    sim = subprocess.Popen([os.path.join(bindir, "tncsim"), "--echo", "--log", log, "--script", script,
                            f"{station}={CALL}"], stdout=subprocess.PIPE, stderr=sim_out, text=True)
    if "tncsim ready" not in sim.stdout.readline():
        sys.exit("the simulator did not start; see " + sim_out.name)
    env = dict(os.environ)
    if not env.get("DISPLAY") and not env.get("WAYLAND_DISPLAY"):
        env["QT_QPA_PLATFORM"] = "offscreen"
    prog_err = open(os.path.join(work, "tolvex.err"), "w")
    prog = subprocess.Popen([os.path.join(bindir, "tolvex"), station], env=env, stderr=prog_err)
    print(f"soak: {args.minutes:g} min, {len(plan)} far messages planned, channel {blocks} chatter "
          f"stations every {gap} ms (target {line_rate * args.factor:.0f} chars/s), files in {work}",
          flush=True)

    hz = os.sysconf("SC_CLK_TCK")
    reader = LogReader(log)
    rows, alive = [], True
    start = time.monotonic()
    last_ticks, last_t = None, start
    with open(args.table, "w") as table:
        table.write("second,rss_kb,cpu_pct,fds,chars_in,link_up\n")
        second = 0
        while second < seconds:
            second += 1
            time.sleep(max(0.0, start + second - time.monotonic()))
            now = time.monotonic()
            try:
                rss, ticks, fds = sample(prog.pid)
            except (OSError, StopIteration):  # ended: its /proc entry is gone or a zombie's
                prog.wait(10)
            if prog.poll() is not None:
                alive = False
                print(f"soak: the program ended at {second} s with status {prog.returncode}")
                break
            cpu = 0.0 if last_ticks is None else 100.0 * (ticks - last_ticks) / hz / (now - last_t)
            last_ticks, last_t = ticks, now
            chars, linked = reader.poll()
            rows.append((second, rss, cpu, fds, chars, linked))
            table.write(f"{second},{rss},{cpu:.1f},{fds},{chars},{int(linked)}\n")
            table.flush()

    time.sleep(2)  # the last message's files
    reader.poll()
    if alive:
        prog.terminate()
        try:
            prog.wait(15)
        except subprocess.TimeoutExpired:
            prog.kill()
            print("soak: the program did not end within 15 s of SIGTERM")
            alive = False
    sim.send_signal(signal.SIGTERM)
    sim.wait(10)

    sent, saved, mismatched, problems = check_messages(os.path.join(station, "Messages"), plan,
                                                       reader.received)
    rss = [r[1] for r in rows]
    cpu = [r[2] for r in rows[1:]]
    fds = [r[3] for r in rows]
    busy = sorted(r[4] for r in rows[3:] if not r[5])  # seconds the channel was being monitored
    if rows:
        print(f"RSS: start {rss[0] / 1024:.1f} MB, end {rss[-1] / 1024:.1f} MB, max {max(rss) / 1024:.1f} MB")
        print(f"CPU: mean {sum(cpu) / max(1, len(cpu)):.1f} %, max {max(cpu, default=0):.1f} %")
        print(f"file handles: min {min(fds)}, max {max(fds)}")
    if busy:
        print(f"channel into the program with no link up: median {busy[len(busy) // 2]} chars/s, "
              f"mean {sum(busy) / len(busy):.0f} chars/s over {len(busy)} s "
              f"(line rate {line_rate:.0f} chars/s)")
    print(f"messages: sent {sent}, saved {saved}, mismatched {mismatched}")
    for problem in problems:
        print("  " + problem)
    print(f"table: {args.table}")
    if not args.keep:
        shutil.rmtree(work, ignore_errors=True)
    return 0 if alive and not mismatched and sent == saved else 1


if __name__ == "__main__":
    sys.exit(main())
