// What the launcher relies on from the programs it starts or looks for but
// does not contain: the companion application, the disc's setup program and
// its installer window, the uninstaller and Notepad.
#ifndef AUTORUN_OUTSIDE_H
#define AUTORUN_OUTSIDE_H

// The launcher's own window identity, also how a second launcher sees it.
#define LAUNCHER_CLASS "Autorun"
#define LAUNCHER_TITLE "ZARNO KELVANDO(tm)"
// The mutex each launcher takes before anything else. Without a backslash
// the name is one of the session's own on Terminal Services (Local\ is
// implied), and Windows 95, which has one namespace, accepts it as it is.
#define LAUNCHER_MUTEX "ZarnoKelvandoAutorun"

// The companion application: its window while it runs, its settings file in
// the Windows directory and its program file in the folder recorded there.
#define COMPANION_CLASS "OrvikControl"
#define COMPANION_TITLE "Orvik"
#define COMPANION_SETTINGS_FILE "\\orvik.ini"
#define COMPANION_SETTINGS_SECTION "INSTALL"
#define COMPANION_SETTINGS_KEY "DIR"
// Quoted: unquoted, a folder with a blank in it ("C:\Program Files\...")
// would have CreateProcess try "C:\Program.exe" first.
#define COMPANION_COMMAND "\"%sorvik.exe\""

// Registry entries the companion's setup records under HKEY_LOCAL_MACHINE.
#define APP_PATHS_KEY_FORMAT "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\%s"
#define UNINSTALL_KEY_FORMAT "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s"
#define UNINSTALL_VALUE "UninstallString"

// The disc's files, each named from the disc's root ("E:\\"): the marker
// that tells the product disc from any other, and its configuration.
#define DISC_MARKER "%skelvando.id"
#define DISC_AUTORUN_INF "%sautorun.inf"

// The disc's setup program and the installer window it brings up. The
// commands take the disc's root between two quotes, "" for a root without
// blanks (a drive's root, as always) and a quote for one with blanks.
#define SETUP_COMMAND "%s%ssetup.exe%s"
#define INSTALLER_CLASS "InstallShield_Win"

// Notepad on the disc's read-me text.
// The path is the disc's root and the read-me's name (readme.txt, or the
// language's own); the command line takes it between quotes or none.
#define README_NAME "readme.txt"
#define README_PATH "%s%s"
#define README_COMMAND_LINE "notepad %s%s%s"
// Notepad's main window, the classic program's and the packaged Notepad's
// of Windows 11 alike, whose notepad.exe in the system folders hands the
// file to the packaged one and ends.
#define NOTEPAD_CLASS "Notepad"

#endif
