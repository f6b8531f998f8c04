#!/usr/bin/python3
"""dovrix-console-load: the teachers' console on a district-sized database, through
scripts/serve (nginx with TLS), and the game's update rate beside the release before it.

  1. A database of 50,000 students with game accounts in 2,000 classes (one of 30, whose page is timed), with a year of
     history (about 60 levels each: 3 million rows), written into the schema the server makes.
  2. A teacher signs in; the page of one class is fetched N times on one kept-alive TLS
     connection: its median and 90th percentile. Target: median under 20 ms.
  3. The whole school's CSV file, streamed: its time and how much the server's resident memory
     grew while it streamed. Targets: under 2 s, under 20 MB.
  4. dovrix-edge-load against the release before the console (1.0, which remembers no
     history) and this server, alternately, ROUNDS times each, through the same nginx and
     TLS: kept-alive updates of logged-in accounts at random levels, as players replay them,
     and climbing ones, each a new level reached and so a history row written. The medians
     and their ratio. Target: the new within 10 % of the old.

The earlier release's server is build/release-1.0/build/server/dovrix-account-server; when
it is absent it is built there from the commit the 1.0 packages were made from (source by
git archive, an optimised build of the server alone). --old-server PATH takes another;
--rounds 0 leaves the comparison out.

  bench/console_load.py NEW_SERVER SERVE_SCRIPT EDGE_LOAD [--old-server PATH] [--rounds R]
                        [--pages N]
"""

import http.client
import os
import random
import re
import socket
import sqlite3
import ssl
import statistics
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

server, serve_script, edge_load = sys.argv[1:4]
options = dict(zip(sys.argv[4::2], sys.argv[5::2]))
rounds = int(options.get("--rounds", "7"))
# The commit the 1.0-2 packages were built from (as tests/packaging/check_on_debian.sh says).
RELEASE_1_0 = "db1fb3ce8acca700051d5072837420aeb4fc57d3"
source_dir = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def release_1_0_server():
    """The 1.0 account server, built into build/release-1.0 the first time."""
    tree = os.path.join(source_dir, "build", "release-1.0")
    binary = os.path.join(tree, "build", "server", "dovrix-account-server")
    if os.path.exists(binary):
        return binary
    print(f"building the 1.0 account server from {RELEASE_1_0[:7]} into {tree}", flush=True)
    if not os.path.exists(os.path.join(tree, "CMakeLists.txt")):
        os.makedirs(tree, exist_ok=True)
        archive = subprocess.Popen(["git", "-C", source_dir, "archive", RELEASE_1_0],
                                   stdout=subprocess.PIPE)
        subprocess.run(["tar", "-x", "-C", tree], stdin=archive.stdout, check=True)
        if archive.wait() != 0:
            sys.exit("cannot read the 1.0 release from git")
    subprocess.run(["cmake", "-S", tree, "-B", os.path.join(tree, "build"), "-G", "Ninja",
                    "-DCMAKE_BUILD_TYPE=RelWithDebInfo"], check=True, capture_output=True)
    subprocess.run(["cmake", "--build", os.path.join(tree, "build"), "--target",
                    "dovrix-account-server"], check=True, capture_output=True)
    return binary


old_server = options.get("--old-server") or (release_1_0_server() if rounds > 0 else None)
STUDENTS, CLASSES, YEAR = 50000, 2000, 365 * 86400
work = tempfile.mkdtemp(prefix="dovrix-console-load-")
db = os.path.join(work, "accounts.sqlite")

start = time.monotonic()
subprocess.run([server, "list-teachers", "--db", db], check=True, capture_output=True)
subprocess.run([server, "add-teacher", "admin", "--admin", "--db", db], input="bench password\n",
               text=True, check=True, capture_output=True)
now = int(time.time())
random.seed(7)
with sqlite3.connect(db) as data:
    data.executemany("INSERT INTO classes VALUES (?, ?)",
                     ((f"c{c:04}", f"C{c:04}") for c in range(CLASSES)))
    hash_ = "$argon2id$v=19$m=65536,t=2,p=1$bench$bench"
    students, accounts, levels = [], [], []
    for s in range(STUDENTS):
        key = f"student{s:05}"
        reached = random.randint(21, 101)
        seen = now - random.randint(0, 30 * 86400)
        # 25 to a class; the last five join class 42, the one whose page is timed: 30.
        klass = 42 if s >= STUDENTS - 5 else s % CLASSES
        students.append((key, hash_, key, f"c{klass:04}", now))
        accounts.append((key, key, reached, seen))
        first = now - YEAR
        for level in range(2, reached + 1):
            first += random.randint(0, (seen - first) // max(1, reached - level + 1))
            levels.append((key, level, first))
    data.executemany("INSERT INTO students (user_key, password_hash, user_name, class_key, "
                     "listed_at) VALUES (?, ?, ?, ?, ?)", students)
    data.executemany("INSERT INTO accounts (user_key, user_name, password_hash, level, last_seen) "
                     "VALUES (?, ?, NULL, ?, ?)", accounts)
    data.executemany("INSERT INTO levels_reached VALUES (?, ?, ?)", levels)
print(f"database: {STUDENTS} students in {CLASSES} classes, {len(levels)} level rows, "
      f"{os.path.getsize(db) / 1e6:.0f} MB, made in {time.monotonic() - start:.0f} s", flush=True)

subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256",
                "-nodes", "-keyout", "server.key", "-out", "server.pem", "-days", "2", "-subj",
                "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"],
               cwd=work, check=True, capture_output=True)
held = socket.socket()
held.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
held.bind(("0.0.0.0", 0))
port = held.getsockname()[1]
serve = subprocess.Popen([serve_script, "--port", str(port), "--db", db, "--tls-cert",
                          os.path.join(work, "server.pem"), "--tls-key",
                          os.path.join(work, "server.key"), "--server", server],
                         stdout=subprocess.PIPE, text=True)
assert serve.stdout.readline().startswith("listening on https://")
tls = ssl.create_default_context(cafile=os.path.join(work, "server.pem"))
origin = f"https://127.0.0.1:{port}"


def server_pid():
    for line in open(f"/proc/{serve.pid}/task/{serve.pid}/children").read().split():
        if open(f"/proc/{line}/comm").read().startswith("dovrix-account-"):
            return int(line)


def rss_mb(pid):
    status = open(f"/proc/{pid}/status").read()
    return int(re.search(r"VmRSS:\s+(\d+)", status).group(1)) / 1024


connection = http.client.HTTPSConnection("127.0.0.1", port, context=tls)
connection.request("POST", "/dovrix/console/sign-in",
                   urllib.parse.urlencode({"name": "admin", "password": "bench password"}),
                   {"Content-Type": "application/x-www-form-urlencoded", "Origin": origin})
reply = connection.getresponse()
reply.read()
cookie = reply.getheader("Set-Cookie").split(";")[0]
times = []
for _ in range(int(options.get("--pages", "200"))):
    began = time.perf_counter()
    connection.request("GET", "/dovrix/console/classes/c0042", headers={"Cookie": cookie})
    page = connection.getresponse().read()
    times.append((time.perf_counter() - began) * 1000)
assert b"student00042" in page
times.sort()
median = statistics.median(times)
print(f"class page (30 students), {len(times)} fetches: median {median:.1f} ms, "
      f"p90 {times[int(len(times) * 0.9)]:.1f} ms (target median < 20 ms)", flush=True)

pid = server_pid()
before, peak, streaming = rss_mb(pid), [0.0], [True]


def sample():
    while streaming[0]:
        peak[0] = max(peak[0], rss_mb(pid))
        time.sleep(0.01)


sampler = threading.Thread(target=sample)
sampler.start()
began = time.perf_counter()
connection.request("GET", "/dovrix/console/school.csv", headers={"Cookie": cookie})
csv_reply = connection.getresponse()
size, lines = 0, 0
while chunk := csv_reply.read(65536):
    size += len(chunk)
    lines += chunk.count(b"\n")
seconds = time.perf_counter() - began
streaming[0] = False
sampler.join()
growth = max(0.0, peak[0] - before)
print(f"whole school CSV: {lines - 1} students, {size / 1e6:.1f} MB in {seconds:.2f} s; server "
      f"memory {before:.1f} MB, peak {peak[0]:.1f} MB (+{growth:.1f} MB) "
      f"(targets < 2 s, < 20 MB)", flush=True)
serve.terminate()
serve.wait(10)
held.close()
ok = median < 20 and seconds < 2 and growth < 20 and lines - 1 == STUDENTS

if old_server:
    # Each mode's runs alternate between the two servers, so both meet the same load.
    for mode, updates, label in (("random", "1000", "kept alive, random levels"),
                                 ("climbing", "100", "kept alive, each a new level")):
        rates = {"old": [], "new": []}
        for _ in range(rounds):
            for name, binary in (("old", old_server), ("new", server)):
                out = subprocess.run([edge_load, "--slow", "0", "--server", binary,
                                      "--updates", updates, "--levels", mode],
                                     capture_output=True, text=True).stdout
                row = [r for r in out.splitlines() if "kept alive" in r][0]
                rates[name].append(float(row.split("|")[3]))
        old, new = statistics.median(rates["old"]), statistics.median(rates["new"])
        print(f"updates through nginx and TLS, {label}, {rounds} rounds each, alternately: "
              f"1.0 {old:.0f}/s {rates['old']}, new {new:.0f}/s {rates['new']}: "
              f"new/1.0 = {new / old:.2f} (target >= 0.90)", flush=True)
        ok = ok and new / old >= 0.9
subprocess.run(["rm", "-rf", work])
sys.exit(0 if ok else 1)
