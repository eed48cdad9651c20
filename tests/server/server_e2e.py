#!/usr/bin/env python3
"""The score service end to end, one case a run:
  server_e2e.py SERVICE REPLAY_TOOL CASE
Cases: path_sqlite, path_postgres, forgery, crash_sqlite, crash_postgres,
postgres_restart, two_instances, safety."""
import os
import shutil
import signal
import socket
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from service import Postgres, Replays, Service, wait_for  # noqa: E402


def wait_play_time(issued, replays):
    """Sleeps until every replay's play time has passed since its session
    was issued (the times as time.monotonic() after each one)."""
    ready = max(t + Replays.play_ms(r) / 1000.0 for t, r in zip(issued, replays))
    time.sleep(max(0.0, ready + 0.3 - time.monotonic()))


def scoring_session(service, replays, name):
    """(seed, token, replay, line of its deciding click, issued)."""
    seed, token = service.session()
    issued = time.monotonic()
    replay, line = replays.make(seed, name, scoring=True)
    return seed, token, replay, line, issued


def prepared(service, replays, count, name="ミルト"):
    """count sessions with their replays: [(token, replay)], once their play
    time has passed."""
    sessions = []
    issued = []
    for _ in range(count):
        seed, token = service.session()
        issued.append(time.monotonic())
        sessions.append((token, replays.make(seed, name)[0]))
    wait_play_time(issued, [r for _, r in sessions])
    return sessions


def check_path(service, replays):
    seed, token, named, _, issued = scoring_session(service, replays, "ミルト")
    seed2, token2 = service.session()
    issued2 = time.monotonic()
    unnamed = replays.make(seed2)[0]
    wait_play_time([issued, issued2], [named, unnamed])

    status, answer = service.send(token, named)
    assert status == 201, (answer, named)
    games = answer["games"]
    assert [g["score"] for g in games] == Replays.scores(named), (games, named)
    # A game that opened no name entry needs the name given on sending.
    status, answer = service.send(token2, unnamed)
    assert status == 400, answer
    status, answer = service.send(token2, unnamed, name="ナナ")
    assert status == 201, answer
    games += answer["games"]

    top = service.top()
    assert len(top) == len(games), top
    assert [t["score"] for t in top] == sorted((g["score"] for g in games), reverse=True)
    by_id = {t["id"]: t for t in top}
    for game in games:
        row = by_id[game["id"]]
        assert row["rank"] == game["rank"] == 1 + sum(
            1 for g in games if g["score"] > game["score"]), (row, game)
        assert row["name"] in ("ミルト", "ナナ") and row["time"].endswith("Z"), row
    assert {by_id[g["id"]]["name"] for g in answer["games"]} == {"ナナ"}

    status, headers, body = service.request("GET", "/api/v1/replays/%d" % games[0]["id"])
    assert status == 200 and body.decode("utf-8") == named, status
    assert headers["X-Game-Index"] == "1"
    # The table outlives the program.
    service.stop()
    service.start()
    assert service.top() == top


def case_path_sqlite(folder, tool, program):
    check_path(Service(program, folder).start(), Replays(tool, folder))


def case_path_postgres(folder, tool, program):
    pg = Postgres()
    try:
        service = Service(program, folder, pg.conninfo()).start()
        check_path(service, Replays(tool, folder))
        service.stop()
    finally:
        pg.close()


def case_forgery(folder, tool, program):
    service = Service(program, folder).start()
    replays = Replays(tool, folder)
    scoring = [scoring_session(service, replays, "ミルト") for _ in range(4)]
    sessions = [(seed, token) for seed, token, _, _, _ in scoring] + [service.session()]
    made = [replay for _, _, replay, _, _ in scoring]

    # The click that scores moved away, so that the recorded score no
    # longer holds.
    lines = made[0].splitlines(keepends=True)
    deciding = scoring[0][3]
    edited = "".join(lines[:deciding] + ["click 5 470\n"] + lines[deciding + 1:])
    assert not replays.holds(edited)
    # A recorded score raised by five.
    raised = made[1].replace("score %d\n" % Replays.scores(made[1])[0],
                             "score %d\n" % (Replays.scores(made[1])[0] + 5), 1)
    # A replay from another session's start state.
    foreign = replays.make(sessions[3][0], "ミルト")[0]
    wait_play_time([issued for _, _, _, _, issued in scoring], made)
    # A three-minute session sent as soon as its session began.
    seed, token = sessions[4]
    long_script = ("tick 1\nclick 320 240\n" + "tick 100\nclick 5 5\n" * 45)
    too_early = replays.write(seed, long_script)

    for token, replay, why in [(sessions[0][1], edited, "one click moved"),
                               (sessions[1][1], raised, "a score raised"),
                               (sessions[2][1], foreign, "a foreign seed"),
                               (token, too_early, "sent too early")]:
        status, answer = service.send(token, replay)
        assert status == 422 and answer["error"], (why, status, answer)
        assert why != "sent too early" or "プレイ時間" in answer["error"], answer
        assert service.top() == [], why
    status, answer = service.send(sessions[3][1], made[3])
    assert status == 201, answer
    stored = service.top()
    status, answer = service.send(sessions[3][1], made[3])
    assert status == 409 and answer["error"], (status, answer)
    assert service.top() == stored


def crash_and_recover(service, replays, restart=None):
    """Submissions from two threads, the service killed with SIGKILL among
    them; after a restart every acknowledged game is there."""
    sessions = prepared(service, replays, 24)
    acknowledged = []
    lock = threading.Lock()

    def sender(part):
        for token, replay in part:
            try:
                status, answer = service.send(token, replay)
            except (OSError, ValueError):
                return  # the service is gone
            if status == 201:
                with lock:
                    acknowledged.extend((g["id"], replay) for g in answer["games"])

    threads = [threading.Thread(target=sender, args=(sessions[i::2],)) for i in range(2)]
    for thread in threads:
        thread.start()
    wait_for("some acknowledged games", lambda: len(acknowledged) >= 6, 60, 0.005)
    service.stop(signal.SIGKILL)
    for thread in threads:
        thread.join(60)
    assert 6 <= len(acknowledged) < len(sessions), len(acknowledged)
    if restart:
        restart()
    service.start()
    for game_id, replay in acknowledged:
        status, _, body = service.request("GET", "/api/v1/replays/%d" % game_id)
        assert status == 200 and body.decode("utf-8") == replay, (game_id, status)
    # The rest can still be sent, or were stored though never answered.
    for token, replay in sessions:
        status, answer = service.send(token, replay)
        assert status in (201, 409), answer
    assert len(service.top()) == len(sessions)
    service.stop()


def case_crash_sqlite(folder, tool, program):
    crash_and_recover(Service(program, folder).start(), Replays(tool, folder))


def case_crash_postgres(folder, tool, program):
    pg = Postgres()
    try:
        crash_and_recover(Service(program, folder, pg.conninfo()).start(),
                          Replays(tool, folder))
    finally:
        pg.close()


def case_postgres_restart(folder, tool, program):
    """PostgreSQL stopped and started under a stream of submissions: 503s
    with Retry-After meanwhile, the same service process throughout, and
    every session stored in the end."""
    pg = Postgres()
    try:
        service = Service(program, folder, pg.conninfo()).start()
        sessions = prepared(service, Replays(tool, folder), 30)
        acknowledged = []
        unavailable = []
        stopped = threading.Event()
        done = threading.Event()

        def stream():
            try:
                for number, (token, replay) in enumerate(sessions):
                    if number == 5:
                        # The rest go while the database is away.
                        stopped.wait(120)
                    end = time.monotonic() + 90
                    while True:
                        status, headers, body = service.request(
                            "POST", "/api/v1/replays", replay.encode("utf-8"),
                            {"Authorization": "Bearer " + token})
                        if status == 201 or (status == 409 and token in unavailable):
                            # A 409 after a 503: the commit held though its
                            # answer was lost with the connection.
                            acknowledged.append((token, body))
                            break
                        assert status == 503 and int(headers["Retry-After"]) > 0, (status, body)
                        unavailable.append(token)
                        assert time.monotonic() < end, "the service did not recover"
                        time.sleep(0.2)
            finally:
                done.set()

        thread = threading.Thread(target=stream)
        thread.start()
        wait_for("the first submissions", lambda: len(acknowledged) >= 5 or done.is_set(), 60)
        pg.stop()
        stopped.set()
        wait_for("a 503 while the database is away", lambda: unavailable or done.is_set(), 60)
        status, headers, _ = service.request("GET", "/api/v1/top")
        assert status == 503 and "Retry-After" in headers, status
        pg.start()
        thread.join(180)
        assert unavailable, "no 503 was seen"
        assert service.process.poll() is None, "the service ended"
        assert len(acknowledged) == len(sessions), len(acknowledged)
        assert len(service.top()) == len(sessions)
        assert service.stop() == 0
    finally:
        pg.close()


def case_two_instances(folder, tool, program):
    pg = Postgres()
    try:
        first = Service(program, os.path.join(folder, "a"), pg.conninfo()).start()
        second = Service(program, os.path.join(folder, "b"), pg.conninfo()).start()
        replays = Replays(tool, folder)
        sessions = []
        issued = []
        for i in range(16):
            seed, token = (first, second)[i % 2].session()
            issued.append(time.monotonic())
            sessions.append((token, replays.make(seed, "ミルト")[0]))
        wait_play_time(issued, [r for _, r in sessions])
        results = []

        def sender(service, part):
            for token, replay in part:
                results.append(service.send(token, replay))

        # Each instance takes sessions the other one started.
        threads = [threading.Thread(target=sender, args=(first, sessions[1::2])),
                   threading.Thread(target=sender, args=(second, sessions[0::2]))]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join(120)
        assert [s for s, _ in results] == [201] * len(sessions), results
        top = first.top()
        assert top == second.top() and len(top) == len(sessions), top
        ranks = [row["rank"] for row in top]
        scores = [row["score"] for row in top]
        assert ranks == [1 + sum(1 for s in scores if s > score) for score in scores], top
        # A token is used up for both.
        status, _ = first.send(*sessions[0])
        assert status == 409
        first.stop()
        second.stop()
    finally:
        pg.close()


def raw_exchange(port, data, deadline=15):
    """Sends raw bytes and reads until the server closes; (bytes, seconds)."""
    started = time.monotonic()
    with socket.create_connection(("127.0.0.1", port), timeout=deadline) as sock:
        sock.sendall(data)
        received = b""
        while True:
            chunk = sock.recv(65536)
            if not chunk:
                break
            received += chunk
    return received, time.monotonic() - started


def case_safety(folder, tool, program):
    site = os.path.join(folder, "site")
    os.makedirs(site)
    with open(os.path.join(site, "index.html"), "w") as f:
        f.write("<!doctype html><title>ミルトとナナ</title>\n")
    service = Service(program, os.path.join(folder, "one"),
                      extra=["--site", site, "--read-timeout", "2", "--rate", "2", "--burst",
                             "4"]).start()
    # The page and the API from one address; nothing outside the site.
    status, headers, body = service.request("GET", "/")
    assert status == 200 and b"<title>" in body, status
    status, _, _ = service.request("GET", "/../service.log")
    assert status != 200
    # A small burst, then 429 with Retry-After; a forwarded-for header from
    # a peer that is not a trusted proxy changes nothing.
    statuses = [service.request("GET", "/api/v1/top", headers={
        "X-Forwarded-For": "192.0.2.%d" % i})[0] for i in range(6)]
    assert statuses[:3] == [200] * 3 and statuses[-1] == 429, statuses
    status, headers, body = service.request("GET", "/api/v1/top")
    assert status == 429 and int(headers["Retry-After"]) >= 1 and b"error" in body
    time.sleep(2.5)
    # A stalled client is dropped after the read timeout.
    received, seconds = raw_exchange(service.port, b"POST /api/v1/replays HTTP/1.1\r\nHost: x")
    assert seconds < 10, seconds
    # A request the server cannot read, and a body over the limit.
    received, _ = raw_exchange(service.port, b"\x00\x01 nonsense\r\n\r\n")
    assert received.startswith(b"HTTP/1.1 400"), received[:40]
    status, headers, body = service.request("POST", "/api/v1/replays", b"1" * (2 << 20),
                                            {"Authorization": "Bearer " + "0" * 32})
    assert status == 413 and b"error" in body, status
    service.stop()

    # Behind a trusted proxy each forwarded client has a bucket of its own.
    proxied = Service(program, os.path.join(folder, "two"),
                      extra=["--trusted-proxies", "127.0.0.1", "--rate", "1", "--burst",
                             "2"]).start()
    statuses = [proxied.request("GET", "/api/v1/top", headers={
        "X-Forwarded-For": "192.0.2.%d" % i})[0] for i in range(6)]
    assert statuses == [200] * 6, statuses
    statuses = [proxied.request("GET", "/api/v1/top", headers={
        "X-Forwarded-For": "192.0.2.9"})[0] for i in range(4)]
    assert statuses[-1] == 429, statuses
    proxied.stop()

    # SIGTERM while a request is still arriving: it is answered, then the
    # program ends with status 0.
    service = Service(program, os.path.join(folder, "three")).start()
    body = b"x" * 1000
    with socket.create_connection(("127.0.0.1", service.port), timeout=20) as sock:
        sock.sendall(b"POST /api/v1/replays HTTP/1.1\r\nHost: x\r\nConnection: close\r\n"
                     b"Authorization: Bearer " + b"0" * 32 + b"\r\nContent-Length: 1000\r\n\r\n" +
                     body[:10])
        time.sleep(0.3)
        service.process.send_signal(signal.SIGTERM)
        time.sleep(0.3)
        sock.sendall(body[10:])
        received = sock.recv(65536)
    assert received.startswith(b"HTTP/1.1 401"), received[:60]
    assert service.stop() == 0


CASES = {name[5:]: fn for name, fn in globals().items() if name.startswith("case_")}


def main():
    program, tool, case = sys.argv[1:4]
    folder = tempfile.mkdtemp(prefix="score-e2e-")
    try:
        CASES[case](folder, tool, program)
    finally:
        Service.end_all()
        shutil.rmtree(folder, ignore_errors=True)
    print("server e2e %s: passed" % case)


if __name__ == "__main__":
    main()
