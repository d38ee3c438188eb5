#!/bin/bash
# The guest's side of the rig, started by systemd from the folder that the host shares: it runs each
# command file that the host drops into /rig/q (N.cmd, moved in whole) in the background, with
# window.sh's helpers at hand, and leaves its output in N.out and then its exit status in N.rc.
queue=/rig/q
mkdir -p "$queue"
# The host takes this file as the sign that the guest is up.
awk '{ print $1 }' /proc/uptime >/rig/ready.tmp && mv /rig/ready.tmp /rig/ready
while :; do
    for command in "$queue"/*.cmd; do
        [[ -e $command ]] || continue
        job=${command%.cmd}
        mv "$command" "$job.run"
        (
            cd /tmp
            timeout -k 5 1200 bash -c 'source /rig/window.sh && source "$1"' rig "$job.run" \
                >"$job.out" 2>&1
            echo $? >"$job.rc.tmp"
            mv "$job.rc.tmp" "$job.rc"
        ) &
    done
    sleep 0.1
done
