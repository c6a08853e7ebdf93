#!/usr/bin/env bash
# A scripted session as a coding agent would hold it, against the built
# server, in a scratch HOME where the desktop app has switched saving on.
# Shows every request (→), response (←) and event (!).
set -euo pipefail

server=${1:-build/vesk-desktop-mcp}
home=$(mktemp -d)
events="$home/events.log"
trap 'rm -rf "$home"' EXIT

data_dir="$home/Library/Application Support/team.vesk.desktop"
outer=01JBQ7ZK3V9W2X4Y5Z6A7B8C9D
inner=01JBQ80000000000000000000A
mkdir -p "$data_dir"
printf '%s/%s\n' "$outer" "$inner" >"$data_dir/stories-sources.enabled"

coproc SERVER { HOME="$home" exec "$server" 2>"$events"; }
shown_events=0

show_new_events() {
  local lines
  lines=$(wc -l <"$events")
  if ((lines > shown_events)); then
    tail -n +$((shown_events + 1)) "$events" | head -n $((lines - shown_events)) | sed 's/^/!  /'
    shown_events=$lines
  fi
}

# send LINE [expect-answer]
send() {
  printf '→  %s\n' "$1"
  printf '%s\n' "$1" >&"${SERVER[1]}"
  if [[ ${2:-yes} == yes ]]; then
    local response
    IFS= read -r response <&"${SERVER[0]}"
    show_new_events
    printf '←  %.300s%s\n\n' "$response" "$( ((${#response} > 300)) && echo ' …')"
  else
    sleep 0.1
    show_new_events
    printf '   (no answer: a notification)\n\n'
  fi
}

sleep 0.1
show_new_events
send '{"jsonrpc":"2.0","id":0,"method":"initialize","params":{"protocolVersion":"2025-06-18","capabilities":{},"clientInfo":{"name":"claude-code","version":"2.0.0"}}}'
send '{"jsonrpc":"2.0","method":"notifications/initialized"}' no
send '{"jsonrpc":"2.0","id":1,"method":"tools/list"}'
send '{"jsonrpc":"2.0","id":2,"method":"prompts/list"}'
send '{"jsonrpc":"2.0","id":3,"method":"prompts/get","params":{"name":"story-seed"}}'
send '{"jsonrpc":"2.0","id":4,"method":"ping"}'
send 'this line is not JSON'
send '{"jsonrpc":"2.0","id":5,"method":"tools/call","params":{"name":"save_story_seed","arguments":{"title":"Checkout retries no longer double-charge","what_happened":"Payments retried after a timeout could charge twice. I made each retry reuse the first attempt'"'"'s idempotency key.","why_it_mattered":"Support stops refunding duplicate charges by hand.","open_questions":["How many duplicate charges did support refund last month?"]}}}'

exec {SERVER[1]}>&-
wait "$SERVER_PID" || true
show_new_events

echo
echo "The seed file the desktop app will show in Story sources:"
for seed in "$data_dir/story-seeds/$outer/$inner"/*.json; do
  echo "$seed" | sed "s#^$home#\$HOME#"
  cat "$seed"
  echo
done
