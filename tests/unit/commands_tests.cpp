// The five commands: command lines, hiding, and what happens when nothing
// starts.
#include "launcher_test.h"

#include <algorithm>

using namespace standin;

class Commands : public LauncherTest {
protected:
    void Command(int code) { Send(WM_USER, (WPARAM)code); }
    bool Hidden() { return MainWindowRecord().width == 0 && MainWindowRecord().x == -1; }
    bool Shown() { return MainWindowRecord().width == 640 && MainWindowRecord().x == 192; }
    // The window came back as after a watched program: moved to the centre
    // and a pointer move at (0, 0) posted.
    bool CameBack()
    {
        return Shown() && !Posted.empty() && Posted.back().message == WM_MOUSEMOVE && Posted.back().lParam == 0;
    }
};

TEST_F(Commands, InstallRunsSetupFromTheDiscAndWatchesIt)
{
    OpenWindow();
    Launcher.Panel.ButtonStates[Install] = Pressed;
    Launcher.Watch.Installer.Seen = 1;
    Command(Install);
    ASSERT_EQ(1u, Started.size());
    EXPECT_EQ("E:\\setup.exe", Started[0].commandLine);
    EXPECT_TRUE(Started[0].applicationNameNull);
    EXPECT_FALSE(Started[0].inheritHandles);
    EXPECT_EQ((DWORD)NORMAL_PRIORITY_CLASS, Started[0].creationFlags);
    EXPECT_EQ((DWORD)STARTF_USESHOWWINDOW, Started[0].startupFlags);
    EXPECT_EQ(SW_SHOWNORMAL, Started[0].showWindow);  // never SW_SHOWDEFAULT in STARTUPINFO
    EXPECT_TRUE(Started[0].environmentNull && Started[0].directoryNull);
    EXPECT_TRUE(Hidden());
    EXPECT_EQ(Normal, Launcher.Panel.ButtonStates[Install]);
    EXPECT_EQ(1, Launcher.Watch.Installer.Launched);
    EXPECT_EQ(0, Launcher.Watch.Installer.Seen);
    EXPECT_EQ(1000u, Launcher.Watch.Child.Id);
    EXPECT_TRUE(TimerRunning(100));
    EXPECT_EQ(1, CountCalls("SetTimer 100 1000"));
    EXPECT_EQ(1, OpenProcessHandles);  // the process handle is held for the watch, the thread's closed
    EXPECT_NE(nullptr, Launcher.Watch.Child.Process);
}

TEST_F(Commands, ReadMeOpensTheDiscsTextInNotepad)
{
    OpenWindow();
    Launcher.Panel.ButtonStates[ReadMe] = Pressed;
    Command(ReadMe);
    ASSERT_EQ(1u, Started.size());
    EXPECT_EQ("C:\\WINDOWS\\system32\\notepad.exe E:\\readme.txt", Started[0].commandLine);
    EXPECT_EQ(1, CountCalls("CreateFileA E:\\readme.txt 2147483648 3 3"));
    EXPECT_EQ(0, OpenFileHandles);
    EXPECT_TRUE(Hidden());
    EXPECT_EQ(Normal, Launcher.Panel.ButtonStates[ReadMe]);
    EXPECT_TRUE(TimerRunning(100));
    EXPECT_EQ(0, Launcher.Watch.Installer.Launched);
}

TEST_F(Commands, ReadMeWithoutTheFileDoesNothing)
{
    OpenWindow();
    RemoveFile("E:\\readme.txt");
    Send(WM_LBUTTONDOWN, 0, At(300, 360));
    PumpAll();
    EXPECT_TRUE(Started.empty());
    EXPECT_TRUE(Moves.empty());
    EXPECT_EQ(Pressed, Launcher.Panel.ButtonStates[ReadMe]);
    EXPECT_FALSE(TimerRunning(100));
}

// The program CreateProcess runs for a command line without an application
// name: a quoted first word as it stands; otherwise the first run of words
// up to a blank that names a file, as it stands or with ".exe" added.
static std::string ProgramRun(const std::string& commandLine)
{
    if (commandLine[0] == '"')
        return commandLine.substr(1, commandLine.find('"', 1) - 1);
    for (size_t blank = commandLine.find(' '); blank != std::string::npos; blank = commandLine.find(' ', blank + 1)) {
        std::string program = commandLine.substr(0, blank);
        for (const std::string& name : { program, program + ".exe" })
            if (GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES)
                return name;
    }
    return commandLine.substr(0, commandLine.find(' '));
}

// From a root with blanks each command starts the disc's own setup, or
// Notepad on the disc's own read-me, and never a program planted beside the
// disc's folder under the name of its first word.
TEST_F(Commands, CommandsFromAFolderStartOnlyTheDiscsOwnFiles)
{
    static const struct {
        const char* root;
        const char* setup;   // the command line
        const char* readme;  // the read-me as Notepad is given it
    } roots[] = {
        { "E:\\", "E:\\setup.exe", "E:\\readme.txt" },
        { "C:\\Users\\Ana\\Downloads\\Product Disc\\", "\"C:\\Users\\Ana\\Downloads\\Product Disc\\setup.exe\"",
          "\"C:\\Users\\Ana\\Downloads\\Product Disc\\readme.txt\"" },
        { "\\\\server\\share\\disc\\", "\\\\server\\share\\disc\\setup.exe", "\\\\server\\share\\disc\\readme.txt" },
    };
    for (const auto& r : roots) {
        for (int code : { Install, ReadMe }) {
            SetUp();
            InsertDisc();
            std::string root = r.root;
            ModulePath = root + "autorun.exe";
            for (const char* name : { "kelvando.id", "autorun.inf", "setup.exe", "readme.txt" })
                AddFile(root + name);
            AddFile("C:\\Users\\Ana\\Downloads\\Product.exe");
            Idle = [] { return false; };
            StartLauncher();
            ASSERT_EQ(root, Launcher.Disc.Root);
            Command(code);
            ASSERT_EQ(1u, Started.size()) << r.root << " " << code;
            if (code == Install) {
                EXPECT_EQ(r.setup, Started[0].commandLine);
                EXPECT_EQ(root + "setup.exe", ProgramRun(Started[0].commandLine));
            } else {
                EXPECT_EQ(std::string("C:\\WINDOWS\\system32\\notepad.exe ") + r.readme, Started[0].commandLine);
            }
            EXPECT_TRUE(Hidden()) << r.root << " " << code;
        }
    }
}

static const struct {
    const char* name;
    const char* windowsDirectory;
    const char* settings;  // orvik.ini contents, or null for none
    const char* commandLine;
    const char* directory;  // the companion's current directory; "" for the launcher's own
} RunCases[] = {
    { "folder as recorded", "C:\\WINDOWS", "[INSTALL]\r\nDIR=C:\\KIT\\\r\n", "\"C:\\KIT\\orvik.exe\"", "C:\\KIT\\" },
    { "no backslash is added", "C:\\WINDOWS", "[INSTALL]\r\nDIR=C:\\KIT\r\n", "\"C:\\KITorvik.exe\"", "C:\\KIT" },
    // No folder recorded: orvik.exe where the system looks after the
    // launcher's own folder and the current one, or nothing.
    { "no settings file", "C:\\WINDOWS", nullptr, "", "" },
    { "an empty folder", "C:\\WINDOWS", "[INSTALL]\r\nDIR=\r\n", "", "" },
    { "an empty folder, orvik.exe on PATH", "C:\\WINDOWS", "[INSTALL]\r\nDIR=\r\n", "C:\\Tools\\orvik.exe", "" },
    { "settings in another folder", "D:\\WINNT", "[install]\r\ndir=D:\\Apps\\Orvik\\\r\n", "\"D:\\Apps\\Orvik\\orvik.exe\"",
      "D:\\Apps\\Orvik\\" },
    // Quoted, a blank in the folder cannot make CreateProcess try C:\Program.exe.
    { "a folder with blanks", "C:\\WINDOWS", "[INSTALL]\r\nDIR=C:\\Program Files\\Orvik\\\r\n",
      "\"C:\\Program Files\\Orvik\\orvik.exe\"", "C:\\Program Files\\Orvik\\" },
};

TEST_F(Commands, RunStartsTheCompanionFromItsRecordedFolderThenEnds)
{
    for (const auto& c : RunCases) {
        SetUp();
        OpenWindow();
        WindowsDirectory = c.windowsDirectory;
        if (c.settings)
            AddFile(std::string(c.windowsDirectory) + "\\orvik.ini", c.settings);
        AddFile(std::string(ModulePath, 0, ModulePath.rfind('\\') + 1) + "orvik.exe");  // planted beside the launcher
        Environment["PATH"] = "C:\\Tools";
        if (strstr(c.name, "PATH") != nullptr)
            AddFile("C:\\Tools\\orvik.exe");
        Launcher.Panel.ButtonStates[::Run] = Pressed;
        Command(::Run);
        ASSERT_EQ(c.commandLine[0] != '\0' ? 1u : 0u, Started.size()) << c.name;
        if (!Started.empty()) {
            EXPECT_EQ(c.commandLine, Started[0].commandLine) << c.name;
            EXPECT_EQ(c.directory, Started[0].directory) << c.name;
            EXPECT_EQ(c.directory[0] == '\0', Started[0].directoryNull) << c.name;
        }
        EXPECT_EQ(1, CountCalls(std::string("GetPrivateProfileStringA INSTALL|DIR|") + c.windowsDirectory +
                                "\\orvik.ini"))
            << c.name;
        EXPECT_FALSE(TimerRunning(100)) << c.name;
        EXPECT_TRUE(Moves.empty()) << c.name;
        EXPECT_EQ(0, OpenProcessHandles) << c.name;  // not watched: closed at once
        ASSERT_FALSE(Posted.empty());
        EXPECT_EQ((UINT)WM_DESTROY, Posted.back().message) << c.name;
        EXPECT_EQ(Pressed, Launcher.Panel.ButtonStates[::Run]);
        PumpAll();
        EXPECT_TRUE(QuitPosted) << c.name;
    }
}

TEST_F(Commands, RunEndsTheLauncherEvenWhenTheCompanionDoesNotStart)
{
    OpenWindow();
    NextStartError = ERROR_FILE_NOT_FOUND;
    Command(::Run);
    EXPECT_EQ((UINT)WM_DESTROY, Posted.back().message);
}

TEST_F(Commands, RunWithoutAUsableWindowsDirectoryDoesNothing)
{
    const std::string directories[] = { "", std::string(255, 'w'), std::string(246, 'w') };
    for (const std::string& directory : directories) {
        SetUp();
        OpenWindow();
        WindowsDirectory = directory;
        Command(::Run);
        EXPECT_TRUE(Started.empty()) << directory.size();
        EXPECT_TRUE(Posted.empty()) << directory.size();
    }
    // 245 characters and "\orvik.ini" fill the 256 bytes exactly.
    SetUp();
    OpenWindow();
    WindowsDirectory = std::string(245, 'w');
    AddFile(WindowsDirectory + "\\orvik.ini", "[INSTALL]\r\nDIR=C:\\KIT\\\r\n");
    Command(::Run);
    EXPECT_EQ(1u, Started.size());
}

TEST_F(Commands, UninstallRunsTheRecordedCommandExactly)
{
    OpenWindow();
    InstallCompanion();
    Launcher.Panel.ButtonStates[Uninstall] = Pressed;
    Command(Uninstall);
    ASSERT_EQ(1u, Started.size());
    EXPECT_EQ("C:\\Orvik\\uninstall.exe /quiet", Started[0].commandLine);
    EXPECT_EQ(1, CountCalls(std::string("RegOpenKeyExA ") + UninstallPrefix + "Orvik 1"));
    EXPECT_EQ(1, CountCalls("RegQueryValueExA UninstallString 512"));
    EXPECT_EQ(0, OpenKeys);
    EXPECT_TRUE(Hidden());
    EXPECT_EQ(Normal, Launcher.Panel.ButtonStates[Uninstall]);
    EXPECT_TRUE(TimerRunning(100));
}

// The recorded uninstall command: bounded, terminated, and taken by its
// registry type (strings as they are, expandable strings expanded, nothing
// else started).
static const struct {
    const char* name;
    DWORD type;
    std::string value;
    bool starts;  // false: nothing starts and the launcher comes back
    std::string commandLine;
} UninstallValues[] = {
    { "stored with its zero", REG_SZ, std::string("C:\\un.exe /x") + '\0', true, "C:\\un.exe /x" },
    { "stored without a zero", REG_SZ, "C:\\un.exe /x", true, "C:\\un.exe /x" },
    { "511 characters and the zero", REG_SZ, "C:\\" + std::string(508, 'u') + '\0', true, "C:\\" + std::string(508, 'u') },
    { "511 characters without a zero", REG_SZ, "C:\\" + std::string(508, 'u'), true, "C:\\" + std::string(508, 'u') },
    { "512 characters without a zero", REG_SZ, "C:\\" + std::string(509, 'u'), false, "" },
    { "longer than the buffer", REG_SZ, std::string(600, 'u') + '\0', false, "" },
    { "a zero inside", REG_SZ, std::string("C:\\un.exe\0junk", 14), true, "C:\\un.exe" },
    // A program without a folder: by its full path from the system's
    // folders or PATH, the rest as it stands; never the one planted beside
    // the launcher, and nothing when the system has none.
    { "Windows Installer's form", REG_SZ, "MsiExec.exe /X{1D2C3B4A}", true,
      "C:\\WINDOWS\\system32\\MsiExec.exe /X{1D2C3B4A}" },
    { "quoted, blanks kept", REG_SZ, "\"MsiExec.exe\"  /X{1D2C3B4A}  /qb", true,
      "C:\\WINDOWS\\system32\\MsiExec.exe  /X{1D2C3B4A}  /qb" },
    { "on PATH, without its extension", REG_SZ, "uninst /x", true, "\"C:\\Program Files\\Tools\\uninst.exe\" /x" },
    { "only beside the launcher", REG_SZ, "planted.exe /x", false, "" },
    { "REG_SZ is not expanded", REG_SZ, std::string("%SystemDrive%\\Orvik\\uninst.exe /remove") + '\0', true,
      "%SystemDrive%\\Orvik\\uninst.exe /remove" },
    { "REG_EXPAND_SZ expanded", REG_EXPAND_SZ, std::string("%SystemDrive%\\Orvik\\uninst.exe /remove") + '\0',
      true, "C:\\Orvik\\uninst.exe /remove" },
    { "an unknown variable stays", REG_EXPAND_SZ, std::string("%NoSuch%\\un.exe") + '\0', true, "%NoSuch%\\un.exe" },
    { "expanded to a bare name", REG_EXPAND_SZ, "%Uninstaller% /x", true, "C:\\WINDOWS\\system32\\MsiExec.exe /x" },
    { "expanded to 510 characters", REG_EXPAND_SZ, "%ProgramFiles%" + std::string(510 - 16, 'u'), true,
      "C:\\Program Files" + std::string(510 - 16, 'u') },
    { "expanded past the buffer", REG_EXPAND_SZ, "%ProgramFiles%" + std::string(511 - 16, 'u'), false, "" },
    { "REG_BINARY", REG_BINARY, "un.exe", false, "" },
    { "REG_DWORD", REG_DWORD, std::string("\x01\0\0\0", 4), false, "" },
    { "REG_MULTI_SZ", REG_MULTI_SZ, std::string("un.exe\0\0", 8), false, "" },
};

TEST_F(Commands, UninstallValuesAreBoundedTerminatedAndTakenByType)
{
    for (const auto& c : UninstallValues) {
        SetUp();
        OpenWindow();
        SetValue(std::string(UninstallPrefix) + "Orvik", "UninstallString", c.value, c.type);
        for (const char* program : { "C:\\WINDOWS\\system32\\MsiExec.exe", "C:\\Program Files\\Tools\\uninst.exe",
                                     "C:\\Program Files\\Kit\\MsiExec.exe", "C:\\Program Files\\Kit\\planted.exe" })
            AddFile(program);
        Environment["PATH"] = "C:\\Program Files\\Tools";
        Environment["UNINSTALLER"] = "MsiExec.exe";
        Command(Uninstall);
        if (!c.starts) {
            EXPECT_TRUE(Started.empty()) << c.name;
            EXPECT_TRUE(CameBack()) << c.name;
            continue;
        }
        ASSERT_EQ(1u, Started.size()) << c.name;
        EXPECT_EQ(c.commandLine, Started[0].commandLine) << c.name;
        EXPECT_TRUE(Hidden()) << c.name;
    }
}

TEST_F(Commands, UninstallWithoutAKeyOrValueComesBackAtOnce)
{
    OpenWindow();
    Command(Uninstall);  // no key at all
    EXPECT_TRUE(Started.empty());
    EXPECT_TRUE(CameBack());
    EXPECT_EQ(0, OpenKeys);

    AddKey(std::string(UninstallPrefix) + "Orvik");  // the key without its value
    Posted.clear();
    Command(Uninstall);
    EXPECT_TRUE(Started.empty());
    EXPECT_TRUE(CameBack());
    EXPECT_EQ(0, OpenKeys);
    EXPECT_FALSE(TimerRunning(100));
}

TEST_F(Commands, AnOverLongUninstallKeyStartsNothing)
{
    InsertDisc("[install]\r\nuninstkey=" + std::string(204, 'u') + "\r\n");
    GiveResources();
    Idle = [] { return false; };
    StartLauncher();
    Command(Uninstall);
    EXPECT_EQ(0, CountCalls("RegOpenKeyExA " + std::string(UninstallPrefix)));
    EXPECT_TRUE(Started.empty());
    EXPECT_TRUE(CameBack());
}

TEST_F(Commands, AFailedStartBringsTheLauncherBackAtOnce)
{
    static const struct {
        int code;
        DWORD error;
    } cases[] = { { Install, ERROR_FILE_NOT_FOUND }, { ReadMe, ERROR_FILE_NOT_FOUND },
                  { Uninstall, ERROR_ACCESS_DENIED } };
    for (const auto& c : cases) {
        SetUp();
        OpenWindow();
        InstallCompanion();
        AddKey(std::string(AppPathsPrefix) + "orvik.exe");
        NextStartError = c.error;
        Command(c.code);
        EXPECT_EQ(1u, Started.size()) << c.code;
        EXPECT_TRUE(CameBack()) << c.code;
        EXPECT_FALSE(TimerRunning(100)) << c.code;
        EXPECT_EQ(1, Launcher.Disc.AppInstalled) << "the state is tested again on the way back";
    }
}

TEST_F(Commands, ElevationGoesThroughTheShellAndIsWatched)
{
    static const struct {
        std::string value;
        const char *file, *parameters;
    } cases[] = {
        { "C:\\Orvik\\uninstall.exe /quiet /log x", "C:\\Orvik\\uninstall.exe", "/quiet /log x" },
        { "\"C:\\Program Files\\Orvik\\un.exe\" /x", "C:\\Program Files\\Orvik\\un.exe", "/x" },
        { "C:\\un.exe", "C:\\un.exe", "" },
    };
    for (const auto& c : cases) {
        SetUp();
        OpenWindow();
        SetValue(std::string(UninstallPrefix) + "Orvik", "UninstallString", c.value);
        NextStartError = ERROR_ELEVATION_REQUIRED;
        Command(Uninstall);
        ASSERT_EQ(1u, ShellStarts.size()) << c.value;
        EXPECT_EQ("open", ShellStarts[0].verb);
        EXPECT_EQ(c.file, ShellStarts[0].file) << c.value;
        EXPECT_EQ(c.parameters, ShellStarts[0].parameters) << c.value;
        EXPECT_TRUE(ShellStarts[0].mask & SEE_MASK_NOCLOSEPROCESS);
        EXPECT_EQ(SW_SHOWNORMAL, ShellStarts[0].show);
        EXPECT_EQ(1, OpenProcessHandles);  // the shell's process handle, held for the watch
        // Its id, for following the programs it starts, from its handle.
        EXPECT_EQ(1000u, Launcher.Watch.Child.Id);
        EXPECT_TRUE(Hidden());
        EXPECT_TRUE(TimerRunning(100));
    }
}

TEST_F(Commands, InstallNeedingElevationRunsSetupThroughTheShell)
{
    OpenWindow();
    NextStartError = ERROR_ELEVATION_REQUIRED;
    Command(Install);
    ASSERT_EQ(1u, ShellStarts.size());
    EXPECT_EQ("E:\\setup.exe", ShellStarts[0].file);
    EXPECT_EQ("", ShellStarts[0].parameters);
    EXPECT_TRUE(TimerRunning(100));
}

TEST_F(Commands, DeclinedConsentBringsTheLauncherBack)
{
    OpenWindow();
    NextStartError = ERROR_ELEVATION_REQUIRED;
    NextShellError = ERROR_CANCELLED;  // the user said no
    Command(Install);
    EXPECT_TRUE(CameBack());
    EXPECT_FALSE(TimerRunning(100));
    EXPECT_EQ(0, OpenProcessHandles);
}

TEST_F(Commands, OtherFailuresDoNotTryTheShell)
{
    OpenWindow();
    NextStartError = ERROR_FILE_NOT_FOUND;
    Command(Install);
    EXPECT_TRUE(ShellStarts.empty());
    EXPECT_EQ(0, Shell32Loads);  // the shell is loaded only for elevation
}

TEST_F(Commands, CancelDestroysTheWindow)
{
    OpenWindow();
    Command(Cancel);
    EXPECT_FALSE(IsWindow(Launcher.MainWindow));
    EXPECT_TRUE(QuitPosted);
    EXPECT_EQ(0, QuitCode);
}

TEST_F(Commands, UnknownCodesDoNothing)
{
    OpenWindow();
    const WPARAM codes[] = { 0, 6, 1024 };
    for (WPARAM code : codes)
        EXPECT_EQ(0, Send(WM_USER, code));
    EXPECT_TRUE(Started.empty());
    EXPECT_TRUE(Moves.empty());
    EXPECT_TRUE(Posted.empty());
}

TEST_F(Commands, DiscCommandsNeedADisc)
{
    OpenWindow();
    InstallCompanion();
    Launcher.Disc.Root[0] = '\0';
    Command(Install);
    Command(Uninstall);
    Command(ReadMe);
    EXPECT_TRUE(Started.empty());
    EXPECT_TRUE(Moves.empty());
}

// The probes that may touch an empty drive run with the system's error boxes
// off; every program starts with the error mode the launcher was given.
TEST_F(Commands, ProbesAreQuietAndProgramsInheritTheCallersErrorMode)
{
    const UINT quiet = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
    InsertDisc();
    GiveResources();
    AddFile("C:\\Program Files\\Orvik\\UNWISE.EXE");
    SetValue(std::string(UninstallPrefix) + "Orvik", "UninstallString",
             "C:\\Program Files\\Orvik\\UNWISE.EXE C:\\Program Files\\Orvik\\INSTALL.LOG");
    ErrorMode = 0x0004;  // whatever the starter gave
    Idle = [] { return false; };
    StartLauncher();
    Command(ReadMe);
    Processes[Launcher.Watch.Child.Id].running = false;
    FireTimer(100);
    NextStartError = ERROR_ELEVATION_REQUIRED;
    Command(Uninstall);
    ASSERT_FALSE(Probes.empty());
    for (const Probe& probe : Probes)
        EXPECT_EQ(quiet, probe.errorMode) << probe.path;
    // At start-up, before Read Me starts anything, and when the launcher comes back.
    EXPECT_EQ(3, (int)std::count_if(Probes.begin(), Probes.end(),
                                    [](const Probe& p) { return p.path == "E:\\kelvando.id"; }));
    EXPECT_EQ(1, (int)std::count_if(Probes.begin(), Probes.end(),
                                    [](const Probe& p) { return p.path == "E:\\readme.txt"; }));
    ASSERT_EQ(2u, Started.size());
    for (const ProcessStart& start : Started)
        EXPECT_EQ(0x0004u, start.errorMode) << start.commandLine;
    ASSERT_EQ(1u, ShellStarts.size());
    EXPECT_EQ(0x0004u, ShellStarts[0].errorMode);
    EXPECT_EQ(0x0004u, ErrorMode);
}

TEST_F(Commands, AnInstallThatStartsNothingLeavesTheWatchAsItWas)
{
    OpenWindow();
    RemoveFile("E:\\setup.exe");
    NextStartError = ERROR_FILE_NOT_FOUND;
    Command(Install);
    EXPECT_TRUE(CameBack());
    EXPECT_EQ(0, Launcher.Watch.Installer.Launched);
    // Read Me then comes back on the tick that sees Notepad end, with no
    // wait for an installer window.
    Command(ReadMe);
    Processes[Launcher.Watch.Child.Id].running = false;
    FireTimer(100);
    EXPECT_TRUE(Shown());
    EXPECT_FALSE(TimerRunning(101));

    // After a whole install, a failed one keeps what that install left.
    Launcher.Watch.Installer.Launched = 1;
    Launcher.Watch.Installer.Seen = 1;
    NextStartError = ERROR_ELEVATION_REQUIRED;
    NextShellError = ERROR_CANCELLED;
    Command(Install);
    EXPECT_EQ(1, Launcher.Watch.Installer.Launched);
    EXPECT_EQ(1, Launcher.Watch.Installer.Seen);
}

// How an unquoted command line with blanks is split for the shell: the
// first prefix that names a file, as it stands or with .exe added.
static const struct {
    const char* commandLine;
    const char* program;
    const char* arguments;
} ProgramSplits[] = {
    { "C:\\Program Files\\Orvik\\UNWISE.EXE C:\\Program Files\\Orvik\\INSTALL.LOG",
      "C:\\Program Files\\Orvik\\UNWISE.EXE", "C:\\Program Files\\Orvik\\INSTALL.LOG" },
    { "C:\\Program Files\\Orvik\\UNWISE /remove", "C:\\Program Files\\Orvik\\UNWISE.exe", "/remove" },
    { "\"C:\\Program Files\\Orvik\\UNWISE.EXE\" /x", "C:\\Program Files\\Orvik\\UNWISE.EXE", "/x" },
    { "C:\\Orvik\\un.exe  /a   /b", "C:\\Orvik\\un.exe", "/a   /b" },
    // C:\Program Files is a folder, not the program.
    { "C:\\Program Files", "C:\\Program", "Files" },
    { "C:\\Program Files\\Nothing Here.exe /x", "C:\\Program", "Files\\Nothing Here.exe /x" },
    { "msiexec /x {1234}", "msiexec", "/x {1234}" },
    { "C:\\Program Files\\Orvik\\UNWISE.EXE", "C:\\Program Files\\Orvik\\UNWISE.EXE", "" },
    { "", "", "" },
};

TEST_F(Commands, TheShellIsGivenTheProgramTheCommandLineNames)
{
    AddDirectory("C:\\Program Files");
    AddDirectory("C:\\Program Files\\Orvik");
    AddFile("C:\\Program Files\\Orvik\\UNWISE.EXE");
    AddFile("C:\\Orvik\\un.exe");
    char program[CommandLineSize];
    char arguments[CommandLineSize];
    for (const auto& c : ProgramSplits) {
        ASSERT_EQ(1, SplitAtExistingProgram(c.commandLine, program, arguments)) << c.commandLine;
        EXPECT_STREQ(c.program, program) << c.commandLine;
        EXPECT_STREQ(c.arguments, arguments) << c.commandLine;
    }
    // A first word too long to try with ".exe" added is left for the shell.
    std::string longName(CommandLineSize - 2, 'x');
    Calls.clear();
    EXPECT_EQ(1, SplitAtExistingProgram(longName.c_str(), program, arguments));
    EXPECT_EQ(longName, program);
    EXPECT_EQ(0, CountCalls("GetFileAttributesA"));
}

// What WM_DEVICECHANGE reports, against a launcher shown or hidden with its
// disc on E: (bit 4 of the unit mask).
static const struct {
    const char* name;
    WPARAM event;
    DWORD type, size, mask;
    bool hidden, noData;
    bool ends;
    const char* root = nullptr;  // the launcher's own folder holding the disc; null for the CD-ROM drive E:
} DeviceMessages[] = {
    { "the disc's medium gone", DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_VOLUME, 20, 1u << 4, false, false, true },
    { "among other drives", DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_VOLUME, 20, 0x2000019u, false, false, true },
    { "just long enough for the mask", DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_VOLUME, 16, 1u << 4, false, false, true },
    { "another drive", DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_VOLUME, 20, 1u << 3, false, false, false },
    { "not a volume", DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_PORT, 20, 1u << 4, false, false, false },
    { "not a removal", DBT_DEVICEARRIVAL, DBT_DEVTYP_VOLUME, 20, 1u << 4, false, false, false },
    { "only asking", DBT_DEVICEQUERYREMOVE, DBT_DEVTYP_VOLUME, 20, 1u << 4, false, false, false },
    { "too short to hold the mask", DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_VOLUME, 15, 1u << 4, false, false, false },
    { "no structure", DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_VOLUME, 20, 1u << 4, false, true, false },
    { "hidden: goes on waiting", DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_VOLUME, 20, 1u << 4, true, false, false },
    // A stick is announced as a CD-ROM drive's medium is; a share has no
    // drive letter to match, and is caught by the marker when used.
    { "a stick pulled out", DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_VOLUME, 20, 1u << 5, false, false, true, "F:\\" },
    { "another stick", DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_VOLUME, 20, 1u << 6, false, false, false, "F:\\" },
    { "a share", DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_VOLUME, 20, 0x3ffffffu, false, false, false,
      "\\\\server\\share\\" },
};

TEST_F(Commands, TheDiscsRemovalEndsAShownLauncherOnly)
{
    for (const auto& c : DeviceMessages) {
        SetUp();
        if (c.root != nullptr) {
            ModulePath = std::string(c.root) + "autorun.exe";
            AddFile(std::string(c.root) + "kelvando.id");
        }
        OpenWindow();
        if (c.root != nullptr) {
            ASSERT_STREQ(c.root, Launcher.Disc.Root) << c.name;
        }
        if (c.hidden)
            Command(ReadMe);
        DEV_BROADCAST_VOLUME volume = { c.size, c.type, 0, c.mask, 0 };
        Send(WM_DEVICECHANGE, c.event, c.noData ? 0 : (LPARAM)&volume);
        EXPECT_EQ(c.ends, !IsWindow(Launcher.MainWindow)) << c.name;
        EXPECT_EQ(c.ends, QuitPosted) << c.name;
        EXPECT_EQ(c.hidden ? 1u : 0u, Started.size()) << c.name;
    }
}

// Another disc in the drive (a setup.exe, no marker): Install and Read Me
// start nothing and end the launcher; a hidden launcher ends instead of
// coming back when its program ends.
TEST_F(Commands, NothingStartsFromADriveWithoutTheMarker)
{
    static const struct {
        int code;
        bool whileHidden;  // the disc is swapped while Read Me's Notepad runs
    } cases[] = { { Install, false }, { ReadMe, false }, { ReadMe, true }, { Uninstall, true } };
    for (const auto& c : cases) {
        SetUp();
        OpenWindow();
        InstallCompanion();
        if (c.whileHidden) {
            Command(c.code);
            ASSERT_EQ(1u, Started.size()) << c.code;
        }
        RemoveFile("E:\\kelvando.id");
        if (c.whileHidden) {
            Processes[Launcher.Watch.Child.Id].running = false;
            FireTimer(100);
            EXPECT_EQ(0, CountCalls("MoveWindow 192")) << c.code << ": did not come back";
        } else {
            Command(c.code);
            EXPECT_TRUE(Started.empty()) << c.code;
            EXPECT_TRUE(Moves.empty()) << c.code;
        }
        EXPECT_FALSE(IsWindow(Launcher.MainWindow)) << c.code;
        EXPECT_TRUE(QuitPosted) << c.code;
        EXPECT_EQ(0, OpenProcessHandles) << c.code;
    }
}

// Notepad by its full path on NT-shaped and 9x-shaped systems, else PATH's;
// where no folder but the launcher's own has it, nothing starts.
static const struct {
    const char* name;
    const char* systemDirectory;  // "" when GetSystemDirectoryA fails
    const char* windowsDirectory;
    const char* notepads;  // where notepad.exe is, separated by |
    const char* commandLine;  // "" for nothing started
} NotepadPlaces[] = {
    { "NT: the system directory's", "C:\\WINDOWS\\system32", "C:\\WINDOWS", "C:\\WINDOWS\\system32|C:\\WINDOWS",
      "C:\\WINDOWS\\system32\\notepad.exe E:\\readme.txt" },
    { "9x: the Windows directory's", "C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS", "C:\\WINDOWS",
      "C:\\WINDOWS\\notepad.exe E:\\readme.txt" },
    { "quoted for a folder with blanks", "D:\\My Windows\\system32", "D:\\My Windows", "D:\\My Windows\\system32",
      "\"D:\\My Windows\\system32\\notepad.exe\" E:\\readme.txt" },
    { "no system directory", "", "C:\\WINDOWS", "C:\\WINDOWS", "C:\\WINDOWS\\notepad.exe E:\\readme.txt" },
    { "on PATH only", "C:\\WINDOWS\\system32", "C:\\WINDOWS", "C:\\Tools", "C:\\Tools\\notepad.exe E:\\readme.txt" },
    { "beside the launcher only (a folder named notepad.exe is not it)", "C:\\WINDOWS\\system32", "C:\\WINDOWS",
      "C:\\Program Files\\Kit", "" },
};

TEST_F(Commands, ReadMeStartsNotepadFromTheSystemsFolders)
{
    for (const auto& c : NotepadPlaces) {
        SetUp();
        OpenWindow();
        SystemDirectory = c.systemDirectory;
        WindowsDirectory = c.windowsDirectory;
        Environment["PATH"] = "C:\\Other;C:\\Tools";
        RemoveFile("C:\\WINDOWS\\system32\\notepad.exe");
        std::string places = c.notepads;
        if (places.find(c.systemDirectory) == std::string::npos)
            AddDirectory(std::string(c.systemDirectory) + "\\notepad.exe");
        for (size_t at = 0; at < places.size(); at = places.find('|', at) + 1) {
            AddFile(places.substr(at, places.find('|', at) - at) + "\\notepad.exe");
            if (places.find('|', at) == std::string::npos)
                break;
        }
        Command(ReadMe);
        if (c.commandLine[0] == '\0') {
            EXPECT_TRUE(Started.empty()) << c.name;
            EXPECT_TRUE(CameBack()) << c.name;
            continue;
        }
        ASSERT_EQ(1u, Started.size()) << c.name;
        EXPECT_EQ(c.commandLine, Started[0].commandLine) << c.name;
        EXPECT_TRUE(Hidden()) << c.name;
    }
}

// shell32 from the system directory by its full path; no system directory,
// no shell, and the launcher comes back.
TEST_F(Commands, Shell32IsLoadedFromTheSystemDirectory)
{
    static const struct {
        const char* systemDirectory;
        const char* load;  // null: nothing loaded
    } cases[] = { { "C:\\WINDOWS\\system32", "LoadLibraryExA C:\\WINDOWS\\system32\\shell32.dll" }, { "", nullptr } };
    for (const auto& c : cases) {
        SetUp();
        OpenWindow();
        SystemDirectory = c.systemDirectory;
        NextStartError = ERROR_ELEVATION_REQUIRED;
        Command(Install);
        EXPECT_EQ(0, CountCalls("LoadLibraryExA shell32.dll")) << c.systemDirectory;
        if (c.load == nullptr) {
            EXPECT_EQ(0, CountCalls("LoadLibraryExA")) << c.systemDirectory;
            EXPECT_TRUE(CameBack()) << c.systemDirectory;
            continue;
        }
        EXPECT_EQ(1, CountCalls(c.load)) << c.systemDirectory;
        ASSERT_EQ(1u, ShellStarts.size()) << c.systemDirectory;
    }
}

// The companion started through the shell gets its folder too.
TEST_F(Commands, RunThroughTheShellStartsInTheRecordedFolder)
{
    OpenWindow();
    AddFile("C:\\WINDOWS\\orvik.ini", "[INSTALL]\r\nDIR=C:\\KIT\\\r\n");
    NextStartError = ERROR_ELEVATION_REQUIRED;
    Command(::Run);
    ASSERT_EQ(1u, ShellStarts.size());
    EXPECT_EQ("C:\\KIT\\", ShellStarts[0].directory);
}
