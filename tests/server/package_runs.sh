#!/bin/bash
# The service's Debian package, unpacked: its program starts with the
# packaged settings (the data folder moved to a temporary one), answers the
# API, and ends with status 0 on SIGTERM. Its unit names the packaged
# program and settings.
# Usage: package_runs.sh PACKAGE_DIR
set -euo pipefail
deb=$(ls "$1"/miruto-nana-server_*.deb)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
unit=$root/lib/systemd/system/miruto-nana-server.service
grep -q '^ExecStart=/usr/sbin/miruto-nana-server --config /etc/miruto-nana-server.conf$' "$unit"
grep -q '^User=miruto-nana-server$' "$unit"
grep -q '^StateDirectory=miruto-nana-server$' "$unit"
grep -q '^data = /var/lib/miruto-nana-server$' "$root/etc/miruto-nana-server.conf"
test -x "$root/usr/sbin/miruto-nana-server"
mkdir "$root/data"
"$root/usr/sbin/miruto-nana-server" --config "$root/etc/miruto-nana-server.conf" \
  --data "$root/data" --port 0 >"$root/out" 2>"$root/err" &
pid=$!
for _ in $(seq 200); do
  grep -q listening "$root/out" && break
  sleep 0.05
done
port=$(sed -n 's|.*listening on http://127.0.0.1:\([0-9]*\)/.*|\1|p' "$root/out")
test -n "$port" || { cat "$root/err"; exit 1; }
/usr/bin/python3 - "$port" <<'PY'
import http.client, json, sys
conn = http.client.HTTPConnection("127.0.0.1", int(sys.argv[1]), timeout=10)
conn.request("POST", "/api/v1/sessions")
answer = conn.getresponse()
assert answer.status == 201, answer.status
assert len(json.loads(answer.read())["token"]) == 32
conn.request("GET", "/api/v1/top")
answer = conn.getresponse()
assert answer.status == 200 and json.loads(answer.read()) == {"scores": []}
PY
kill -TERM "$pid"
wait "$pid"
test -s "$root/data/scores.sqlite"
echo "the packaged service runs"
