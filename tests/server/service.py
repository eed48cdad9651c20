"""Runs the score service, a throw-away PostgreSQL cluster and the game's
replay tool for the service's end-to-end tests."""
import glob
import http.client
import json
import os
import pwd
import random
import re
import shutil
import signal
import subprocess
import tempfile
import time


def wait_for(what, check, deadline=30.0, step=0.05):
    """Calls check() until it returns something true; fails after deadline."""
    end = time.monotonic() + deadline
    while True:
        value = check()
        if value:
            return value
        if time.monotonic() > end:
            raise AssertionError("gave up waiting for " + what)
        time.sleep(step)


class Service:
    """One instance of the service on a port of its own. Service.end_all()
    ends every instance still running, for a test's last step."""

    running = []

    def __init__(self, program, folder, database="", extra=()):
        self.program = program
        self.folder = folder
        self.args = [program, "--port", "0", "--data", folder, "--rate", "0"]
        if database:
            self.args += ["--database", database]
        self.args += list(extra)
        self.process = None
        self.port = None
        self.log = os.path.join(folder, "service.log")

    def start(self, port=None):
        os.makedirs(self.folder, exist_ok=True)
        args = list(self.args)
        if port is not None:
            args[args.index("--port") + 1] = str(port)
        self.process = subprocess.Popen(args, stdout=subprocess.PIPE,
                                        stderr=open(self.log, "ab"), text=True)
        Service.running.append(self.process)
        line = self.process.stdout.readline()
        found = re.search(r"listening on http://[^:]+:(\d+)/", line)
        if not found:
            raise AssertionError("the service did not start: " + line + self.read_log())
        self.port = int(found.group(1))
        return self

    @staticmethod
    def end_all():
        for process in Service.running:
            if process.poll() is None:
                process.kill()
                process.wait()
        Service.running.clear()

    def read_log(self):
        with open(self.log, encoding="utf-8", errors="replace") as f:
            return f.read()

    def stop(self, sig=signal.SIGTERM, deadline=30):
        if self.process is None:
            return None
        if self.process.poll() is None:
            self.process.send_signal(sig)
        status = self.process.wait(deadline)
        self.process.stdout.close()
        self.process = None
        return status

    def request(self, method, path, body=None, headers=None, timeout=30):
        """(status, headers, body) of one request on a new connection."""
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout)
        try:
            conn.request(method, path, body, headers or {})
            response = conn.getresponse()
            return response.status, dict(response.getheaders()), response.read()
        finally:
            conn.close()

    def json(self, method, path, body=None, headers=None):
        status, _, data = self.request(method, path, body, headers)
        return status, json.loads(data)

    def session(self):
        status, value = self.json("POST", "/api/v1/sessions")
        assert status == 201, (status, value)
        return value["seed"], value["token"]

    def send(self, token, replay, name=None):
        path = "/api/v1/replays"
        if name is not None:
            from urllib.parse import quote
            path += "?name=" + quote(name)
        return self.json("POST", path, replay.encode("utf-8"),
                         {"Authorization": "Bearer " + token})

    def top(self, limit=100):
        status, value = self.json("GET", "/api/v1/top?limit=%d" % limit)
        assert status == 200, (status, value)
        return value["scores"]


class Postgres:
    """A PostgreSQL cluster in a temporary folder, run by an unprivileged
    user, reached through a socket in that folder."""

    def __init__(self):
        found = sorted(glob.glob("/usr/lib/postgresql/*/bin/initdb"))
        if not found:
            raise AssertionError("PostgreSQL is not installed (apt install postgresql)")
        self.bin = os.path.dirname(found[-1])
        self.folder = tempfile.mkdtemp(prefix="score-pg-")
        self.data = os.path.join(self.folder, "data")
        self.port = random.randrange(20000, 60000)
        self.user = None
        if os.getuid() == 0:
            for name in ("postgres", "nobody"):
                try:
                    self.user = pwd.getpwnam(name)
                    break
                except KeyError:
                    pass
            os.chown(self.folder, self.user.pw_uid, self.user.pw_gid)
        self.run("initdb", "-D", self.data, "-A", "trust", "-U", "postgres", "-E", "UTF8",
                 "--no-instructions")
        self.start()

    def conninfo(self):
        return "host=%s port=%d user=postgres dbname=postgres" % (self.folder, self.port)

    def run(self, tool, *args):
        command = [os.path.join(self.bin, tool)] + list(args)
        if self.user is not None:
            command = ["setpriv", "--reuid=%d" % self.user.pw_uid,
                       "--regid=%d" % self.user.pw_gid, "--clear-groups"] + command
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL, cwd=self.folder)

    def start(self):
        options = "-k %s -p %d -c listen_addresses= -c max_connections=100" % (self.folder,
                                                                                self.port)
        self.run("pg_ctl", "-D", self.data, "-o", options, "-l",
                 os.path.join(self.folder, "server.log"), "-w", "-t", "60", "start")

    def stop(self):
        self.run("pg_ctl", "-D", self.data, "-m", "fast", "-w", "-t", "60", "stop")

    def close(self):
        try:
            self.stop()
        except subprocess.CalledProcessError:
            pass
        shutil.rmtree(self.folder, ignore_errors=True)


class Replays:
    """Replays made by the game's replay tool, as a form would record them."""

    def __init__(self, tool, folder):
        self.tool = tool
        self.folder = folder

    def coins(self, seed, ticks=400):
        """Where the coins are drawn in a game left alone from `seed`:
        [(tick, x, y)] of each coin picture's top-left corner."""
        script = "seed %d\ntick 1\nclick 320 240\ntick %d\n" % (seed, ticks)
        trace = subprocess.run([self.tool], input=script, capture_output=True, text=True,
                               check=True).stdout
        found = []
        tick = 0
        for line in trace.splitlines():
            words = line.split()
            if words[:1] == ["tick"]:
                tick = int(words[1])
            elif words[:2] == ["draw", "4"]:
                found.append((tick, int(words[2]), int(words[3])))
        return found

    def make(self, seed, name=None, scoring=False):
        """A replay from `seed` with one finished game whose game-over step
        has run (its name entry answered). With `scoring`, one click is
        aimed at a coin, and the game's score rests on that click alone;
        (replay, the click's line number)."""
        head = ["tick 1", "click 320 240"] + (["name " + name] if name else [])
        clicks = [None]
        if scoring:
            clicks = [(tick, x + 25, y + 25) for tick, x, y in self.coins(seed)[::2]
                      if tick >= 3 and 0 <= x <= 590 and 0 <= y <= 300][:60]
        for click in clicks:
            aimed = [] if click is None else ["tick %d" % (click[0] - 1),
                                              "click %d %d" % click[1:]]
            for tail in (150, 300, 450, 900, 1500):
                replay = self.write(seed, "\n".join(head + aimed + ["tick %d" % tail]) + "\n")
                lines = replay.splitlines()
                scores = self.scores(replay)
                answered = sum(1 for line in lines if line.startswith(("name ", "close")))
                if scores and answered == len(scores):
                    break
            else:
                continue
            if click is None:
                return replay, None
            if scores[0] > 0:
                return replay, lines.index(aimed[1])
        raise AssertionError("no script plays as wanted from seed %d" % seed)

    def write(self, seed, script):
        source = os.path.join(self.folder, "script.txt")
        out = os.path.join(self.folder, "replay.txt")
        with open(source, "w", encoding="utf-8") as f:
            f.write(script)
        subprocess.run([self.tool, "--write-replay", out, "--seed", str(seed), source],
                       check=True)
        with open(out, encoding="utf-8") as f:
            return f.read()

    def holds(self, replay):
        """True when the replay tool plays the replay as it says."""
        path = os.path.join(self.folder, "check.txt")
        with open(path, "w", encoding="utf-8") as f:
            f.write(replay)
        return subprocess.run([self.tool, "--scores", path], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0

    @staticmethod
    def play_ms(replay):
        return 40 * sum(int(line.split()[1]) for line in replay.splitlines()
                        if line.startswith("tick "))

    @staticmethod
    def scores(replay):
        return [int(line.split()[1]) for line in replay.splitlines()
                if line.startswith("score ")]
