#!/usr/bin/env bash
# Runs a command with the services that Bramblet's tests talk to, and stops them afterwards:
# - a private D-Bus session with GNOME Keyring's Secret Service, its login keyring unlocked, in
#   fresh XDG_DATA_HOME and XDG_RUNTIME_DIR folders;
# - an S3-compatible server (s3rver from Tests/node_modules) over HTTPS on 127.0.0.1, on a free
#   port, with a certificate made for this run.
# The tests find them through BRAMBLET_TEST_SERVICES=1 and the BRAMBLET_TEST_S3_* variables, and
# the certificate with its key through BRAMBLET_TEST_TLS_CERT and BRAMBLET_TEST_TLS_KEY; a test
# whose service is missing fails when BRAMBLET_TEST_SERVICES is set.
# Usage: scripts/with-test-services.sh <command> [arguments...]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

if [ -z "${BRAMBLET_TEST_SESSION_BUS:-}" ]; then
  export BRAMBLET_TEST_SESSION_BUS=1
  exec dbus-run-session -- bash "${BASH_SOURCE[0]}" "$@"
fi
unset BRAMBLET_TEST_SESSION_BUS

services=$(mktemp -d -t bramblet-services.XXXXXX)
s3_pid=
keyring_pid=
stop() {
  [ -z "$s3_pid" ] || { kill "$s3_pid" 2>/dev/null || true; wait "$s3_pid" 2>/dev/null || true; }
  [ -z "$keyring_pid" ] || kill "$keyring_pid" 2>/dev/null || true
  rm -rf "$services"
}
trap stop EXIT

# Secret Service. An empty password never creates the login keyring, and saving would then wait
# for a prompt that nobody answers.
mkdir -p "$services"/{data,runtime}
chmod 700 "$services/runtime"
export XDG_DATA_HOME="$services/data"
export XDG_RUNTIME_DIR="$services/runtime"
keyring_env=$(printf %s bramblet-tests | gnome-keyring-daemon --unlock --components=secrets)
keyring_pid=$(printf '%s\n' "$keyring_env" | sed -n 's/^GNOME_KEYRING_PID=//p')

# S3-compatible server over HTTPS, trusted by the tests through its own certificate.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 \
  -addext subjectAltName=IP:127.0.0.1,DNS:localhost \
  -keyout "$services/s3.key" -out "$services/s3.crt" 2>/dev/null
bucket=bramblet-tests
# The server makes continuation tokens of truncated listings with DES, which OpenSSL 3 keeps in
# its legacy provider.
node --openssl-legacy-provider "$root/Tests/node_modules/s3rver/bin/s3rver.js" -d "$services/s3" -a 127.0.0.1 -p 0 \
  --configure-bucket "$bucket" --key "$services/s3.key" --cert "$services/s3.crt" --silent \
  >"$services/s3.log" 2>&1 &
s3_pid=$!
port=
for _ in $(seq 300); do
  port=$(sed -n 's/^S3rver listening on .*:\([0-9]*\)$/\1/p' "$services/s3.log")
  [ -n "$port" ] && break
  kill -0 "$s3_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$port" ]; then
  echo "with-test-services: the S3 server did not start:" >&2
  cat "$services/s3.log" >&2
  exit 1
fi

export BRAMBLET_TEST_SERVICES=1
export BRAMBLET_TEST_S3_PORT="$port"
export BRAMBLET_TEST_S3_CA="$services/s3.crt"
export BRAMBLET_TEST_S3_BUCKET="$bucket"
# The same certificate and its key, for loopback TLS servers that the tests start themselves.
export BRAMBLET_TEST_TLS_CERT="$services/s3.crt"
export BRAMBLET_TEST_TLS_KEY="$services/s3.key"

status=0
"$@" || status=$?
exit "$status"
