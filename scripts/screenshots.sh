#!/usr/bin/env bash
# make screenshots: the demo fleet and SORPEX under Xvfb with the Japanese locale, driven with key
# presses as a user would drive it; writes PNGs of the main window after F5 with its supply bars
# and status marks (and with the tooltip of a 最少残量 cell), the find bar, the progress dialog, the
# entry dialog, both settings dialogs, the usage dialog, and the window under a dark palette into
# OUTPUT-FOLDER. Takes a minute at most, and
# stops Xvfb, the fleet and SORPEX however it ends.
#
#   scripts/screenshots.sh PROGRAM OUTPUT-FOLDER
set -euo pipefail
# The whole run is bounded: a step that hangs ends it, and the traps below clean up.
if [ -z "${SORPEX_SCREENSHOTS_BOUNDED:-}" ]; then
    SORPEX_SCREENSHOTS_BOUNDED=1 exec timeout 120 "$0" "$@"
fi
program=$(realpath "$1")
output=$(realpath -m "$2")
here=$(cd "$(dirname "$0")" && pwd)
work=$(dirname "$program")/../screenshots
base=127.0.30 # the loopback block of make screenshots (tests/LOOPBACK.md)
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8

pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
}
trap cleanup EXIT
trap 'echo "screenshots: stopped" >&2; exit 1' TERM INT

fail() {
    echo "screenshots: $*" >&2
    exit 1
}

# An X server on a free display number, which it prints on descriptor 3.
rm -rf "$work"
mkdir -p "$work" "$output"
work=$(realpath "$work")
# A full-HD screen: a first start fits the window to it with every column in sight.
Xvfb -displayfd 3 -nolisten tcp -screen 0 1920x1080x24 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
number=
for _ in $(seq 1 200); do
    number=$(head -n 1 "$work/display")
    [ -n "$number" ] && break
    sleep 0.1
done
[ -n "$number" ] || fail "Xvfb did not start (see $work/xvfb.log)"
export DISPLAY=":$number"

# The fleet, with a settings file and list of its own in the work folder.
"$here/demo.sh" "$program" --fleet-only --base "$base" --folder "$work/demo" >"$work/fleet.log" 2>&1 &
pids+=($!)
for _ in $(seq 1 300); do
    grep -qx ready "$work/fleet.log" 2>/dev/null && break
    kill -0 "${pids[-1]}" 2>/dev/null || fail "the fleet did not start (see $work/fleet.log)"
    sleep 0.1
done
grep -qx ready "$work/fleet.log" || fail "the fleet did not start (see $work/fleet.log)"

# Silent devices keep the progress dialog up for three seconds; the supplies are asked; a weekly
# report mail fills the repeat dialog; the paths are relative, so the pictures do not depend on where the tree lies.
/usr/bin/python3 - "$work/demo/SORPEX.ini" <<'EOF'
import re
import sys
path = sys.argv[1]
text = open(path, "rb").read().decode("cp932")
text = re.sub(r"DefalutCSV=[^\r]*", "DefalutCSV=demo.csv", text)
text = re.sub(r"DefalutSavePath=[^\r]*", "DefalutSavePath=reports", text)
text = text.replace("TimeOut=1", "TimeOut=3")
text = text.replace("Auto_Save=OFF", "Auto_Save=OFF\r\nSupplies=1")
text += ("[ReportParam]\r\nReport=YES\r\nMailServer=192.0.2.25\r\nPort=25\r\n"
         "FromAdd=<sorpex@example.co.jp>\r\nToAdd=<soumu@example.co.jp>\\n<jousys@example.co.jp>\r\n"
         "Subject=[SORPEX]プリンタ月報\r\n"
         "[AutoStartParam]\r\nAutoStart=YES\r\nCycle=Weekly\r\nTriger=Mon;Thu\r\nTime=7:30\r\n")
open(path, "wb").write(text.encode("cp932"))
EOF

(cd "$work/demo" && exec "$program") >"$work/sorpex.log" 2>&1 &
pids+=($!)
sorpex=$!

# The visible window whose title matches, once it has shown; fails when none shows in 20 s.
window() {
    local id
    id=$(timeout 20 xdotool search --sync --onlyvisible --name "$1" | head -n 1) || true
    [ -n "$id" ] && echo "$id"
}
shoot() {
    sleep 0.5 # let it paint
    import -window "$1" "$output/$2"
    echo "$output/$2"
}
gone() {
    for _ in $(seq 1 200); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    fail "\"$1\" did not close"
}
press() {
    xdotool windowfocus --sync "$main" key --delay 100 "$@"
}

main=$(window '^demo - SORPEX$') || fail "no main window (see $work/sorpex.log)"

press F5
progress=$(window '^プリンター情報取得状況$') || fail "no progress dialog"
sleep 0.5
shoot "$progress" progress-dialog.png
gone '^プリンター情報取得状況$'
shoot "$main" main-window.png
# The mouse over the 最少残量 cell of the second row: its tooltip, a window of its own, names the
# lowest supply, so the picture is cut from the screen.
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool windowfocus --sync "$main" mousemove --window "$main" $((WIDTH * 1305 / 1664)) 92
sleep 0.3
xdotool mousemove_relative 1 1
sleep 2
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$output/main-window-supplies.png"
echo "$output/main-window-supplies.png"
xdotool mousemove 0 0

press Insert
entry=$(window '^プリンタ情報$') || fail "no entry dialog"
shoot "$entry" entry-dialog.png
xdotool key Escape
gone '^プリンタ情報$'

# 操作 menu: acquire, range, usage, repeat settings, environment settings.
press alt+o Down Down Down Return
repeat=$(window '^繰り返し取得設定$') || fail "no repeat settings dialog"
shoot "$repeat" repeat-settings.png
xdotool key Escape
gone '^繰り返し取得設定$'

press alt+o Down Down Down Down Return
config=$(window '^環境設定$') || fail "no environment settings dialog"
shoot "$config" environment-settings.png
xdotool key Escape
gone '^環境設定$'

# The usage of the demo fleet's reports last month, as the dialog opens.
press alt+o Down Down Return
usage=$(window '^使用枚数$') || fail "no usage dialog"
shoot "$usage" usage-dialog.png
xdotool key Escape
gone '^使用枚数$'

# Ctrl+F and a system name: the rows of prn-10 ... prn-19 alone.
press ctrl+f
xdotool type --delay 100 prn-1
shoot "$main" find-bar.png
xdotool key Escape

# Once more under a dark palette, after a run.
kill "$sorpex"
wait "$sorpex" 2>/dev/null || true
(cd "$work/demo" && SORPEX_PALETTE=dark exec "$program") >"$work/sorpex-dark.log" 2>&1 &
pids+=($!)
main=$(window '^demo - SORPEX$') || fail "no main window under the dark palette (see $work/sorpex-dark.log)"
press F5
window '^プリンター情報取得状況$' >/dev/null || fail "no progress dialog under the dark palette"
gone '^プリンター情報取得状況$'
shoot "$main" main-window-dark.png
