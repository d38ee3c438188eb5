#!/usr/bin/env bash
# The real-kernel rig: boots a Debian 12 guest under QEMU with an emulated FTDI USB serial adapter
# whose host side is the simulated reader, installs the .deb built in BUILD_DIR there, and drives
# the installed novard-demo as an operator would: real clicks under Xvfb, the window read through
# the AT-SPI bridge, adapters pulled and plugged through QEMU's monitor (QMP).
# Usage: tests/rig/run.sh BUILD_DIR
# Prints one PASS/FAIL line per check with its time, then the figures measured and the slowest
# calls into the guest; exit 0 when all passed, 1 on a failure, and 77 with one line "rig skipped:
# why" when the rig cannot run on this machine.
#
# QEMU without KVM emulates the guest in software, whose speed swings most with the host's load: a
# step in the guest takes a second at one time and a minute at another. So nothing here is bounded
# by how long it takes: every wait is for an event, and its ceiling (hang, below, and the guest's
# own in window.sh) is only reached by a guest or a tool that hangs. What a time tells, such as how
# soon a pulled reader is told, is printed as a figure.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "${1:?usage: tests/rig/run.sh BUILD_DIR}")

skip() {
    echo "rig skipped: $*"
    exit 77
}
[[ $(id -u) == 0 ]] || skip "not root (debootstrap needs it)"
for tool in qemu-system-x86_64 qemu-img debootstrap socat mkfs.ext4 wget; do
    command -v "$tool" >/dev/null || skip "no $tool"
done
package=$(cmake --build "$build" --target package 2>&1) || { echo "$package" >&2; exit 1; }
debs=("$build"/novard-demo_*.deb)
sim=$build/bin/novard-reader-sim
[[ -x $sim ]] || sim=$build/tools/reader_sim/novard-reader-sim
[[ -f ${debs[0]} && -x $sim ]] || { echo "no package or simulator in $build" >&2; exit 1; }

started=$(date +%s)
image=$("$here/build-image.sh" "${debs[0]}")
status=$?
[[ $status == 77 ]] && skip "$image"
((status == 0)) || exit 1
echo "image $image ($(($(date +%s) - started)) s)"

# Only a hang reaches it: the guest's agent ends every job in 20 minutes (agent.sh).
hang=1300
run=$(mktemp -d /tmp/novard-rig.XXXXXX)
share=$run/share
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    if [[ ${NOVARD_RIG_KEEP:-0} == 1 ]]; then
        echo "rig: the run's files are in $run"
    else
        rm -rf "$run"
    fi
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP
mkdir -p "$share/q"
cp "$here"/guest/* "$share/"
cp "${debs[0]}" "$share/novard-demo.deb"
qemu-img create -q -f qcow2 -b "$image/base.raw" -F raw "$run/overlay.qcow2"

# KVM only where the processor offers it: without vmx or svm, -enable-kvm hangs at boot.
accel=tcg
[[ -c /dev/kvm ]] && grep -qwE 'vmx|svm' /proc/cpuinfo && accel=kvm

# The reader's adapter (READER1) is joined through a socket to the simulated reader; the other one
# (OTHER9) has nothing behind it and stays plugged regardless.
qemu-system-x86_64 -accel "$accel" -m 1024 -smp 1 -nodefaults -no-user-config -display none \
    -kernel "$image/vmlinuz" -initrd "$image/initrd.img" \
    -append 'root=/dev/vda rw console=ttyS0 quiet systemd.show_status=0' \
    -drive "file=$run/overlay.qcow2,if=virtio,format=qcow2" \
    -virtfs "local,path=$share,mount_tag=rig,security_model=none,id=rig" \
    -serial "file:$run/console.log" -nic none \
    -qmp "unix:$run/qmp.sock,server=on,wait=off" \
    -device qemu-xhci,id=xhci \
    -chardev "socket,id=reader,path=$run/reader.sock,server=on,wait=off" \
    -device usb-serial,id=reader1,bus=xhci.0,chardev=reader,serial=READER1 \
    -chardev null,id=other 2>"$run/qemu.log" &
pids+=($!)
qemu_started=$SECONDS
"$sim" "$run/reader" >"$run/sim.out" 2>&1 &
pids+=($!)
until [[ -S $run/reader.sock && -L $run/reader ]] || ((SECONDS - qemu_started > hang)); do
    sleep 0.1
done
socat "UNIX-CONNECT:$run/reader.sock" "FILE:$run/reader,rawer" &
pids+=($!)

# --- the guest's agent: command files in, output and status out -----------------------------------
# guest_start SCRIPT: hands a script to the guest; $job names it (checks run in subshells, so the
# name is the clock's, not a counter's).
guest_start() {
    job=$(date +%s%N)
    printf '%s\n' "$1" >"$share/q/$job.tmp"
    mv "$share/q/$job.tmp" "$share/q/$job.cmd"
}
# guest_wait JOB: its output, and its status as ours.
guest_wait() {
    local deadline=$((SECONDS + hang))
    until [[ -e $share/q/$1.rc ]]; do
        if ((SECONDS >= deadline)) || ! kill -0 "${pids[0]}" 2>/dev/null; then
            cat "$share/q/$1.out" 2>/dev/null
            echo "(no answer in $((SECONDS + hang - deadline)) s; QEMU's log:)"
            cat "$run/qemu.log"
            return 124
        fi
        sleep 0.1
    done
    cat "$share/q/$1.out"
    return "$(cat "$share/q/$1.rc")"
}
# guest SCRIPT; the time each took goes to calls.log.
guest() {
    local start=$SECONDS status
    guest_start "$1"
    guest_wait "$job"
    status=$?
    printf '%4d s  status %d  %s\n' $((SECONDS - start)) $status "${1%%$'\n'*}" >>"$run/calls.log"
    return $status
}

# --- QEMU's monitor: pulling and plugging adapters ------------------------------------------------
qmp() {
    local reply
    reply=$(printf '%s\n' '{"execute":"qmp_capabilities"}' "$1" |
        timeout 10 socat -t 1 - "UNIX-CONNECT:$run/qmp.sock") || return
    printf '%s\n' "$reply"
    ! grep -q '"error"' <<<"$reply"
}
present() {
    local path='"path":"/machine/peripheral/'$1'","property":"type"'
    qmp '{"execute":"qom-get","arguments":{'"$path"'}}' >/dev/null
}
# pull ID: the adapter out, and gone from the machine.
pull() {
    local reply deadline=$((SECONDS + hang))
    reply=$(qmp '{"execute":"device_del","arguments":{"id":"'"$1"'"}}') ||
        { echo "$reply"; return 1; }
    while ((SECONDS < deadline)); do
        present "$1" || return 0
        sleep 0.2
    done
    echo "$1 was not pulled"
    return 1
}
# plug ID CHARDEV SERIAL [always-plugged]
plug() {
    local arguments='"driver":"usb-serial","bus":"xhci.0","id":"'$1'"'
    arguments+=',"chardev":"'$2'","serial":"'$3'"'
    [[ -z ${4:-} ]] || arguments+=',"always-plugged":true'
    local reply deadline=$((SECONDS + hang))
    # A pulled adapter lets go of its chardev a moment after it has left the machine.
    while ((SECONDS < deadline)); do
        reply=$(qmp '{"execute":"device_add","arguments":{'"$arguments"'}}') && return
        grep -q 'is in use' <<<"$reply" || break
        sleep 0.2
    done
    printf '%s\n' "$reply"
    return 1
}
plug_reader() { plug reader1 reader READER1; }
plug_other() { plug other9 other OTHER9 always; }

# --- checks ---------------------------------------------------------------------------------------
passed=0
failed=0
clean=1
# check NAME FUNCTION: runs one check and prints its line; its output only when it failed.
check() {
    local start=$SECONDS output status
    output=$("$2" 2>&1)
    status=$?
    if ((status == 0)); then
        passed=$((passed + 1))
        clean=1
        printf 'PASS  %-26s %4d s\n' "$1" $((SECONDS - start))
    else
        failed=$((failed + 1))
        clean=0
        printf 'FAIL  %-26s %4d s\n' "$1" $((SECONDS - start))
        sed 's/^/      /' <<<"$output"
    fi
}

lost_text='연결이 끊어졌습니다 — 리더를 다시 연결하십시오'
other_text='자리에 다른 장치가 연결되었습니다 — 리더를 다시 연결하십시오'
label=$'^label\t명령과 통신포트 상태\t'

# settle [anew]: the reader plugged alone; after a failed check, or when asked, plugged in again as
# ttyUSB0 and the operator's tool started anew on it.
settle() {
    if present other9; then pull other9 || return; fi
    if ((clean)) && [[ -z ${1:-} ]]; then
        present reader1 || plug_reader
        return
    fi
    if present reader1; then pull reader1 || return; fi
    plug_reader || return
    guest "within '[[ \$(tty_of READER1) == ttyUSB0 ]]' && stop_tool operator &&
           start_tool operator && shows '${label}9600,n,8,1\t'"
}

boot() {
    local deadline=$((SECONDS + 3 * hang))
    until [[ -e $share/ready ]]; do
        if ((SECONDS >= deadline)); then
            echo "no agent after $((3 * hang)) s; the console:"
            tail -n 30 "$run/console.log"
            return 1
        fi
        kill -0 "${pids[0]}" 2>/dev/null || { echo "QEMU stopped:"; cat "$run/qemu.log"; return 1; }
        sleep 0.5
    done
    echo "the guest's agent is up after $((SECONDS - qemu_started)) s" \
        "($(cat "$share/ready") s of the guest's time)"
    # Debian has a group "operator" already: the users take the common group "users".
    guest 'useradd -m -N -G dialout operator && useradd -m -N visitor &&
           { apt-get install -y -qq /rig/novard-demo.deb >/tmp/install.log 2>&1 ||
               { tail -n 20 /tmp/install.log; exit 1; }; } &&
           desktop operator :1'
}

ports_and_commands() {
    local listing read
    listing=$(guest 'as operator novard-demo --list-ports') || { echo "$listing"; return 1; }
    grep -qx 'COM1 /dev/ttyUSB0 QEMU USB SERIAL' <<<"$listing" ||
        { echo "--list-ports printed: $listing"; return 1; }
    # The command line numbers the system's ports as the window does, and reads a card through it.
    listing=$(guest 'as operator novard-cli ports') || { echo "$listing"; return 1; }
    grep -qx 'COM1 /dev/ttyUSB0 QEMU USB SERIAL' <<<"$listing" ||
        { echo "novard-cli ports printed: $listing"; return 1; }
    read=$(guest 'as operator novard-cli read 04 --json') || { echo "$read"; return 1; }
    grep -q '"result":"completed"' <<<"$read" || { echo "novard-cli read printed: $read"; return 1; }
    guest "start_tool operator &&
           shows '${label}9600,n,8,1\t' \$'^radio button\t/dev/ttyUSB0\tCOM1\tchecked' \
               \$'^list item\t[^\t]*\tCOM1\t' &&
           exchange cmd_read R '카드 읽기 완료' &&
           click cmdeditwrtest &&
           exchange cmdwrite N '카드 발행 완료' &&
           exchange cmdeditwrite W '카드 수정 완료' &&
           grep -E ' (open|sent|recv) ' /tmp/rig-operator/trace.log &&
           grep -q ' open  /dev/ttyUSB0\$' /tmp/rig-operator/trace.log"
}

line_signals() {
    settle || return
    guest "shows \$'^check box\t[^\t]*\tDTR\tchecked' \$'^check box\t[^\t]*\tRTS\tchecked' &&
           lines=\$(modem_lines /dev/ttyUSB0) && echo \"\$lines\" &&
           [[ \$lines == 'modem lines up: DTR RTS' ]] &&
           settings=\$(stty -a -F /dev/ttyUSB0) && echo \"\$settings\" &&
           grep -q 'speed 9600 baud' <<<\"\$settings\" &&
           for flag in cs8 -parenb -cstopb -crtscts -ixon -ixoff; do
               tr ' ;' '\n\n' <<<\"\$settings\" | grep -qx -- \$flag ||
                   { echo \"not \$flag\"; exit 1; }
           done"
}

# pull_watched PORT: the reader out while the window is watched, until Label tells; how soon it
# told is a figure, which the guest's emulated speed makes no bound.
pull_watched() {
    local watch output deadline=$((SECONDS + hang))
    guest_start "as operator python3 /rig/window.py watch-loss ttyUSB0 '명령과 통신포트 상태' \
        '$1 $lost_text'"
    watch=$job
    until grep -q watching "$share/q/$watch.out" 2>/dev/null || [[ -e $share/q/$watch.rc ]]; do
        ((SECONDS < deadline)) || break
        sleep 0.1
    done
    pull reader1 || return
    output=$(guest_wait "$watch") || { echo "$output"; return 1; }
    echo "$output"
    sed -n "s/^shown \([0-9]*\) ms after.*/Label told the pull of $1 \1 ms after the kernel/p" \
        <<<"$output" >>"$run/figures.log"
}

pull_and_plug() {
    settle || return
    pull_watched COM1 || return
    plug_reader || return
    guest "shows '${label}COM1 PORT ON\t' && exchange cmd_read R '카드 읽기 완료'"
}

click_while_missing() {
    settle || return
    pull reader1 || return
    guest "shows '${label}COM1 $lost_text' && click Optcom1 &&
           shows \$'^label\t[^\t]*\t존제 하지 않는 통신포트 입니다.\t' && press_ok" || return
    plug_reader || return
    guest "shows '${label}COM1 PORT ON\t' && exchange cmd_read R '카드 읽기 완료'"
}

another_adapter() {
    local from status=0
    settle || return
    pull reader1 || return
    from=$(guest "shows '${label}COM1 $lost_text' >/dev/null && trace_lines") ||
        { echo "$from"; return 1; }
    plug_other || return
    # Told once the node has stood without the reader's identity, and never opened.
    guest "within '[[ \$(tty_of OTHER9) == ttyUSB0 ]]' &&
           shows '${label}COM1 $other_text\t' &&
           ! tail -n +$((from + 1)) /tmp/rig-operator/trace.log | grep ' open '" || {
        guest "tail -n +$((from + 1)) /tmp/rig-operator/trace.log"
        status=1
    }
    pull other9 || return
    plug_reader || return
    guest "shows '${label}COM1 PORT ON\t' && exchange cmd_read R '카드 읽기 완료'" || return
    return $status
}

two_adapters() {
    settle || return
    pull reader1 || return
    plug_other || return
    guest "within '[[ \$(tty_of OTHER9) == ttyUSB0 ]]'" || return
    plug_reader || return
    guest "within '[[ \$(tty_of READER1) == ttyUSB1 ]]' &&
           click cmd_port_search &&
           shows \$'^radio button\t/dev/ttyUSB0\tCOM1\t' \$'^radio button\t/dev/ttyUSB1\tCOM2\t' \
               \$'^list item\t[^\t]*\tCOM2\t' &&
           click Optcom2 && shows '${label}COM2 PORT ON\t' &&
           exchange cmd_read R '카드 읽기 완료'" || return
    pull reader1 || return
    guest "shows '${label}COM2 $lost_text'" || return
    plug_reader || return
    guest "shows '${label}COM2 PORT ON\t' && exchange cmd_read R '카드 읽기 완료' &&
           click cmd_port_search && shows \$'^radio button\t/dev/ttyUSB1\tCOM2\t'"
}

# The lock first, then a user outside dialout on the port that it freed: while another program
# holds the port, its lock file, not the device's group, is what refuses.
stop_and_permission() {
    settle anew || return
    guest "pid=\$(cat /tmp/rig-operator/pid) &&
           lock=\$(grep -lx \"\$pid\" /run/lock/LCK..*) ||
               { echo 'the tool holds no lock in /run/lock'; exit 1; }
           echo \"the tool holds \$lock\"
           stop_tool operator || { echo 'the tool did not end'; exit 1; }
           [[ ! -e \$lock ]] || { echo \"\$lock is left\"; exit 1; }
           desktop visitor :2 && start_tool visitor &&
           as visitor python3 /rig/window.py wait \$hang '${label}.*사용자를 dialout 그룹에 추가한 뒤 다시 로그인하십시오' &&
           ! ls /run/lock/LCK..* 2>/dev/null"
}

if ! check boot boot; then
    echo "rig: $passed passed, $failed failed"
    exit 1
fi
check ports-and-commands ports_and_commands
check line-signals line_signals
check pull-and-plug pull_and_plug
check pull-click-while-missing click_while_missing
check another-adapter another_adapter
check two-adapters two_adapters
check stop-and-permission stop_and_permission
sed 's/^/figure  /' "$run/figures.log" 2>/dev/null
echo "the slowest calls into the guest:"
sort -rn "$run/calls.log" | head -n 5 | sed 's/^/  /'
echo "rig: $passed passed, $failed failed ($(($(date +%s) - started)) s)"
((failed == 0))
