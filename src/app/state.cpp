// The launcher's one state record, for the whole run.
#include "app/launcher.h"

LauncherState Launcher;
