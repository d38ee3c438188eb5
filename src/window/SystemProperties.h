#pragma once

class Desktop;
class QString;
class QWidget;

// Opens the operating system's system-properties panel: on Windows the System Properties page of
// the control panel, elsewhere the desktop's own settings program, whichever is installed first in
// a short list. Says so in a box captioned title when there is none; never waits for the panel.
void open_system_properties(Desktop& desktop, QWidget* parent, const QString& title);
