#!/usr/bin/env python3
"""The score service under load, for the figures (run by hand, not a test):
three-minute sessions sent as fast as the service takes them, and the top
list's latency measured with wrk meanwhile, over a table of a million games.

  server_load.py BUILD [--database sqlite|postgres] [--sessions N] [--games N]

BUILD holds a Release build's miruto-nana-server, replay, bench and
server_load. Takes about five minutes: the sessions' three minutes of play
must pass before the service takes them."""
import argparse
import os
import re
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                "..", "..", "tests", "server"))
from service import Postgres, Service  # noqa: E402

THREE_MINUTES = 3 * 60 * 25


def three_minute_script():
    """A player who clicks once a second somewhere new: games start, score,
    end and start again for three minutes."""
    lines = ["tick 1", "click 320 240"]
    for k in range(1, THREE_MINUTES // 25):
        lines += ["tick 25", "click %d %d" % (60 + (k * 137) % 520, 60 + (k * 71) % 360)]
    lines.append("tick 24")
    return "\n".join(lines) + "\n"


def fill(database, path_or_pg, games):
    """A million games (or `games`) under one replay, as if sent long ago."""
    statements = [
        "INSERT INTO replays (seed, ticks, body, received_ms) VALUES (1, 1, 'x', 0)",
        "INSERT INTO games (replay_id, game_index, score, name, end_tick, created_ms) "
        "SELECT 1, 1, (CAST(n AS BIGINT) * 7919 %% 2000) * 5, 'ナナ', 1, 0 FROM %s",
        "INSERT INTO score_counts (score, games) SELECT score, COUNT(*) FROM games "
        "GROUP BY score ON CONFLICT (score) DO UPDATE SET games = excluded.games",
    ]
    if database == "sqlite":
        series = ("(WITH RECURSIVE s(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM s "
                  "WHERE n < %d) SELECT n FROM s)" % games)
        db = sqlite3.connect(path_or_pg)
        for statement in statements:
            db.execute(statement.replace("%%", "%").replace("%s", series))
        db.commit()
        db.close()
    else:
        series = "generate_series(1, %d) AS n" % games
        for statement in statements:
            subprocess.run(["psql", "-q", "-v", "ON_ERROR_STOP=1", path_or_pg.conninfo(),
                            "-c", statement.replace("%%", "%").replace("%s", series)],
                           check=True)


def wrk(port, folder, seconds=None):
    """The top 100 read by two clients, each waiting 5 ms between requests
    (a few hundred a second), with the latency's distribution."""
    pause = os.path.join(folder, "pause.lua")
    with open(pause, "w") as f:
        f.write("function delay()\n  return 5\nend\n")
    args = ["wrk", "-t1", "-c2", "--latency", "-s", pause, "-d", "%ds" % (seconds or 3600),
            "http://127.0.0.1:%d/api/v1/top?limit=100" % port]
    return subprocess.Popen(args, stdout=subprocess.PIPE, text=True)


def latency(output):
    found = dict(re.findall(r"^\s+(50|99)%\s+(\S+)$", output, re.M))
    rate = re.search(r"Requests/sec:\s+(\S+)", output)
    return "median %s, p99 %s, %s requests/s" % (found.get("50"), found.get("99"),
                                                 rate.group(1) if rate else "?")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--database", choices=["sqlite", "postgres"], default="sqlite")
    parser.add_argument("--sessions", type=int, default=2000)
    parser.add_argument("--games", type=int, default=1000000)
    parser.add_argument("--threads", type=int, default=8)
    options = parser.parse_args()
    build = os.path.abspath(options.build)
    folder = tempfile.mkdtemp(prefix="server-load-")

    check = subprocess.run([os.path.join(build, "bench"), "--benchmark_filter=CheckReplay"],
                           capture_output=True, text=True).stdout
    check_ms = float(re.search(r"checked in ([\d.]+) ms", check.split("[CPU time]")[-1]).group(1))
    cores = os.cpu_count()
    print("verification: a three-minute session in %.2f ms of one core (%.0f times real "
          "time); the limit it sets on %d cores: %.0f sessions/s"
          % (check_ms, 180000 / check_ms, cores, cores * 1000 / check_ms))

    pg = Postgres() if options.database == "postgres" else None
    try:
        service = Service(os.path.join(build, "miruto-nana-server"), folder,
                          pg.conninfo() if pg else "", ["--threads", "16"]).start()
        start = time.monotonic()
        fill(options.database, pg or os.path.join(folder, "scores.sqlite"), options.games)
        print("filled %d games in %.0f s" % (options.games, time.monotonic() - start))
        baseline = wrk(service.port, folder, 10)
        print("GET /top alone: " + latency(baseline.communicate()[0]))

        script = os.path.join(folder, "three-minutes.txt")
        with open(script, "w") as f:
            f.write(three_minute_script())
        sessions = os.path.join(folder, "sessions.txt")
        last = 0.0
        with open(sessions, "w") as out:
            for i in range(options.sessions):
                seed, token = service.session()
                last = time.monotonic()
                replay = os.path.join(folder, "replay-%d.txt" % i)
                subprocess.run([os.path.join(build, "replay"), "--write-replay", replay,
                                "--seed", str(seed), script], check=True)
                out.write("%s\t%s\n" % (token, replay))
        time.sleep(max(0.0, last + THREE_MINUTES * 0.04 + 1 - time.monotonic()))

        reader = wrk(service.port, folder)
        sent = subprocess.run([os.path.join(build, "server_load"), str(service.port),
                               str(options.threads), sessions], capture_output=True, text=True)
        reader.send_signal(signal.SIGINT)
        print("submissions of three-minute sessions: " + sent.stdout.strip() + sent.stderr.strip())
        rate = float(re.search(r"per second ([\d.]+)", sent.stdout).group(1))
        print("  %.0f %% of the verification limit" % (100 * rate * check_ms / (cores * 1000)))
        print("GET /top while they ran: " + latency(reader.communicate()[0]))
        service.stop()
    finally:
        Service.end_all()
        if pg:
            pg.close()
        subprocess.run(["rm", "-rf", folder])


if __name__ == "__main__":
    main()
