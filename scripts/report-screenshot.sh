#!/usr/bin/env bash
# Takes the README's screenshot of an HTML report with headless Chromium: the top of the page
# (summary and scatter plot) at a fixed size.
# Usage: scripts/report-screenshot.sh REPORT.html OUTPUT.png   (`make report-png` calls it)
set -euo pipefail

report=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
mkdir -p "$(dirname "$2")"
output=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
chromium=$(command -v chromium || command -v chromium-browser || true)
if [[ -z $chromium ]]; then
  echo "report-screenshot: no chromium; run scripts/install-deps.sh" >&2
  exit 1
fi
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
# The network stays off: no first-run, update, sync or background connections.
"$chromium" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --user-data-dir="$profile" --hide-scrollbars --force-device-scale-factor=1 \
  --window-size=960,1095 --screenshot="$output" "file://$report" 2>/dev/null >/dev/null
[[ -s $output ]] || { echo "report-screenshot: no screenshot written" >&2; exit 1; }
echo "$output"
