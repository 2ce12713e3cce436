#!/bin/sh
# Serves the browser build (dist/web/, made by scripts/build-web.sh) on this
# machine only, and prints the address to open:
#
#   scripts/serve-web.sh [PORT]     # default 8000; 0 picks a free port
#
# Ctrl+C stops it. Needs python3.
set -eu
cd "$(dirname "$0")/.."

port=${1:-8000}
case "$port" in
  ''|*[!0-9]*) echo "serve-web: the port must be a number from 0 to 65535, not '$port'" >&2; exit 2 ;;
esac
[ "$port" -le 65535 ] || { echo "serve-web: the port must be a number from 0 to 65535, not '$port'" >&2; exit 2; }
[ -f dist/web/index.html ] || { echo "serve-web: no dist/web/index.html; run scripts/build-web.sh first" >&2; exit 1; }
command -v python3 >/dev/null 2>&1 || { echo "serve-web: python3 is missing (apt-get install python3)" >&2; exit 1; }

exec python3 - dist/web "$port" <<'EOF'
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
