// The game's state in words on the desktop: nowhere, the window shows it all.
#include "platform/status.h"

void platformShowStatus(int, bool, bool, int, int) {}
