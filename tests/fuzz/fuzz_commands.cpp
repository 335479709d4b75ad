// Fuzzes what the commands read from outside into command lines: the
// Windows directory, the companion's recorded folder, and the uninstall
// command in the registry (any bytes, with or without a terminating zero).
// Every command line started fits its buffer and is exactly what the value
// makes of it; nothing started means the launcher was brought back.
#include "fuzz_support.h"

static void OpenLauncher()
{
    standin::Reset();
    Launcher = LauncherState();
    standin::SetDrives({ "A:\\", "C:\\", "E:\\" });
    standin::DriveTypes['E'] = DRIVE_CDROM;
    standin::AddFile("E:\\kelvando.id");
    standin::AddFile("E:\\autorun.inf", "[install]\r\nuninstkey=Orvik\r\ninstkey=orvik.exe\r\n");
    standin::Idle = [] { return false; };
    REQUIRE(RunLauncher((HINSTANCE)1) == 0);
    REQUIRE(Launcher.MainWindow != NULL);
}

// Whether the program a command line starts is named with its folder: the
// launcher never leaves a bare name to CreateProcess's search.
static bool NamesItsFolder(const std::string& commandLine)
{
    size_t start = commandLine.find_first_not_of(" \t");
    if (start == std::string::npos)
        return false;
    bool quoted = commandLine[start] == '"';
    std::string program = commandLine.substr(start + quoted);
    program = program.substr(0, program.find_first_of(quoted ? "\"" : " \t"));
    return program.find_first_of("\\/:") != std::string::npos;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The input: a selector byte, then the value.
    if (size == 0)
        return 0;
    std::string value((const char*)data + 1, size - 1);
    OpenLauncher();
    if (data[0] & 1) {
        standin::SetValue("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvik", "UninstallString", value);
        if (data[0] & 2)
            standin::NextStartError = ERROR_ELEVATION_REQUIRED;
        LauncherWindowProc(Launcher.MainWindow, WM_USER, Uninstall, 0);
        std::string expected = value.substr(0, value.find('\0'));
        bool fits = value.size() <= (size_t)CommandLineSize &&
                    (value.size() < (size_t)CommandLineSize || value.back() == '\0');
        if (!fits) {
            REQUIRE(standin::Started.empty());
        } else {
            // As recorded, or its program named without a folder found in
            // the system's folders (PATH is empty here); or nothing.
            REQUIRE(standin::Started.size() <= 1);
            for (const auto& start : standin::Started)
                REQUIRE(start.commandLine == expected || NamesItsFolder(start.commandLine));
        }
        bool watched = standin::TimerRunning(ChildExitTimerId);
        bool shown = standin::FindWindowRecord(Launcher.MainWindow)->width == WINDOW_WIDTH;
        REQUIRE(watched != shown);  // either watched while hidden, or back at once
        for (const auto& shell : standin::ShellStarts)
            REQUIRE(shell.file.size() < (size_t)CommandLineSize && shell.parameters.size() < (size_t)CommandLineSize);
    } else {
        std::string directory = value.substr(0, value.find('\0'));
        std::string folder = directory.substr(0, directory.size() / 2);
        directory = directory.substr(directory.size() / 2);
        standin::WindowsDirectory = directory;
        if (!directory.empty())
            standin::AddFile(directory + "\\orvik.ini", "[INSTALL]\r\nDIR=" + folder + "\r\n");
        LauncherWindowProc(Launcher.MainWindow, WM_USER, Run, 0);
        bool usable = !directory.empty() && directory.size() + strlen("\\orvik.ini") < (size_t)PathSize;
        REQUIRE(standin::Started.size() <= (usable ? 1u : 0u));
        for (const auto& start : standin::Started)
            REQUIRE(start.commandLine.size() < (size_t)CommandLineSize && NamesItsFolder(start.commandLine));
    }
    return 0;
}
