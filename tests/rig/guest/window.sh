# Helpers for the host's command files, sourced before each one runs in the guest: a desktop per
# user (Xvfb with a session bus for the AT-SPI bridge), the installed tool started on it, real
# clicks on its controls, what its window shows and what its wire trace holds.
title='NOVARD Read/Write DEMO'
# The ceiling of every wait here, only reached when something hangs: under software emulation on a
# loaded host a step takes anything from a second to minutes. The agent ends a job after 1200 s.
hang=1100

# The middle of each control clicked, in twips from the window's corner: the frame's place plus the
# control's place in it plus half its size, from the window's layout table (15 twips to a pixel).
declare -A middle=(
    [Optcom1]='240+240+975/2 2520+360+255/2'
    [Optcom2]='240+240+975/2 2520+720+255/2'
    [cmd_read]='5880+240+2295/2 2520+360+375/2'
    [cmdwrite]='5880+2640+2295/2 2520+360+375/2'
    [cmdeditwrite]='5880+2640+2295/2 2520+840+375/2'
    [cmdeditwrtest]='5880+240+2295/2 2520+840+375/2'
    [cmd_port_search]='5880+240+2295/2 3960+240+375/2'
)

home_of() { echo "/tmp/rig-$1"; }

# Runs a command as USER on that user's desktop.
as() {
    local user=$1 home
    home=$(home_of "$user")
    shift
    runuser -u "$user" -- env LANG=C.UTF-8 DISPLAY="$(cat "$home/display")" \
        XDG_RUNTIME_DIR="$home" DBUS_SESSION_BUS_ADDRESS="unix:path=$home/bus" \
        QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$@"
}

# desktop USER DISPLAY: an X server and a session bus of that user's own.
desktop() {
    local user=$1 home
    home=$(home_of "$user")
    install -d -m 700 -o "$user" "$home"
    echo "$2" >"$home/display"
    runuser -u "$user" -- setsid Xvfb "$2" -screen 0 1024x768x24 -nolisten tcp \
        >"$home/xvfb.log" 2>&1 &
    as "$user" dbus-daemon --session --address="unix:path=$home/bus" --fork >/dev/null || return
    within "as $user xdotool getmouselocation >/dev/null 2>&1" || { echo "no X server on $2"; return 1; }
}

# stop_tool USER: SIGTERM to that user's tool, and its end.
stop_tool() {
    local pid
    pid=$(cat "$(home_of "$1")/pid") || return
    kill -TERM "$pid" 2>/dev/null || return 0
    within "! kill -0 $pid"
}

# start_tool USER [OPTION...]: the installed novard-demo with a wire trace, once its window is up.
start_tool() {
    local user=$1 home window
    home=$(home_of "$user")
    shift
    as "$user" sh -c 'echo $$ >"$0"; exec setsid novard-demo "$@"' "$home/pid" \
        --trace "$home/trace.log" "$@" >"$home/tool.log" 2>&1 &
    window=$(as "$user" timeout $hang xdotool search --sync --onlyvisible --name "$title" | head -n 1)
    [[ -n $window ]] || { echo "no window; the tool said:"; cat "$home/tool.log"; return 1; }
    echo "$window" >"$home/window"
}

# click CONTROL: the operator's mouse on the middle of that control of the main window.
click() {
    local home x y
    home=$(home_of operator)
    read -r x y <<<"${middle[$1]}"
    as operator xdotool mousemove --window "$(cat "$home/window")" $(((x) / 15)) $(((y) / 15)) \
        click 1
}

# press_ok: a click on the OK button of the message box that is up; in Korean, Qt's own
# translation names it "확인".
press_ok() {
    local point
    point=$(as operator python3 /rig/window.py centre $'^push button\t[^\t]*\t(OK|확인)\t' $hang) || {
        echo "$point"
        return 1
    }
    as operator xdotool mousemove $point click 1
}

# shows REGEX...: waits until the operator's tool shows, for each pattern, a control whose line
# matches (see window.py: role, description, text, "checked", separated by tabs).
shows() {
    as operator python3 /rig/window.py wait "$hang" "$@"
}

# wire DIRECTION [FROM]: the bytes of the operator's trace in that direction (sent, recv) after
# line FROM, in hex.
wire() {
    awk -v from="${2:-0}" -v direction="$1" 'NR > from && $3 == direction {
        sub(/^[^ ]+ [^ ]+ [a-z]+ +/, ""); sub(/  .*/, ""); printf "%s ", $0 }' \
        "$(home_of operator)/trace.log" | sed 's/ $//'
}

trace_lines() { wc -l <"$(home_of operator)/trace.log"; }

hex() { printf '%s' "$1" | od -An -tx1 | tr a-f A-F | xargs; }

# exchange BUTTON LETTER MESSAGE: a click that sends one command frame with that letter, the
# reader's whole answer (ACK CR, then the card's CR) on the wire, and Label1 telling MESSAGE.
exchange() {
    local from sent received
    from=$(trace_lines)
    click "$1" || return
    within "[[ \$(wire recv $from | grep -o 0D | wc -l) -ge 2 ]]"
    received=$(wire recv "$from")
    sent=$(wire sent "$from")
    echo "$1: sent $sent; received $received"
    [[ $sent == "02 $(hex "$2") "*" 03" && $received == "06 0D "*"0D" ]] || return 1
    shows $'^label\t카드 처리 상태\t'"$3"$'\t'
}

# The device node that the adapter with this USB serial number has now.
tty_of() { basename "$(readlink -f /dev/serial/by-id/*"_$1-"*)"; }

# within CONDITION: until the shell condition holds.
within() {
    local deadline=$((SECONDS + hang))
    until eval "$1" 2>/dev/null; do
        ((SECONDS < deadline)) || { echo "not within $hang s: $1"; return 1; }
        sleep 0.2
    done
}

# modem_lines DEVICE: which of DTR and RTS are up, from a second descriptor on the device (root
# may open it although the tool holds it exclusively).
modem_lines() {
    python3 - "$1" <<'PYTHON'
import fcntl, os, struct, sys, termios
line = os.open(sys.argv[1], os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
bits = struct.unpack("i", fcntl.ioctl(line, termios.TIOCMGET, struct.pack("i", 0)))[0]
print("modem lines up:", *(name for name in ("DTR", "RTS") if bits & getattr(termios, "TIOCM_" + name)))
PYTHON
}
