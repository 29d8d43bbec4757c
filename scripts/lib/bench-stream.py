#!/usr/bin/env python3
"""Runs inside the isolated environment (scripts/bench-stream starts it there): the same
simulated camera streams, from camsim.exe in a Wine prefix and server of its own, into the
live view client (stream_view_client.exe, real camera windows in a grid) and into the
peers a Linux user would pick (ffmpeg, GStreamer). CPU comes from /proc: the consumer's
processes plus the wineserver and the X server of this environment, over a measured window,
divided by the frames the consumer handled in that window.

Usage: bench-stream.py BUILD_DIR SECONDS [CONFIG...]   CONFIG: CAMERAS@WxH, e.g. 16@640x480
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

FPS = 25
FIRST_PORT = 9000
WARMUP_S = 3.0
CLK_TCK = os.sysconf("SC_CLK_TCK")
NETNS = os.readlink("/proc/self/ns/net")
HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


def pids_in_netns():
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            if os.readlink(f"/proc/{entry}/ns/net") == NETNS:
                yield int(entry)
        except OSError:
            pass


def cmdline(pid):
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            return f.read().replace(b"\0", b" ").decode(errors="replace")
    except OSError:
        return ""


def comm(pid):
    try:
        with open(f"/proc/{pid}/comm") as f:
            return f.read().strip()
    except OSError:
        return ""


def cpu_seconds(pid):
    """utime + stime of the whole process (all its threads, living and ended)."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / CLK_TCK
    except (OSError, IndexError, ValueError):
        return 0.0


def thread_times(pids):
    """CPU seconds per thread name over the consumer's processes."""
    times = {}
    for pid in pids:
        try:
            tasks = os.listdir(f"/proc/{pid}/task")
        except OSError:
            continue
        for tid in tasks:
            try:
                with open(f"/proc/{pid}/task/{tid}/comm") as f:
                    name = f.read().strip()
                with open(f"/proc/{pid}/task/{tid}/stat") as f:
                    fields = f.read().rsplit(")", 1)[1].split()
                times[(name, tid)] = (int(fields[11]) + int(fields[12])) / CLK_TCK
            except (OSError, IndexError, ValueError):
                pass
    return times


def server_pid(prefix):
    """The wineserver working in the server folder of this prefix."""
    st = os.stat(prefix)
    # The folder's parent depends on the user and the Wine build (/tmp/.wine-UID, /tmp/wine-*).
    folder = "server-%x-%x" % (st.st_dev, st.st_ino)
    for pid in pids_in_netns():
        if comm(pid).startswith("wineserver"):
            try:
                if os.path.basename(os.readlink(f"/proc/{pid}/cwd")) == folder:
                    return pid
            except OSError:
                pass
    return None


class Accounts:
    """CPU of the consumer's processes, the client prefix's wineserver and the X server."""

    def __init__(self, consumer_match, client_prefix):
        self.match = consumer_match
        self.wineserver = server_pid(client_prefix)
        if not self.wineserver:
            raise SystemExit("bench-stream: no wineserver found for " + client_prefix)
        self.xserver = next((p for p in pids_in_netns() if comm(p) == "Xvfb"), None)

    def snapshot(self):
        own = sum(cpu_seconds(p) for p in pids_in_netns() if self.match(p))
        ws = cpu_seconds(self.wineserver) if self.wineserver else 0.0
        x = cpu_seconds(self.xserver) if self.xserver else 0.0
        return own, ws, x


def wine_env(prefix):
    env = dict(os.environ)
    env["WINEPREFIX"] = prefix
    return env


def ensure_prefix(build_subdir):
    """A prefix of its own for camsim: its sockets then load another wineserver."""
    subprocess.run(["bash", "-c", f'. "{HERE}/wine-env.sh" "$0" && wine_ensure_prefix', build_subdir],
                   check=True)
    return os.path.join(build_subdir, "wineprefix")


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def last_int(path, pattern):
    value = 0
    try:
        with open(path, errors="replace") as f:
            for m in re.finditer(pattern, f.read()):
                value = int(m.group(1))
    except OSError:
        pass
    return value


def count_lines(path, needle):
    try:
        with open(path, errors="replace") as f:
            return sum(1 for line in f if needle in line)
    except OSError:
        return 0


def grid_for(cameras):
    return 1 if cameras == 1 else 2 if cameras <= 4 else 4


def measure(name, start, frames_of, match, client_prefix, seconds, cameras):
    """Starts the consumer, lets it warm up, measures a window; returns a result row."""
    procs = start()
    try:
        time.sleep(WARMUP_S)
        acc = Accounts(match, client_prefix)
        f0 = frames_of()
        c0 = acc.snapshot()
        own_pids = [p for p in pids_in_netns() if match(p)]
        threads0 = thread_times(own_pids) if os.environ.get("BENCH_THREADS") else {}
        t0 = time.monotonic()
        time.sleep(seconds)
        f1 = frames_of()
        c1 = acc.snapshot()
        elapsed = time.monotonic() - t0
        if threads0:
            # Where the consumer's CPU goes, by thread, in ms per handled frame.
            threads1 = thread_times(own_pids)
            spent = {}
            for key, value in threads1.items():
                spent[key] = value - threads0.get(key, 0.0)
            frames = max(1, f1 - f0)
            print(f"  {name}: " + ", ".join(f"{n[0]}:{n[1]} {1000 * v / frames:.2f}" for n, v in
                  sorted(spent.items(), key=lambda kv: -kv[1])[:8] if v > 0), flush=True)
    finally:
        for p in procs:
            stop = getattr(p, "bench_stop", None)
            if stop:
                stop()
            else:
                p.terminate()
        for p in procs:
            try:
                p.wait(timeout=20)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
    handled = f1 - f0
    offered = FPS * elapsed * cameras
    own, ws, x = (b - a for a, b in zip(c0, c1))
    per = (lambda s: 1000.0 * s / handled) if handled > 0 else (lambda s: float("nan"))
    return {
        "name": name, "handled": handled, "offered": offered,
        "lost": max(0.0, offered - handled), "own": per(own), "ws": per(ws), "x": per(x),
        "total": per(own + ws + x), "cores": (own + ws + x) / elapsed,
    }


def run_config(build, cameras, width, height, seconds, work, client_prefix, camsim_prefix):
    size = f"{width}x{height}"
    stop_cam = os.path.join(work, f"camsim-{cameras}-{size}.stop")
    camsim_log = open(os.path.join(work, f"camsim-{cameras}-{size}.log"), "w")
    camsim = subprocess.Popen(
        ["wine", os.path.join(build, "testing/simulator/camsim.exe"), "--cameras", str(cameras),
         "--port", str(FIRST_PORT), "--size", size, "--fps", str(FPS), "--replay", "25",
         "--stop-file", windows_path(stop_cam), "--timeout", "900"],
        env=wine_env(camsim_prefix), stdout=camsim_log, stderr=subprocess.STDOUT)
    deadline = time.monotonic() + 60
    while "serving" not in open(camsim_log.name, errors="replace").read():
        if camsim.poll() is not None or time.monotonic() > deadline:
            raise SystemExit("camsim did not start: " + open(camsim_log.name).read())
        time.sleep(0.2)
    grid = grid_for(cameras)
    urls = [f"http://127.0.0.1:{FIRST_PORT + i}/cgi-bin/sf.cgi" for i in range(cameras)]
    rows = []
    tag = f"{cameras}-{size}"

    # The live view client: its own process, real camera windows.
    client_out = os.path.join(work, f"client-{tag}.log")
    client_stop = os.path.join(work, f"client-{tag}.stop")

    def start_client():
        out = open(client_out, "w")
        p = subprocess.Popen(
            ["wine", os.path.join(build, "liveview/bench/stream_view_client.exe"), str(FIRST_PORT),
             str(cameras), str(grid), windows_path(client_stop), "600"],
            env=wine_env(client_prefix), stdout=out, stderr=subprocess.DEVNULL)

        def stop():
            open(client_stop, "w").close()
        p.bench_stop = stop
        return [p]

    rows.append(measure(f"live view {grid}x{grid}", start_client,
                        lambda: last_int(client_out, r"frames (\d+)"),
                        lambda p: "stream_view_client" in cmdline(p), client_prefix, seconds,
                        cameras))
    if os.path.exists(client_stop):
        os.remove(client_stop)

    # ffmpeg receiving and decoding to BGR.
    def start_ffmpeg():
        procs = []
        for i, url in enumerate(urls):
            progress = os.path.join(work, f"ffmpeg-{tag}-{i}.progress")
            procs.append(subprocess.Popen(
                ["ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-nostats",
                 "-progress", progress, "-stats_period", "0.1", "-f", "mpjpeg", "-i", url,
                 "-pix_fmt", "bgr24", "-f", "null", "-"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        return procs

    rows.append(measure("ffmpeg bgr24", start_ffmpeg,
                        lambda: sum(last_int(os.path.join(work, f"ffmpeg-{tag}-{i}.progress"),
                                             r"frame=(\d+)") for i in range(cameras)),
                        lambda p: comm(p) == "ffmpeg", client_prefix, seconds, cameras))

    # GStreamer: receive, decode, convert and show on the same display; and the bare decode.
    def gst_starter(kind, show):
        def start():
            procs = []
            for i, url in enumerate(urls):
                log = open(os.path.join(work, f"gst-{kind}-{tag}-{i}.log"), "w")
                tail = ["videoconvert", "!", "identity", "silent=false", "!", "ximagesink"] if show \
                    else ["identity", "silent=false", "!", "fakesink"]
                procs.append(subprocess.Popen(
                    ["gst-launch-1.0", "-v", "souphttpsrc", f"location={url}", "!",
                     "multipartdemux", "!", "jpegdec", "!"] + tail,
                    stdout=log, stderr=subprocess.STDOUT))
            return procs
        return start

    for kind, show, label in (("show", True, "gst decode+show"), ("decode", False, "gst decode")):
        rows.append(measure(label, gst_starter(kind, show),
                            lambda kind=kind: sum(count_lines(
                                os.path.join(work, f"gst-{kind}-{tag}-{i}.log"),
                                "identity0: last-message") for i in range(cameras)),
                            lambda p: comm(p).startswith("gst-launch"), client_prefix, seconds,
                            cameras))

    open(stop_cam, "w").close()
    try:
        camsim.wait(timeout=30)
    except subprocess.TimeoutExpired:
        camsim.kill()
    camsim_log.close()
    return rows


def main():
    build = os.path.abspath(sys.argv[1])
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 10
    configs = sys.argv[3:] or ["1@320x240", "1@640x480", "4@320x240", "4@640x480",
                               "16@320x240", "16@640x480"]
    client_prefix = os.environ["WINEPREFIX"]
    camsim_prefix = ensure_prefix(os.path.join(build, "bench-camsim"))
    work = tempfile.mkdtemp(prefix="bench-stream-", dir=build)
    lines = []
    header = ("%-5s %-9s %-16s %8s %7s %7s %7s %7s %8s %6s %7s %7s" %
              ("cams", "size", "consumer", "frames", "lost%", "own", "wsrv", "X", "ms/frm",
               "cores", "/show", "/dec"))
    lines.append(header)
    for config in configs:
        cams, size = config.split("@")
        width, height = (int(v) for v in size.split("x"))
        rows = run_config(build, int(cams), width, height, seconds, work, client_prefix,
                          camsim_prefix)
        by = {r["name"]: r for r in rows}
        show = by["gst decode+show"]["total"]
        dec = by["gst decode"]["total"]
        for r in rows:
            lines.append("%-5s %-9s %-16s %8d %6.1f%% %7.2f %7.2f %7.2f %8.2f %6.2f %7.2f %7.2f" % (
                cams, size, r["name"], r["handled"], 100.0 * r["lost"] / r["offered"], r["own"],
                r["ws"], r["x"], r["total"], r["cores"], r["total"] / show, r["total"] / dec))
        print("\n".join(lines[-len(rows):]), flush=True)
    table = "\n".join(lines)
    note = ("CPU in ms per handled frame: own = the consumer's processes, wsrv = the wineserver, "
            "X = the X server; cores = CPU seconds per second; /show and /dec = ms/frm against "
            f"GStreamer's decode+show and bare decode of the same stream; {FPS} fps offered, "
            f"{seconds:g} s measured after {WARMUP_S:g} s.")
    print("\n" + table + "\n" + note)
    with open(os.path.join(build, "bench-stream.txt"), "w") as f:
        f.write(table + "\n" + note + "\n")
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
