#pragma once

#include "CommResult.h"

class SerialControl;

// Opens CommPort as the card reader needs it: its line settings, every waiting byte taken at
// once, DTR and RTS on. The window's default port and novard-cli's port open this way.
CommResult open_for_reader(SerialControl& line);
