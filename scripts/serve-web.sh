#!/bin/sh
# Serves the browser build (dist/web/, made by scripts/build-web.sh) on this
# machine only, and prints the address to open:
#
#   scripts/serve-web.sh [PORT]     # default 8000; 0 picks a free port
#
# Ctrl+C stops it. Needs Debian's /usr/bin/python3.
set -eu
cd "$(dirname "$0")/.."
. scripts/lib.sh

port=${1:-8000}
bad_port() {
  say "the port must be a number from 0 to 65535, not '$port'"
  exit 2
}
case "$port" in '' | *[!0-9]* | ??????*) bad_port ;; esac
[ "$port" -le 65535 ] || bad_port
[ -f dist/web/index.html ] || fail "no dist/web/index.html; run scripts/build-web.sh first"
[ -x /usr/bin/python3 ] || fail "no /usr/bin/python3 (apt-get install python3)"

exec /usr/bin/python3 - dist/web "$port" <<'EOF'
import functools
import http.server
import sys

folder, port = sys.argv[1], int(sys.argv[2])


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      '.js': 'text/javascript', '.wasm': 'application/wasm'}

    def end_headers(self):
        self.send_header('Cache-Control', 'no-cache')
        super().end_headers()

    def log_message(self, format, *args):
        pass


try:
    server = http.server.ThreadingHTTPServer(('127.0.0.1', port), functools.partial(Handler, directory=folder))
except OSError as e:
    print(f'serve-web: cannot listen on 127.0.0.1:{port}: {e.strerror}', file=sys.stderr)
    sys.exit(1)
print(f'Zorbly is at http://127.0.0.1:{server.server_address[1]}/ (Ctrl+C stops)', flush=True)
try:
    server.serve_forever()
except KeyboardInterrupt:
    pass
EOF
