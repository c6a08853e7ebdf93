#!/bin/sh
# A scripted session as a coding agent would hold it, against the built
# server, in a scratch HOME where the desktop app has switched saving on.
# Shows every request (→), response (←) and event (!).
#   scripts/demo.sh [path/to/vesk-desktop-mcp]
set -eu

server=${1:-build/vesk-desktop-mcp}
home=$(mktemp -d)
events="$home/events.log"
trap 'rm -rf "$home"' EXIT

data_dir="$home/Library/Application Support/team.vesk.desktop"
outer=01JBQ7ZK3V9W2X4Y5Z6A7B8C9D
inner=01JBQ80000000000000000000A
mkdir -p "$data_dir"
printf '%s/%s\n' "$outer" "$inner" >"$data_dir/stories-sources.enabled"

# The session runs through two named pipes: requests on descriptor 3,
# responses on descriptor 4. Each open waits for the other end, so the
# server's two opens and ours meet in this order.
mkfifo "$home/requests" "$home/responses"
HOME="$home" "$server" <"$home/requests" >"$home/responses" 2>"$events" &
server_pid=$!
exec 3>"$home/requests" 4<"$home/responses"
shown_events=0

show_new_events() {
  lines=$(wc -l <"$events" | tr -d ' ')  # BSD wc pads the count with spaces
  if [ "$lines" -gt "$shown_events" ]; then
    tail -n "+$((shown_events + 1))" "$events" | head -n "$((lines - shown_events))" |
      sed 's/^/!  /'
    shown_events=$lines
  fi
}

# send LINE [no]: sends LINE and shows the answer, unless the second
# argument says that none will come.
send() {
  printf '→  %s\n' "$1"
  printf '%s\n' "$1" >&3
  if [ "${2:-}" = no ]; then
    printf '   (no answer: a notification)\n\n'
    return
  fi
  IFS= read -r response <&4
  show_new_events
  if [ "${#response}" -gt 300 ]; then
    printf '←  %s …\n\n' "$(printf '%s' "$response" | cut -c 1-300)"
  else
    printf '←  %s\n\n' "$response"
  fi
}

until [ -s "$events" ]; do sleep 0.1; done  # "ready"
show_new_events
send '{"jsonrpc":"2.0","id":0,"method":"initialize","params":{"protocolVersion":"2025-06-18","capabilities":{},"clientInfo":{"name":"claude-code","version":"2.0.0"}}}'
send '{"jsonrpc":"2.0","method":"notifications/initialized"}' no
send '{"jsonrpc":"2.0","id":1,"method":"tools/list"}'
send '{"jsonrpc":"2.0","id":2,"method":"prompts/list"}'
send '{"jsonrpc":"2.0","id":3,"method":"prompts/get","params":{"name":"story-seed"}}'
send '{"jsonrpc":"2.0","id":4,"method":"ping"}'
send 'this line is not JSON'
send '{"jsonrpc":"2.0","id":5,"method":"tools/call","params":{"name":"save_story_seed","arguments":{"title":"Checkout retries no longer double-charge","what_happened":"Payments retried after a timeout could charge twice. I made each retry reuse the first attempt'"'"'s idempotency key.","why_it_mattered":"Support stops refunding duplicate charges by hand.","open_questions":["How many duplicate charges did support refund last month?"]}}}'

# End of input: the server writes its last event and exits.
exec 3>&-
wait "$server_pid" || true
exec 4<&-
show_new_events

echo
echo "The seed file the desktop app will show in Story sources:"
for seed in "$data_dir/story-seeds/$outer/$inner"/*.json; do
  printf '%s\n' "\$HOME${seed#"$home"}"
  cat "$seed"
  echo
done
