// The child watch: the two timers, the installer window's coming and going,
// and bringing the launcher back.
#include "launcher_test.h"

using namespace standin;

class Watch : public LauncherTest {
protected:
    void Command(int code) { Send(WM_USER, (WPARAM)code); }
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
            Reset();
            Launcher = LauncherState();
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
    EXPECT_EQ(0, Launcher.InstallerSeen);
    HWND installer = AddForeignWindow("InstallShield_Win", "Orvik Setup");
    FireTimer(101);
    EXPECT_EQ(1, Launcher.InstallerSeen);
    FireTimer(101);  // still there
    EXPECT_TRUE(Hidden());
    AddKey(std::string(AppPathsPrefix) + "orvik.exe");  // what the installer did
    CloseForeignWindow(installer);
    FireTimer(101);
    EXPECT_FALSE(TimerRunning(101));
    EXPECT_TRUE(Shown());
    EXPECT_EQ(1, Launcher.AppInstalled);

    Blits.clear();
    PumpAll();  // the repaint and the pointer move at (0, 0)
    EXPECT_EQ(Normal, Launcher.ButtonStates[Install]);
    ASSERT_EQ(5u, Blits.size());
    EXPECT_EQ(Launcher.ButtonImages[::Run][Normal], Blits[1].source);
    EXPECT_EQ(Launcher.ButtonImages[Uninstall][Normal], Blits[3].source);
}

TEST_F(Watch, AnInstallerWindowIsFoundByClassAlone)
{
    OpenWindow();
    Command(Install);
    EndChild();
    FireTimer(100);
    AddForeignWindow("InstallShield_Win", "Anything at all");
    FireTimer(101);
    EXPECT_EQ(1, Launcher.InstallerSeen);
    EXPECT_EQ(1, CountCalls("FindWindowA InstallShield_Win|(null)"));
}

TEST_F(Watch, ReadMeAfterACompleteInstallComesBackOnTheFirstInstallerTick)
{
    OpenWindow();
    CompleteInstall();
    ASSERT_TRUE(Shown());

    Command(ReadMe);
    EndChild();
    FireTimer(100);
    EXPECT_TRUE(TimerRunning(101));  // an install was launched in this run
    EXPECT_TRUE(Hidden());
    FireTimer(101);
    EXPECT_TRUE(Shown());
    EXPECT_FALSE(TimerRunning(101));
}

TEST_F(Watch, AnotherInstallerWindowOnScreenIsWaitedFor)
{
    OpenWindow();
    Launcher.InstallLaunched = 1;
    Launcher.InstallerSeen = 1;
    Command(ReadMe);
    EndChild();
    FireTimer(100);
    HWND installer = AddForeignWindow("InstallShield_Win", "Other setup");
    FireTimer(101);
    EXPECT_TRUE(Hidden());
    CloseForeignWindow(installer);
    FireTimer(101);
    EXPECT_TRUE(Shown());
}

TEST_F(Watch, UninstallBeforeAnyInstallComesBackWithTheFreshLayout)
{
    OpenWindow();
    InstallCompanion();
    RefreshInstalledState();
    ASSERT_EQ(1, Launcher.AppInstalled);
    Command(Uninstall);
    RemoveKey(std::string(AppPathsPrefix) + "orvik.exe");
    EndChild();
    FireTimer(100);
    EXPECT_TRUE(Shown());
    EXPECT_EQ(0, Launcher.AppInstalled);
    EXPECT_FALSE(TimerRunning(101));
}

TEST_F(Watch, AWaitThatFailsCountsAsTheEnd)
{
    OpenWindow();
    Command(ReadMe);
    Processes[Launcher.ChildProcessId].waitFails = true;
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
    DWORD id = Launcher.ChildProcessId;
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
        Reset();
        Launcher = LauncherState();
        OpenWindow();
        if (c.viaShell)
            NextStartError = ERROR_ELEVATION_REQUIRED;
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
        EXPECT_EQ(nullptr, Launcher.ChildProcess) << c.name;
    }
}

TEST_F(Watch, AProgramThatEndsWithCode259HasEnded)
{
    OpenWindow();
    Command(ReadMe);
    Processes[Launcher.ChildProcessId].running = false;
    Processes[Launcher.ChildProcessId].exitCode = STILL_ACTIVE;
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
    EXPECT_EQ(0, Launcher.InstallerSeen);
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
        Reset();
        Launcher = LauncherState();
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
