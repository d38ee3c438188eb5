#pragma once

class Desktop;
class QString;
class QWidget;

// Opens the system's properties: on Windows the control panel's system-properties panel
// (sysdm.cpl), on Linux the desktop's own settings program in its place, whichever is installed
// first in a short list. Says so in a box captioned title when it cannot; never waits for the
// panel.
void open_system_properties(Desktop& desktop, QWidget* parent, const QString& title);
