// Start-up: refusals and their order, placement, the window's values, the
// loop and the dispatch of the launcher's own messages.
#include "launcher_test.h"

using namespace standin;

typedef LauncherTest Startup;

TEST_F(Startup, AnotherLauncherUpStopsBeforeAnythingElse)
{
    InsertDisc();
    AddForeignWindow("Autorun", "ZARNO KELVANDO(tm)");
    EXPECT_EQ(0, StartLauncher());
    EXPECT_EQ(1, CountCalls("FindWindowA"));
    EXPECT_EQ(0, CountCalls("GetSystemMetrics"));
    EXPECT_EQ(0, CountCalls("RegisterClassA"));
}

// The mutex comes before everything else, and a launcher that gets it keeps
// it to the end of its run; one already made by a launcher still starting
// (with no window yet) stops the second one.
TEST_F(Startup, TheMutexIsTakenFirstAndHeld)
{
    static const struct {
        const char* name;
        bool otherHasMutex, createFails, otherWindow;
        bool runs;
    } cases[] = {
        { "alone", false, false, false, true },
        { "another launcher still starting", true, false, false, false },
        { "no mutex to be had, no window", false, true, false, true },
        { "no mutex to be had, a window", false, true, true, false },
    };
    for (const auto& c : cases) {
        SetUp();
        InsertDisc();
        if (c.otherHasMutex)
            Mutexes.insert("ZarnoKelvandoAutorun");
        CreateMutexFails = c.createFails;
        if (c.otherWindow)
            AddForeignWindow("Autorun", "ZARNO KELVANDO(tm)");
        EXPECT_EQ(0, StartLauncher()) << c.name;
        EXPECT_EQ("CreateMutexA ZarnoKelvandoAutorun 0", Calls.at(0)) << c.name;
        EXPECT_EQ(c.runs ? 1 : 0, CountCalls("CreateWindowExA")) << c.name;
        EXPECT_EQ(c.otherHasMutex ? 0 : 1, CountCalls("FindWindowA Autorun")) << c.name;
        EXPECT_EQ(c.createFails ? 0 : 1, OpenMutexHandles) << c.name;
        EXPECT_EQ(0, BadCloses) << c.name;
    }
    // Held through the window's end as well.
    SetUp();
    InsertDisc();
    OpenWindow();
    Send(WM_DESTROY);
    EXPECT_EQ(1, OpenMutexHandles);
}

TEST_F(Startup, CompanionRunningStopsBeforeAnyDiscAccess)
{
    InsertDisc();
    AddForeignWindow("OrvikControl", "Orvik");
    EXPECT_EQ(0, StartLauncher());
    EXPECT_EQ("FindWindowA Autorun|ZARNO KELVANDO(tm)", Calls.at(1));
    EXPECT_EQ("FindWindowA OrvikControl|Orvik", Calls.at(2));
    EXPECT_EQ(0, CountCalls("GetLogicalDriveStringsA"));
    EXPECT_EQ(0, CountCalls("CreateFileA"));
    EXPECT_EQ(0, CountCalls("CreateWindowExA"));
}

TEST_F(Startup, WindowsWithOtherTitlesDoNotStopIt)
{
    InsertDisc();
    AddForeignWindow("Autorun", "Another product");
    AddForeignWindow("OrvikControl", "Orvik settings");
    StartLauncher();
    EXPECT_EQ(1, CountCalls("CreateWindowExA"));
}

TEST_F(Startup, NoDiscStopsSilentlyWithoutAWindow)
{
    InsertDisc();
    RemoveFile("E:\\kelvando.id");
    EXPECT_EQ(0, StartLauncher());
    EXPECT_EQ(0, CountCalls("RegisterClassA"));
    EXPECT_TRUE(Windows.empty());
    // The palette was built before the disc search and is left to the process's end.
}

TEST_F(Startup, FailedRegistrationOrCreationStops)
{
    InsertDisc();
    RegisterClassFails = true;
    EXPECT_EQ(0, StartLauncher());
    EXPECT_EQ(0, CountCalls("CreateWindowExA"));

    SetUp();
    InsertDisc();
    CreateWindowFails = true;
    EXPECT_EQ(0, StartLauncher());
    EXPECT_EQ(0, CountCalls("ShowWindow"));
    EXPECT_EQ(0, CountCalls("CreateFileA E:\\autorun.inf"));
}

TEST_F(Startup, PlacesTheWindowAroundTheScreenCentre)
{
    static const struct {
        int screenWidth, screenHeight, x, y;
    } cases[] = {
        { 1024, 768, 192, 144 },
        { 1023, 768, 191, 144 },  // the centre is truncated: 511
        { 640, 480, 0, 0 },
        { 320, 200, -160, -140 },  // smaller than the window: passed unchanged
        { 1025, 769, 192, 144 },
    };
    for (const auto& c : cases) {
        SetUp();
        InsertDisc();
        ScreenWidth = c.screenWidth;
        ScreenHeight = c.screenHeight;
        StartLauncher();
        ASSERT_EQ(1u, Windows.size());
        EXPECT_EQ(c.x, Windows[0].x) << c.screenWidth << " x " << c.screenHeight;
        EXPECT_EQ(c.y, Windows[0].y) << c.screenWidth << " x " << c.screenHeight;
        EXPECT_EQ(640, Windows[0].width);
        EXPECT_EQ(480, Windows[0].height);
    }
}

// What other programs and the user see of the window: a second launcher
// finds it by class and title; a pop-up with a dialog frame and no caption
// bar, with the arrow and a black background where nothing is drawn.
TEST_F(Startup, TheWindowIsTheOneASecondLauncherLooksFor)
{
    InsertDisc();
    StartLauncher();
    EXPECT_EQ(Launcher.MainWindow, FindWindowA("Autorun", "ZARNO KELVANDO(tm)"));
    ASSERT_EQ(1u, Windows.size());
    EXPECT_EQ((DWORD)(WS_POPUP | WS_DLGFRAME), Windows[0].style & (WS_POPUP | WS_CAPTION));
    EXPECT_EQ(0u, Windows[0].exStyle);
    EXPECT_EQ(SW_SHOWDEFAULT, Windows[0].showCommand);
    ASSERT_EQ(1u, RegisteredClasses.size());
    EXPECT_EQ(LoadCursorA(NULL, IDC_ARROW), RegisteredClasses[0].hCursor);
    EXPECT_EQ(GetStockObject(BLACK_BRUSH), (HGDIOBJ)RegisteredClasses[0].hbrBackground);
}

TEST_F(Startup, LoadsConfigurationAndPicturesAfterShowingAndBeforeTheLoop)
{
    InsertDisc();
    GiveResources();
    StartLauncher();
    int shown = IndexOfCall("ShowWindow");
    int config = IndexOfCall("CreateFileA E:\\autorun.inf");
    int background = IndexOfCall("LoadImageA file");
    int buttons = IndexOfCall("CreateDIBSection");
    int firstPaint = IndexOfCall("BeginPaint");
    EXPECT_LT(IndexOfCall("CreatePalette"), IndexOfCall("GetLogicalDriveStringsA"));
    EXPECT_LT(shown, config);
    EXPECT_LT(config, background);
    EXPECT_LT(background, buttons);
    EXPECT_LT(buttons, firstPaint);
    EXPECT_EQ(-1, IndexOfCall("UpdateWindow"));
}

TEST_F(Startup, CloseEndsTheLoopWithExitCodeZero)
{
    InsertDisc();
    GiveResources();
    int closes = 0;
    Idle = [&] {
        if (closes++ > 0)
            return false;
        PostMessageA(Launcher.MainWindow, WM_CLOSE, 0, 0);
        return true;
    };
    EXPECT_EQ(0, StartLauncher());
    EXPECT_FALSE(LoopStarved);  // the loop ended on WM_QUIT, not for want of messages
    EXPECT_FALSE(IsWindow(Launcher.MainWindow));
    EXPECT_EQ(0, LiveObjects(PaletteObject));  // deleted with the window
}

TEST_F(Startup, AFailingGetMessageEndsTheRunWithZero)
{
    InsertDisc();
    GiveResources();
    GetMessageFails = true;
    EXPECT_EQ(0, StartLauncher());
}

// The system calls the entry directly: it runs the launcher for the
// program's own module and ends the process with its exit code.
TEST_F(Startup, TheEntryRunsTheLauncherForItsOwnModule)
{
    InsertDisc();
    GiveResources();
    Idle = [] { return false; };
    LauncherEntry();
    EXPECT_TRUE(Exited);
    EXPECT_EQ(0u, ExitCode);
    ASSERT_EQ(1u, RegisteredClasses.size());
    EXPECT_EQ(GetModuleHandleA(NULL), RegisteredClasses[0].hInstance);
}

// Before anything else, the DLL search leaves the current folder out: with
// what kernel32 offers on Windows 8 and later, on XP SP1 to 7, and on 9x.
TEST_F(Startup, TheEntryLimitsTheDllSearchWithWhatTheSystemHas)
{
    static const struct {
        std::set<std::string> exports;
        std::vector<std::string> calls;
        bool preloads;  // the libraries a system library loads by name, from the system directory first
    } cases[] = {
        { { "SetDefaultDllDirectories", "SetDllDirectoryA" }, { "SetDefaultDllDirectories 2048" }, false },
        { { "SetDllDirectoryA" }, { "SetDllDirectoryA " }, true },
        { {}, {}, true },
    };
    for (const auto& c : cases) {
        SetUp();
        InsertDisc();
        GiveResources();
        KernelExports = c.exports;
        Idle = [] { return false; };
        LauncherEntry();
        EXPECT_EQ(c.calls, DllSearchCalls) << c.exports.size();
        // Their own imports are looked for from the system directory too.
        std::vector<LibraryLoad> preloads;
        if (c.preloads)
            preloads = { { SystemDirectory + "\\uxtheme.dll", QuietErrorMode, SystemDirectory },
                         { SystemDirectory + "\\dwmapi.dll", QuietErrorMode, SystemDirectory } };
        ASSERT_EQ(preloads.size(), LibraryLoads.size()) << c.exports.size();
        for (size_t i = 0; i < preloads.size(); ++i) {
            EXPECT_EQ(preloads[i].path, LibraryLoads[i].path);
            EXPECT_EQ(preloads[i].errorMode, LibraryLoads[i].errorMode);
            EXPECT_EQ(preloads[i].importsFrom, LibraryLoads[i].importsFrom);
        }
        EXPECT_EQ(0u, ErrorMode) << "the starter's error mode is back";
        EXPECT_LT(IndexOfCall("GetProcAddress SetD"), IndexOfCall("FindWindowA")) << c.exports.size();
        EXPECT_TRUE(Exited);
    }
}

TEST_F(Startup, DispatchesItsOwnMessagesAndPassesTheRestOn)
{
    OpenWindow();
    EXPECT_EQ(0, Send(WM_CREATE));
    EXPECT_EQ(0, CountCalls("DefWindowProcA"));
    Send(0x0086 /* WM_NCACTIVATE */, 1);
    EXPECT_EQ(1, CountCalls("DefWindowProcA 134"));
    EXPECT_EQ(0, Send(WM_USER + 1));
    EXPECT_EQ(1, CountCalls("DefWindowProcA 1025"));

    EXPECT_NE(nullptr, Launcher.AppPalette);
    EXPECT_EQ(0, Send(WM_DESTROY));
    EXPECT_EQ(nullptr, Launcher.AppPalette);
    EXPECT_EQ(0, LiveObjects(PaletteObject));
    EXPECT_TRUE(QuitPosted);
    EXPECT_EQ(0, QuitCode);
}

TEST_F(Startup, HideAndRestoreMoveTheWindow)
{
    OpenWindow();
    HideMainWindow();
    RestoreMainWindow();
    ASSERT_EQ(2u, Moves.size());
    EXPECT_EQ(-1, Moves[0].x);
    EXPECT_EQ(-1, Moves[0].y);
    EXPECT_EQ(0, Moves[0].width);
    EXPECT_EQ(0, Moves[0].height);
    EXPECT_EQ(192, Moves[1].x);
    EXPECT_EQ(144, Moves[1].y);
    EXPECT_EQ(640, Moves[1].width);
    EXPECT_EQ(480, Moves[1].height);
    EXPECT_TRUE(Moves[0].repaint && Moves[1].repaint);
    EXPECT_EQ(0, CountCalls("ShowWindow"));  // hidden by size, still a window a second launcher finds
}

TEST_F(Startup, RestorePositionIgnoresALaterResolutionChange)
{
    OpenWindow();
    ScreenWidth = 1600;
    ScreenHeight = 1200;
    RestoreMainWindow();
    EXPECT_EQ(192, Moves.back().x);
    EXPECT_EQ(144, Moves.back().y);
}

TEST_F(Startup, FormatTextRefusesWhatDoesNotFit)
{
    char buffer[8];
    EXPECT_EQ(1, FormatText(buffer, 8, "%c:\\%s", 'e', "abcd"));  // 7 characters and the zero
    EXPECT_STREQ("e:\\abcd", buffer);
    EXPECT_EQ(0, FormatText(buffer, 8, "%c:\\%s", 'e', "abcde"));
    EXPECT_STREQ("", buffer);
    EXPECT_EQ(1, FormatText(buffer, 8, "100%%"));
    EXPECT_STREQ("100%", buffer);
    EXPECT_EQ(1, FormatText(buffer, 1, "%s", ""));
    EXPECT_EQ(0, FormatText(buffer, 0, "x"));
}
