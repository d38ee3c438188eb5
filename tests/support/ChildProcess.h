#pragma once

#include <QProcess>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

// Makes a process that a test starts die with the test, also when the test is killed outright
// (ctest's timeout): the kernel sends the child SIGKILL when the test goes. A test that died before
// the child made the request would never send it, hence the check of the parent.
inline void die_with_test(QProcess& process)
{
    const pid_t test = getpid();
    process.setChildProcessModifier([test] {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != test)
            _exit(1);
    });
}
