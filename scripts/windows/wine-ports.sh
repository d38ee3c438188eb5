# Sourced by test.sh: the COM ports of a Wine prefix, kept off this machine's serial devices.
#
# Wine's mount manager gives each serial device it finds (/dev/ttyS0, this machine's console, among
# them) the first COM number the prefix's registry (HKLM\Software\Wine\Ports) does not name, and
# links dosdevices/comN to it whenever the prefix's services start again, over any link made by
# hand. So every number the programs may open, COM1 to COM16 (the port search's range), is named
# in the registry: COM1 the simulated reader's pseudo-terminal, the others idle pseudo-terminals
# of their own. The machine's devices then come after COM16, where no program looks.
# A number named with an empty text is no good: Wine opens it as a device that answers nothing.

# How many COM numbers the programs may open.
wine_port_count=16

# Starts a process holding idle pseudo-terminals for COM2 to COM16 (what is written to them is
# read and dropped); their paths, one a line, in FILE. Its pid goes to sims and idle_ports.
start_idle_ports() { # FILE
    python3 - "$1" "$((wine_port_count - 1))" <<'EOF' &
import os, pty, select, sys, tty
pairs = [pty.openpty() for _ in range(int(sys.argv[2]))]
for _, follower in pairs:
    tty.setraw(follower)
with open(sys.argv[1] + '.part', 'w') as out:
    out.writelines(os.ttyname(follower) + '\n' for _, follower in pairs)
os.rename(sys.argv[1] + '.part', sys.argv[1])
leaders = [leader for leader, _ in pairs]
while True:
    for leader in select.select(leaders, [], [])[0]:
        os.read(leader, 4096)
EOF
    idle_ports=$!
    sims+=("$idle_ports")
    for _ in $(seq 600); do [[ -s $1 ]] && return 0; sleep 0.1; done
    return 1
}

# Names COM1 to COM16 in the prefix's registry, each to the pseudo-terminal in wine_ports (index 1
# to 16), then starts the prefix's server and services again, so that the mount manager links
# them and the system's port map lists only those and what comes after.
name_wine_ports() {
    local reg="$work/ports.reg" n
    {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n'
        printf '[-HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\r\n\r\n'
        printf '[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\r\n'
        for ((n = 1; n <= wine_port_count; n++)); do
            printf '"COM%d"="%s"\r\n' "$n" "${wine_ports[n]}"
        done
    } >"$reg"
    wine regedit /S "$(windows_path "$reg")" >/dev/null 2>&1
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    # The server says what it holds on its standard error when it is stopped.
    wineserver -p >/dev/null 2>&1
    wine wineboot >/dev/null 2>&1
}

# Whether every COM number a program may open leads to its pseudo-terminal and the simulated
# reader still runs, so that nothing reaches another program's terminal or a serial device.
# Says what is wrong when not.
wine_ports_safe() {
    local n target
    if ! kill -0 "$com1_sim" 2>/dev/null || ! kill -0 "$idle_ports" 2>/dev/null; then
        echo "the simulated reader on COM1 or the idle ports have stopped" >&2
        return 1
    fi
    for ((n = 1; n <= wine_port_count; n++)); do
        target=$(readlink -f "$WINEPREFIX/dosdevices/com$n" 2>/dev/null || true)
        # A pseudo-terminal's number is given again at once once it is gone.
        if [[ $target != "${wine_ports[n]}" || $target != /dev/pts/* || ! -c $target ]]; then
            echo "COM$n leads to '${target:-nothing}', not to ${wine_ports[n]}" >&2
            return 1
        fi
    done
}
