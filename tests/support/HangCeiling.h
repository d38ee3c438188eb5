#pragma once

#include <QTest>

// How long a test waits for an event before it takes the wait for a hang: a loaded two-core
// machine never comes near it, so a failure at the ceiling is a hang, not a slow run.
constexpr int hang_ceiling_ms = 60000;

// Turns the event loop until ready() holds; false only at the ceiling.
template <typename Ready> bool wait_for(Ready ready)
{
    return QTest::qWaitFor(ready, hang_ceiling_ms);
}
