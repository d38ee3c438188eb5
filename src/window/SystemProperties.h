#pragma once

class Desktop;
class QString;
class QWidget;

// Opens the desktop's own settings program in place of a system-properties panel, whichever is
// installed first in a short list. Says so in a box captioned title when there is none; never waits
// for the panel.
void open_system_properties(Desktop& desktop, QWidget* parent, const QString& title);
