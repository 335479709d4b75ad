// The child watch: the two timers, the installer window's coming and going,
// and bringing the launcher back.
#include "launcher_test.h"

using namespace standin;

class Watch : public LauncherTest {
protected:
    void Command(int code) { Send(WM_USER, (WPARAM)code); }
    // A launcher opened afresh for the next row of a table; with elevated,
    // the next program it starts needs elevation and goes through the shell.
    void OpenAfresh(bool elevated = false)
    {
        SetUp();
        OpenWindow();
        if (elevated)
            NextStartError = ERROR_ELEVATION_REQUIRED;
    }
    bool Hidden() { return MainWindowRecord().width == 0; }
    bool Shown() { return MainWindowRecord().width == 640 && MainWindowRecord().x == 192; }
    void EndChild()
    {
        for (auto& process : Processes)  // a program the shell started has no id of ours
            process.second.running = false;
    }
    // Install, setup ends, the installer window comes and goes.
    void CompleteInstall()
    {
        Command(Install);
        EndChild();
        FireTimer(100);
        HWND installer = AddForeignWindow("InstallShield_Win", "Setup");
        FireTimer(101);
        CloseForeignWindow(installer);
        FireTimer(101);
    }
};

// SetTimer promises a non-zero answer, not the id: the timers are stopped by
// their ids whatever it answered, so that none keeps ticking once the
// launcher is back.
TEST_F(Watch, TimersAreStoppedByTheirIdsWhateverSetTimerAnswers)
{
    static const UINT_PTR answers[] = { 0, 0x7f00 };  // 0: the id itself
    for (UINT_PTR answer : answers) {
        for (bool install : { false, true }) {
            SetUp();
            TimerAnswer = answer;
            OpenWindow();
            if (install) {
                CompleteInstall();
            } else {
                Command(ReadMe);
                EndChild();
                FireTimer(100);
            }
            EXPECT_TRUE(Shown()) << answer << " " << install;
            EXPECT_TRUE(Timers.empty()) << answer << " " << install;
            EXPECT_EQ(1, CountCalls("KillTimer 100")) << answer << " " << install;
            EXPECT_EQ(install ? 1 : 0, CountCalls("KillTimer 101")) << answer << " " << install;
            EXPECT_EQ(0, CountCalls("KillTimer " + std::to_string(0x7f00))) << answer << " " << install;
        }
    }
}

// A timer the system refuses would leave the launcher hidden for ever: it
// comes back instead, at once for the program's own timer, and when setup
// ends for the installer's.
TEST_F(Watch, ARefusedTimerBringsTheLauncherBack)
{
    static const struct {
        int code;
        UINT_PTR refused;
        bool setupEnds;  // the tick on which setup is seen to end comes first
    } cases[] = { { Install, 100, false }, { ReadMe, 100, false }, { Uninstall, 100, false }, { Install, 101, true } };
    for (const auto& c : cases) {
        OpenAfresh();
        InstallCompanion();
        RefusedTimer = c.refused;
        Command(c.code);
        EXPECT_EQ(!c.setupEnds, Shown()) << c.code << " " << c.refused;
        if (c.setupEnds) {
            EndChild();
            FireTimer(100);
            EXPECT_TRUE(Shown()) << c.code << " " << c.refused;
        }
        EXPECT_TRUE(Timers.empty()) << c.code << " " << c.refused;
        EXPECT_EQ(0, OpenProcessHandles) << c.code << " " << c.refused;
    }
}

TEST_F(Watch, ReadMeBeforeAnyInstallComesBackOnTheTickAfterNotepadEnds)
{
    OpenWindow();
    Command(ReadMe);
    ASSERT_TRUE(FireTimer(100));
    EXPECT_TRUE(Hidden());
    EXPECT_EQ(0, CountCalls("OpenProcess"));  // watched by the handle its start returned
    EndChild();
    ASSERT_TRUE(FireTimer(100));
    EXPECT_FALSE(TimerRunning(100));
    EXPECT_FALSE(TimerRunning(101));
    EXPECT_TRUE(Shown());
    ASSERT_FALSE(Posted.empty());
    EXPECT_EQ((UINT)WM_MOUSEMOVE, Posted.back().message);
    EXPECT_EQ(0u, Posted.back().wParam);
    EXPECT_EQ(0, Posted.back().lParam);
    EXPECT_EQ(0, OpenProcessHandles);
    EXPECT_EQ(0, BadCloses);
}

TEST_F(Watch, TheRoadOfAnInstall)
{
    OpenWindow();
    Send(WM_MOUSEMOVE, 0, At(150, 360));
    Send(WM_LBUTTONDOWN, 0, At(150, 360));
    PumpAll();  // the posted command
    EXPECT_TRUE(Hidden());
    EXPECT_TRUE(FireTimer(100));  // setup still runs
    EndChild();
    EXPECT_TRUE(FireTimer(100));
    EXPECT_FALSE(TimerRunning(100));
    EXPECT_TRUE(TimerRunning(101));
    EXPECT_TRUE(Hidden());

    FireTimer(101);  // no installer window yet
    FireTimer(101);
    EXPECT_EQ(0, Launcher.Watch.Installer.Seen);
    HWND installer = AddForeignWindow("InstallShield_Win", "Orvik Setup");
    FireTimer(101);
    EXPECT_EQ(1, Launcher.Watch.Installer.Seen);
    FireTimer(101);  // still there
    EXPECT_TRUE(Hidden());
    AddKey(std::string(AppPathsPrefix) + "orvik.exe");  // what the installer did
    CloseForeignWindow(installer);
    FireTimer(101);
    EXPECT_FALSE(TimerRunning(101));
    EXPECT_TRUE(Shown());
    EXPECT_EQ(1, Launcher.Disc.AppInstalled);

    Blits.clear();
    PumpAll();  // the repaint and the pointer move at (0, 0)
    EXPECT_EQ(Normal, Launcher.Panel.ButtonStates[Install]);
    ASSERT_EQ(5u, Blits.size());
    EXPECT_EQ(Launcher.Panel.ButtonImages[::Run][Normal], Blits[1].source);
    EXPECT_EQ(Launcher.Panel.ButtonImages[Uninstall][Normal], Blits[3].source);
}

TEST_F(Watch, UninstallBeforeAnyInstallComesBackWithTheFreshLayout)
{
    OpenWindow();
    InstallCompanion();
    RefreshInstalledState(&Launcher.Disc);
    ASSERT_EQ(1, Launcher.Disc.AppInstalled);
    Command(Uninstall);
    RemoveKey(std::string(AppPathsPrefix) + "orvik.exe");
    EndChild();
    FireTimer(100);
    EXPECT_TRUE(Shown());
    EXPECT_EQ(0, Launcher.Disc.AppInstalled);
    EXPECT_FALSE(TimerRunning(101));
}

TEST_F(Watch, AWaitThatFailsCountsAsTheEnd)
{
    OpenWindow();
    Command(ReadMe);
    Processes[Launcher.Watch.Child.Id].waitFails = true;
    FireTimer(100);
    EXPECT_TRUE(Shown());
    EXPECT_EQ(0, OpenProcessHandles);
}

// The watched program ends and its id goes to another program within the
// second: the handle still tells that ours has ended.
TEST_F(Watch, AnIdTakenByAnotherProgramDoesNotKeepTheLauncherHidden)
{
    OpenWindow();
    Command(ReadMe);
    DWORD id = Launcher.Watch.Child.Id;
    Processes[id] = Process{ true, false, STILL_ACTIVE, 999 };
    FireTimer(100);
    EXPECT_TRUE(Shown());
}

// The handle is closed exactly once on every way the watch can end.
TEST_F(Watch, TheHandleIsClosedOnceWhateverEndsTheWatch)
{
    static const struct {
        const char* name;
        int closeWhileWatching;  // the launcher ends before the program does
        int viaShell;
    } cases[] = { { "the program ends", 0, 0 }, { "started by the shell, ends", 0, 1 },
                  { "the launcher is closed while watching", 1, 0 }, { "closed, started by the shell", 1, 1 } };
    for (const auto& c : cases) {
        OpenAfresh(c.viaShell);
        Command(ReadMe);
        ASSERT_EQ(1, OpenProcessHandles) << c.name;
        if (c.closeWhileWatching) {
            Send(WM_CLOSE);
        } else {
            EndChild();
            FireTimer(100);
            FireTimer(100);  // a stray tick after the end finds nothing to close
        }
        EXPECT_EQ(0, OpenProcessHandles) << c.name;
        EXPECT_EQ(0, BadCloses) << c.name;
        EXPECT_EQ(nullptr, Launcher.Watch.Child.Process) << c.name;
    }
}

TEST_F(Watch, AProgramThatEndsWithCode259HasEnded)
{
    OpenWindow();
    Command(ReadMe);
    Processes[Launcher.Watch.Child.Id].running = false;
    Processes[Launcher.Watch.Child.Id].exitCode = STILL_ACTIVE;
    FireTimer(100);
    EXPECT_TRUE(Shown());
}

TEST_F(Watch, SetupWithoutAnInstallerWindowComesBackAfterSixtyTicks)
{
    OpenWindow();
    Command(Install);
    EndChild();
    FireTimer(100);
    for (int tick = 1; tick < 60; ++tick) {
        FireTimer(101);
        ASSERT_TRUE(Hidden()) << tick;
    }
    FireTimer(101);
    EXPECT_TRUE(Shown());
    EXPECT_FALSE(TimerRunning(101));

    // Given up on once: a later Read Me does not wait out the limit again.
    Command(ReadMe);
    EndChild();
    FireTimer(100);
    FireTimer(101);
    EXPECT_TRUE(Shown());
}

// A setup that is its own wizard: its window counts as the installer's, and
// the launcher is back on the tick that sees setup end with it, instead of
// waiting out the limit; elevated through the shell alike. A setup without
// a window of its own still waits for one.
TEST_F(Watch, SetupsOwnWindowCountsAsTheInstallers)
{
    static const struct {
        const char* name;
        bool window;    // setup shows a window of its own while it runs
        bool elevated;  // started through the shell
        int ticks;      // installer ticks until the launcher is back
    } cases[] = { { "its own wizard", true, false, 0 }, { "its own wizard, elevated", true, true, 0 },
                  { "no window of its own", false, false, 60 } };
    for (const auto& c : cases) {
        OpenAfresh(c.elevated);
        Command(Install);
        DWORD setup = NextProcessId - 1;
        HWND wizard = c.window ? AddForeignWindow("#32770", "Orvik Setup", setup) : NULL;
        for (int tick = 0; tick < 10; ++tick)
            FireTimer(100);  // the wizard's pages, for as long as the user takes
        EXPECT_TRUE(Hidden()) << c.name;
        EXPECT_FALSE(TimerRunning(101)) << c.name;
        CloseForeignWindow(wizard);
        Processes[setup].running = false;
        FireTimer(100);
        for (int tick = 1; tick <= c.ticks; ++tick) {
            ASSERT_TRUE(Hidden()) << c.name << ", tick " << tick;
            FireTimer(101);
        }
        EXPECT_TRUE(Shown()) << c.name;
        EXPECT_TRUE(Timers.empty()) << c.name;
        EXPECT_EQ(0, OpenProcessHandles) << c.name;
    }
}

// A window of the family that goes invisible while its program runs (a
// wizard building its next page, a closed one in its last moments) keeps
// the launcher hidden five ticks; one destroyed, or a program ended, is gone
// at once. Elevated through the shell alike.
TEST_F(Watch, AWindowThatBlinksIsNotAWindowThatClosed)
{
    enum Event { PageChange, StaysInvisible, Destroyed, ProgramEnds };
    static const struct {
        const char* name;
        Event event;
        bool elevated;
        int hiddenTicks;  // ticks still hidden after the event; -1: until the window is closed after it
    } cases[] = {
        { "invisible three ticks, then shown again", PageChange, false, -1 },
        { "invisible three ticks, elevated", PageChange, true, -1 },
        { "invisible for good while its program runs", StaysInvisible, false, 5 },
        { "destroyed while its program runs", Destroyed, false, 0 },
        { "its program ended, the window invisible", ProgramEnds, false, 0 },
    };
    for (const auto& c : cases) {
        OpenAfresh(c.elevated);
        InstallCompanion();
        Command(Uninstall);
        DWORD started = NextProcessId - 1;
        DWORD copy = StartProcess(started);
        HWND window = AddForeignWindow("OrvikUninstall", "Orvik Uninstall", copy);
        FireTimer(100);  // the copy and its window are found while the original runs
        Processes[started].running = false;
        FireTimer(100);
        ASSERT_TRUE(Hidden()) << c.name;
        if (c.event == Destroyed)
            CloseForeignWindow(window);
        else
            HideForeignWindow(window);
        if (c.event == ProgramEnds)
            Processes[copy].running = false;
        if (c.event == PageChange) {
            for (int tick = 0; tick < 3; ++tick)
                FireTimer(100);
            ShowWindow(window, SW_SHOWNORMAL);
        }
        int ticks = c.hiddenTicks < 0 ? 10 : c.hiddenTicks;
        for (int tick = 1; tick <= ticks; ++tick) {
            FireTimer(100);
            ASSERT_TRUE(Hidden()) << c.name << ", tick " << tick;
        }
        if (c.hiddenTicks < 0)
            CloseForeignWindow(window);
        FireTimer(100);
        EXPECT_TRUE(Shown()) << c.name;
        EXPECT_EQ(0, OpenProcessHandles) << c.name;
    }
}

TEST_F(Watch, AnInstallerThatAppearsLateIsStillWaitedFor)
{
    OpenWindow();
    Command(Install);
    EndChild();
    FireTimer(100);
    for (int tick = 0; tick < 59; ++tick)
        FireTimer(101);
    HWND installer = AddForeignWindow("InstallShield_Win", "Setup");
    for (int tick = 0; tick < 100; ++tick)
        FireTimer(101);  // seen: no limit while it stays
    EXPECT_TRUE(Hidden());
    CloseForeignWindow(installer);
    FireTimer(101);
    EXPECT_TRUE(Shown());
}

TEST_F(Watch, AnotherInstallStartsTheAppearanceWaitAfresh)
{
    OpenWindow();
    CompleteInstall();
    ASSERT_TRUE(Shown());

    Command(Install);
    EXPECT_EQ(0, Launcher.Watch.Installer.Seen);
    EndChild();
    FireTimer(100);
    FireTimer(101);
    EXPECT_TRUE(Hidden());
}

TEST_F(Watch, OtherTimerIdsDoNothing)
{
    OpenWindow();
    Command(ReadMe);
    EndChild();
    EXPECT_EQ(0, Send(WM_TIMER, 102));
    EXPECT_EQ(0, Send(WM_TIMER, 0));
    EXPECT_TRUE(Hidden());
    EXPECT_TRUE(TimerRunning(100));
}

// Coming back after Notepad: restored if minimised while hidden, raised, and
// in the foreground, or with its taskbar button flashing where refused.
TEST_F(Watch, ComingBackRestoresRaisesAndAsksForTheForeground)
{
    static const struct {
        const char* name;
        bool minimised, otherInFront, refused;
    } cases[] = {
        { "plain", false, false, false },
        { "minimised while hidden", true, false, false },
        { "behind another window", false, true, false },
        { "foreground refused", false, true, true },
    };
    for (const auto& c : cases) {
        SetUp();
        OpenWindow();
        Command(ReadMe);
        if (c.minimised)
            ShowWindow(Launcher.MainWindow, SW_MINIMIZE);
        if (c.otherInFront)
            ForegroundWindow = TopWindow = AddForeignWindow("CabinetWClass", "Orvik");
        ForegroundRefused = c.refused;
        Calls.clear();
        EndChild();
        FireTimer(100);
        EXPECT_TRUE(Shown()) << c.name;
        EXPECT_FALSE(IsIconic(Launcher.MainWindow)) << c.name;
        int restore = IndexOfCall("ShowWindow 9");
        EXPECT_EQ(c.minimised, restore >= 0) << c.name;
        if (c.minimised) {
            EXPECT_LT(restore, IndexOfCall("MoveWindow")) << c.name << ": restored before the move";
        }
        EXPECT_LT(IndexOfCall("MoveWindow"), IndexOfCall("BringWindowToTop")) << c.name;
        EXPECT_EQ(!c.refused, ForegroundWindow == Launcher.MainWindow) << c.name;
        EXPECT_EQ(Launcher.MainWindow, TopWindow) << c.name;
        EXPECT_EQ(c.refused ? 1u : 0u, Flashes.size()) << c.name;
        EXPECT_EQ(1, CountCalls("SetForegroundWindow")) << c.name;
    }
}

// ---- the started program's family ----------------------------------------

// What the started program left behind when its end is seen, and what keeps
// the launcher hidden until the scene's window closes (its program may run on).
struct Scene {
    DWORD program;
    HWND window;
};

static Scene WindowOf(DWORD program)
{
    return Scene{ program, AddForeignWindow("OrvikUninstall", "Orvik Uninstall", program) };
}

static const struct {
    const char* name;
    std::function<void()> before;                 // before Uninstall starts the program
    std::function<Scene(DWORD started)> arrange;  // while it runs, before its end is seen
    int hiddenTicks;  // ticks hidden after its end is seen; -1: until the scene's window closes
} FamilyScenes[] = {
    { "the started program alone", nullptr, [](DWORD) { return Scene{ 0, NULL }; }, 0 },
    { "a copy with a window", nullptr, [](DWORD started) { return WindowOf(StartProcess(started)); }, -1 },
    { "a copy without a window", nullptr, [](DWORD started) { return Scene{ StartProcess(started), NULL }; }, 0 },
    { "a copy whose window is hidden", nullptr,
      [](DWORD started) {
          Scene scene = WindowOf(StartProcess(started));
          HideForeignWindow(scene.window);
          return scene;
      },
      0 },
    // Still starting: a few ticks for its window, then no longer.
    { "a copy that never finishes starting", nullptr,
      [](DWORD started) { return Scene{ StartProcess(started, false), NULL }; }, 5 },
    { "a grandchild through a program that has ended", nullptr,
      [](DWORD started) {
          DWORD middle = StartProcess(started);
          FireTimer(100);  // the middle program is found while the started one runs
          Scene scene = WindowOf(StartProcess(middle));
          Processes[middle].running = false;
          return scene;
      },
      -1 },
    { "a grandchild the snapshot names before its parent", nullptr,
      [](DWORD started) {
          DWORD middle = StartProcess(started);
          NextProcessId = 500;
          return WindowOf(StartProcess(middle));
      },
      -1 },
    { "a copy that cannot be opened", nullptr,
      [](DWORD started) {
          Scene scene = WindowOf(StartProcess(started));
          Processes[scene.program].openable = false;
          return scene;
      },
      0 },
    { "a copy opened without the right to query", nullptr,
      [](DWORD started) {
          Scene scene = WindowOf(StartProcess(started));
          Processes[scene.program].queryDenied = true;
          return scene;
      },
      -1 },
    { "no process snapshot (NT 4)", [] { KernelExports.erase("CreateToolhelp32Snapshot"); },
      [](DWORD started) { return WindowOf(StartProcess(started)); }, 0 },
    // Left by an ended parent whose id the started program was given.
    { "a program from before the start that names its id as its parent",
      [] { AddForeignWindow("CabinetWClass", "Explorer", StartProcess(NextProcessId + 1)); },
      [](DWORD) { return Scene{ 0, NULL }; }, 0 },
    { "more processes at the start than the launcher holds",
      [] {
          for (int i = 0; i < KnownProcessLimit; ++i)
              StartProcess(4);
      },
      [](DWORD started) { return WindowOf(StartProcess(started)); }, 0 },
};

TEST_F(Watch, TheStartedProgramsFamilyKeepsTheLauncherHiddenWhileItShowsAWindow)
{
    for (const auto& c : FamilyScenes) {
        SetUp();
        OpenWindow();
        InstallCompanion();
        if (c.before)
            c.before();
        Command(Uninstall);
        DWORD started = Launcher.Watch.Child.Id;
        ASSERT_TRUE(Hidden()) << c.name;
        Scene scene = c.arrange(started);
        Processes[started].running = false;
        int ticks = c.hiddenTicks < 0 ? 10 : c.hiddenTicks;
        for (int tick = 1; tick <= ticks; ++tick) {
            FireTimer(100);
            ASSERT_TRUE(Hidden()) << c.name << ", tick " << tick;
        }
        if (c.hiddenTicks < 0)
            CloseForeignWindow(scene.window);  // its program runs on
        FireTimer(100);
        EXPECT_TRUE(Shown()) << c.name;
        EXPECT_TRUE(Timers.empty()) << c.name;
        EXPECT_EQ(0, OpenProcessHandles) << c.name;
        EXPECT_EQ(0, OpenSnapshots) << c.name;
        EXPECT_EQ(0, BadCloses) << c.name;
    }
}

// The launcher closed while it follows a family lets go of every handle.
TEST_F(Watch, ClosingTheLauncherLetsGoOfTheFamily)
{
    OpenWindow();
    InstallCompanion();
    Command(Uninstall);
    WindowOf(StartProcess(Launcher.Watch.Child.Id));
    Processes[Launcher.Watch.Child.Id].running = false;
    FireTimer(100);
    ASSERT_TRUE(Hidden());
    ASSERT_EQ(1, OpenProcessHandles);
    Send(WM_CLOSE);
    EXPECT_EQ(0, OpenProcessHandles);
    EXPECT_EQ(0, BadCloses);
}

// The shell gives a handle without an id: GetProcessId names it, where the
// system has it, and the family of an elevated program is followed too.
TEST_F(Watch, TheFamilyOfAProgramStartedThroughTheShell)
{
    for (bool hasGetProcessId : { true, false }) {
        SetUp();
        OpenWindow();
        InstallCompanion();
        if (!hasGetProcessId)
            KernelExports.erase("GetProcessId");
        NextStartError = ERROR_ELEVATION_REQUIRED;
        Command(Uninstall);
        ASSERT_EQ(1u, ShellStarts.size());
        DWORD started = NextProcessId - 1;
        EXPECT_EQ(hasGetProcessId ? started : 0u, Launcher.Watch.Child.Id);
        EXPECT_EQ(hasGetProcessId ? 1 : 0, CountCalls("CreateToolhelp32Snapshot"));
        Scene scene = WindowOf(StartProcess(started));
        Processes[started].running = false;
        FireTimer(100);
        EXPECT_EQ(hasGetProcessId, Hidden()) << hasGetProcessId;
        CloseForeignWindow(scene.window);
        FireTimer(100);
        EXPECT_TRUE(Shown()) << hasGetProcessId;
    }
}

// A setup that hands over to an installer of another class: the launcher
// comes back on the installer tick after that window has gone, without
// waiting out the limit for a window of the class it knows.
TEST_F(Watch, ASetupThatHandsOverIsFollowedToItsInstaller)
{
    static const struct {
        const char* name;
        int ticksBeforeWindow;  // the installer's window comes up after this many installer ticks
    } cases[] = { { "window at once", 0 }, { "window after a windowless while", 20 } };
    for (const auto& c : cases) {
        SetUp();
        OpenWindow();
        Command(Install);
        DWORD setup = Launcher.Watch.Child.Id;
        DWORD installer = StartProcess(setup, false);
        Processes[setup].running = false;
        FireTimer(100);
        ASSERT_TRUE(TimerRunning(101)) << c.name;
        Processes[installer].idle = true;
        for (int tick = 0; tick < c.ticksBeforeWindow; ++tick)
            FireTimer(101);
        HWND window = AddForeignWindow("OrvikWizard", "Orvik Setup", installer);
        for (int tick = 0; tick < 70; ++tick)
            FireTimer(101);
        EXPECT_TRUE(Hidden()) << c.name;
        EXPECT_EQ(1, Launcher.Watch.Installer.Seen) << c.name;
        AddKey(std::string(AppPathsPrefix) + "orvik.exe");
        CloseForeignWindow(window);
        Processes[installer].running = false;
        FireTimer(101);
        EXPECT_TRUE(Shown()) << c.name;
        EXPECT_EQ(1, Launcher.Disc.AppInstalled) << c.name;
        EXPECT_TRUE(Timers.empty()) << c.name;
        EXPECT_EQ(0, OpenProcessHandles) << c.name;
    }
}

// ---- Read Me and the packaged Notepad --------------------------------------

static const struct {
    const char* name;
    int notepadsBefore;     // Notepad windows open before Read Me
    bool ownWindow;         // the started Notepad shows its own, gone when it ends
    bool packagedWindow;    // a Notepad window of another process comes up while it runs
    bool packagedHidden;
    bool waits;             // hidden after the started Notepad's end, until that window closes
} NotepadScenes[] = {
    { "Notepad's own window", 0, true, false, false, false },
    { "handed to the packaged Notepad", 0, false, true, false, true },
    { "handed over beside a Notepad already open", 2, false, true, false, true },
    { "no window at all (the file could not be opened)", 0, false, false, false, false },
    { "only a Notepad already open", 1, false, false, false, false },
    { "a new Notepad window that is not visible", 0, false, true, true, false },
    { "more Notepad windows open before than remembered", 9, false, true, false, false },
};

TEST_F(Watch, ReadMeWaitsForANotepadWindowThatCameUpAfterTheStart)
{
    const DWORD packaged = 700;  // a process the launcher did not start
    for (bool afterInstall : { false, true }) {
        for (const auto& c : NotepadScenes) {
            std::string name = std::string(c.name) + (afterInstall ? ", after an install" : "");
            SetUp();
            OpenWindow();
            if (afterInstall)
                CompleteInstall();
            for (int i = 0; i < c.notepadsBefore; ++i)
                AddForeignWindow("Notepad", "notes.txt - Notepad", packaged);
            Command(ReadMe);
            DWORD started = Launcher.Watch.Child.Id;
            HWND own = c.ownWindow ? AddForeignWindow("Notepad", "readme.txt - Notepad", started) : NULL;
            HWND window = c.packagedWindow ? AddForeignWindow("Notepad", "readme.txt - Notepad", packaged) : NULL;
            if (c.packagedHidden)
                HideForeignWindow(window);
            FireTimer(100);
            ASSERT_TRUE(Hidden()) << name;
            Processes[started].running = false;
            CloseForeignWindow(own);
            for (int tick = 0; tick < 5; ++tick) {
                FireTimer(100);
                FireTimer(101);
            }
            EXPECT_EQ(c.waits, Hidden()) << name;
            CloseForeignWindow(window);
            FireTimer(100);
            FireTimer(101);
            EXPECT_TRUE(Shown()) << name;
            EXPECT_TRUE(Timers.empty()) << name;
        }
    }
}

// After Read Me, Install and Uninstall wait for no Notepad window.
TEST_F(Watch, OnlyReadMeWaitsForNotepadWindows)
{
    OpenWindow();
    InstallCompanion();
    Command(ReadMe);
    Processes[Launcher.Watch.Child.Id].running = false;
    FireTimer(100);
    ASSERT_TRUE(Shown());
    Command(Uninstall);
    AddForeignWindow("Notepad", "notes.txt - Notepad", 700);
    Processes[Launcher.Watch.Child.Id].running = false;
    FireTimer(100);
    EXPECT_TRUE(Shown());
}

// A snapshot of the system's processes is taken only when it can find
// something: while a held program runs without a visible window (it may be
// handing over) and on the tick its end is seen; none while Notepad shows
// the read-me, so that the hidden launcher's tick costs what it did.
TEST_F(Watch, ProcessSnapshotsOnlyWhenAProgramMayHaveHandedOver)
{
    OpenWindow();
    Command(ReadMe);
    DWORD notepad = Launcher.Watch.Child.Id;
    EXPECT_EQ(1, CountCalls("CreateToolhelp32Snapshot"));  // the processes there were at the start
    Calls.clear();
    FireTimer(100);
    EXPECT_EQ(1, CountCalls("CreateToolhelp32Snapshot"));  // no window yet
    HWND own = AddForeignWindow("Notepad", "readme.txt - Notepad", notepad);
    Calls.clear();
    for (int tick = 0; tick < 20; ++tick)
        FireTimer(100);
    EXPECT_EQ(0, CountCalls("CreateToolhelp32Snapshot"));
    EXPECT_EQ(1, CountCalls("EnumWindows"));  // Notepad's window found once, then asked after

    DWORD other = StartProcess(notepad);
    HWND window = AddForeignWindow("OrvikControl", "Orvik", other);
    Processes[notepad].running = false;
    CloseForeignWindow(own);
    Calls.clear();
    FireTimer(100);
    EXPECT_EQ(1, CountCalls("CreateToolhelp32Snapshot"));
    EXPECT_TRUE(Hidden());
    Calls.clear();
    for (int tick = 0; tick < 20; ++tick)
        FireTimer(100);
    EXPECT_EQ(0, CountCalls("CreateToolhelp32Snapshot"));
    CloseForeignWindow(window);
    FireTimer(100);
    EXPECT_TRUE(Shown());
    Calls.clear();
    FireTimer(100);
    EXPECT_EQ(0, CountCalls("EnumWindows"));
}

// ---- what the launcher waits for, after Install, Uninstall and Read Me -----

// The scene a command's program leaves on screen while it runs; then what is
// still up when its end is seen, and how that goes away.
struct Leftover {
    HWND window;      // closed to end the wait; null when nothing keeps it hidden
    DWORD program;    // its program, ended with it; 0 for none
    int appearAfter;  // ticks after the end is seen before the window comes up
};

// Setup shows a "Preparing to install" window for a tick, starts an engine,
// which is found while setup runs, and takes its window down.
static DWORD SplashThenEngine(DWORD setup)
{
    HWND splash = AddForeignWindow("#32770", "Preparing to install", setup);
    FireTimer(100);
    CloseForeignWindow(splash);
    DWORD engine = StartProcess(setup);
    FireTimer(100);
    return engine;
}

static const struct {
    const char* promise;
    int code;
    std::function<Leftover(DWORD started)> arrange;
    int hiddenTicks;  // ticks hidden after the end is seen; -1: until the leftover goes
    bool afterInstall = false;  // a complete install came first in the run
} Promises[] = {
    { "Install: a wizard that is its own installer is back on the tick that sees it end", Install,
      [](DWORD setup) {
          HWND wizard = AddForeignWindow("#32770", "Orvik Setup", setup);
          FireTimer(100);
          CloseForeignWindow(wizard);
          return Leftover{ NULL, 0, 0 };
      },
      0 },
    { "Install: a splash that hands over to an engine whose InstallShield window comes four seconds late", Install,
      [](DWORD setup) { return Leftover{ NULL, SplashThenEngine(setup), 4 }; }, -1 },
    // (HWND)1: a window of the engine's own class, made when it appears.
    { "Install: the engine's late window of a class of its own", Install,
      [](DWORD setup) { return Leftover{ (HWND)1, SplashThenEngine(setup), 4 }; }, -1 },
    { "Install: a window of the installer's class, of any title, that comes up after setup", Install,
      [](DWORD) { return Leftover{ NULL, 0, 1 }; }, -1 },
    { "Install: a window of the installer's class up when a setup with its own window ends", Install,
      [](DWORD setup) {
          SplashThenEngine(setup);
          Processes[NextProcessId - 1].running = false;  // the engine, gone: its window stays
          return Leftover{ AddForeignWindow("InstallShield_Win", "Setup"), 0, 0 };
      },
      -1 },
    { "Install: an engine that runs on and shows nothing is waited for a minute", Install,
      [](DWORD setup) {
          HWND splash = AddForeignWindow("#32770", "Preparing to install", setup);
          FireTimer(100);
          CloseForeignWindow(splash);
          StartProcess(setup, false);
          FireTimer(100);
          return Leftover{ NULL, 0, 0 };
      },
      60 },
    { "Uninstall: a copy that shows its window", Uninstall,
      [](DWORD started) {
          DWORD copy = StartProcess(started);
          return Leftover{ AddForeignWindow("OrvikUninstall", "Orvik Uninstall", copy), copy, 0 };
      },
      -1 },
    { "Read Me: a Notepad window open before takes the read-me in a tab", ReadMe,
      [](DWORD) {
          HWND open = FindWindowA("Notepad", NULL);
          FindWindowRecord(open)->title = "readme.txt - Notepad";
          return Leftover{ open, 0, 0 };
      },
      -1 },
    { "Read Me: a Notepad window open before that shows another file", ReadMe, [](DWORD) { return Leftover{}; }, 0 },
    { "Read Me after a complete install: back on the tick that sees Notepad end", ReadMe,
      [](DWORD) { return Leftover{}; }, 0, true },
    { "Read Me after a complete install: a window of the installer's class on screen", ReadMe,
      [](DWORD) { return Leftover{ AddForeignWindow("InstallShield_Win", "Other setup"), 0, 0 }; }, -1, true },
};

TEST_F(Watch, WhatTheLauncherWaitsFor)
{
    for (const auto& p : Promises) {
        OpenAfresh();
        InstallCompanion();
        if (p.afterInstall)
            CompleteInstall();
        HWND before = AddForeignWindow("Notepad", "notes.txt - Notepad", 700);
        Command(p.code);
        DWORD started = Launcher.Watch.Child.Id;
        ASSERT_TRUE(Hidden()) << p.promise;
        Leftover left = p.arrange(started);
        Processes[started].running = false;
        int ticks = p.hiddenTicks < 0 ? 8 : p.hiddenTicks;
        for (int tick = 0; tick < ticks; ++tick) {
            FireTimer(TimerRunning(100) ? 100 : 101);
            ASSERT_TRUE(Hidden()) << p.promise << ", tick " << tick;
            if (left.appearAfter != 0 && tick + 1 == left.appearAfter)
                left.window = left.window == (HWND)1 ? AddForeignWindow("OrvikEngine", "Orvik", left.program)
                                                     : AddForeignWindow("InstallShield_Win", "Orvik", left.program);
        }
        if (p.hiddenTicks < 0) {
            if (left.window == before)
                FindWindowRecord(before)->title = "notes.txt - Notepad";  // the read-me's tab closed
            else
                CloseForeignWindow(left.window);
            if (left.program != 0)
                Processes[left.program].running = false;
        }
        FireTimer(TimerRunning(100) ? 100 : 101);
        EXPECT_TRUE(Shown()) << p.promise;
        EXPECT_TRUE(Timers.empty()) << p.promise;
        EXPECT_EQ(0, OpenProcessHandles) << p.promise;
    }
}
