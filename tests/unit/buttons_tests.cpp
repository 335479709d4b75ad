// The button panel: images, layouts, hit test, hover and press.
#include "launcher_test.h"

#include <ctype.h>
#include <string.h>

using namespace standin;

typedef LauncherTest Buttons;

// Each button in each state shows the picture the resource script names for
// it, its pixels as they are (a DIB section, so its colours stay its own).
TEST_F(Buttons, EachButtonAndStateHasItsOwnPicture)
{
    GiveResources();
    LoadButtonImages(&Launcher.Panel, TestInstance, 0);
    static const struct {
        int code;
        const char* name;
    } buttons[] = { { Install, "install" }, { Uninstall, "uninstall" }, { ::Run, "run" }, { ReadMe, "readme" },
                    { Cancel, "cancel" } };
    static const char* const states[] = { "normal", "pressed", "highlighted" };  // by ButtonState
    std::map<std::string, int> shipped = ShippedBitmaps();
    ASSERT_EQ(15u, shipped.size());
    for (const auto& b : buttons)
        for (int state = 0; state < 3; ++state)
            EXPECT_EQ(std::to_string(shipped.at(std::string(b.name) + "_" + states[state])) + " 0809",
                      PictureOf(Launcher.Panel.ButtonImages[b.code][state]))
                << b.name << " " << states[state];
}

TEST_F(Buttons, APressPostsTheCommandOfTheSlotHit)
{
    for (const auto& p : HitCases) {
        SetUp();
        Launcher.MainWindow = (HWND)(uintptr_t)0x99;
        Launcher.Panel.Installed = Launcher.Disc.AppInstalled = p.installed;
        PressAt(&Launcher.Panel, Launcher.MainWindow, LauncherTest::At(p.x, p.y));
        if (p.code == 0) {
            EXPECT_TRUE(Posted.empty()) << p.x << "," << p.y;
            continue;
        }
        ASSERT_EQ(1u, Posted.size()) << p.x << "," << p.y;
        EXPECT_EQ((UINT)WM_USER, Posted[0].message);
        EXPECT_EQ((WPARAM)p.code, Posted[0].wParam) << p.x << "," << p.y;
        EXPECT_EQ(0, Posted[0].lParam);
        EXPECT_EQ(Pressed, Launcher.Panel.ButtonStates[p.code]);
        EXPECT_TRUE(Invalidations.empty()) << "a press does not repaint";
    }
}

TEST_F(Buttons, HoverInvalidatesOnlyWhatChanged)
{
    OpenWindow();
    Launcher.Panel.Installed = Launcher.Disc.AppInstalled = 1;
    Send(WM_MOUSEMOVE, 0, At(100, 350));  // onto ::Run
    Send(WM_MOUSEMOVE, 0, At(150, 360));  // still on ::Run
    Send(WM_MOUSEMOVE, 0, At(206, 378));  // its corner, still on ::Run
    ASSERT_EQ(1u, Invalidations.size());
    EXPECT_EQ(Highlighted, Launcher.Panel.ButtonStates[::Run]);
    EXPECT_EQ(92, Invalidations[0].rect.left);
    EXPECT_EQ(378, Invalidations[0].rect.bottom);
    EXPECT_FALSE(Invalidations[0].erase);

    Send(WM_MOUSEMOVE, 0, At(250, 360));  // from ::Run onto Read Me
    ASSERT_EQ(3u, Invalidations.size());
    EXPECT_EQ(Normal, Launcher.Panel.ButtonStates[::Run]);
    EXPECT_EQ(Highlighted, Launcher.Panel.ButtonStates[ReadMe]);
    EXPECT_EQ(92, Invalidations[1].rect.left);
    EXPECT_EQ(207, Invalidations[2].rect.left);

    Send(WM_MOUSEMOVE, 0, At(322, 360));  // into the gap
    EXPECT_EQ(4u, Invalidations.size());
    EXPECT_EQ(Normal, Launcher.Panel.ButtonStates[ReadMe]);
    Send(WM_MOUSEMOVE, 0, At(0, 0));
    EXPECT_EQ(4u, Invalidations.size());
}

TEST_F(Buttons, CoordinatesAreUnsignedHalvesOfLParam)
{
    OpenWindow();
    // A pointer left of the client area comes as x 65535: no button.
    Send(WM_MOUSEMOVE, 0, At(-1, 350));
    EXPECT_TRUE(Invalidations.empty());
    Send(WM_LBUTTONDOWN, 0, At(-1, 350));
    EXPECT_TRUE(Posted.empty());
}

TEST_F(Buttons, StatesOfButtonsOutsideTheLayoutAreKept)
{
    OpenWindow();
    Launcher.Panel.Installed = Launcher.Disc.AppInstalled = 1;
    Send(WM_MOUSEMOVE, 0, At(400, 360));  // Uninstall highlighted
    ASSERT_EQ(Highlighted, Launcher.Panel.ButtonStates[Uninstall]);
    Launcher.Panel.Installed = Launcher.Disc.AppInstalled = 0;
    Send(WM_MOUSEMOVE, 0, At(0, 0));
    EXPECT_EQ(Highlighted, Launcher.Panel.ButtonStates[Uninstall]);
    Send(WM_MOUSEMOVE, 0, At(300, 360));  // Read Me and Cancel are in both layouts
    EXPECT_EQ(Highlighted, Launcher.Panel.ButtonStates[ReadMe]);
    Launcher.Panel.Installed = Launcher.Disc.AppInstalled = 1;
    Send(WM_MOUSEMOVE, 0, At(0, 0));
    EXPECT_EQ(Normal, Launcher.Panel.ButtonStates[Uninstall]);
    EXPECT_EQ(Normal, Launcher.Panel.ButtonStates[ReadMe]);
}

TEST_F(Buttons, APressedButtonTurnsBackAtTheNextMove)
{
    OpenWindow();
    Send(WM_LBUTTONDOWN, 0, At(300, 360));
    EXPECT_EQ(Pressed, Launcher.Panel.ButtonStates[ReadMe]);
    Send(WM_MOUSEMOVE, 0, At(300, 361));
    EXPECT_EQ(Highlighted, Launcher.Panel.ButtonStates[ReadMe]);
    Send(WM_LBUTTONDOWN, 0, At(300, 360));
    Send(WM_LBUTTONDOWN, 0, At(300, 360));  // the second click of a double click
    EXPECT_EQ(3u, Posted.size());
}

// Keys as typed: T Tab, S Shift+Tab, R Right, D Down, L Left, U Up, E Enter,
// P Space, X Esc; a lower-case letter is the same key's auto-repeat (bit 30).
static const struct {
    const char* name;
    int installed;
    const char* keys;
    int highlighted;     // the button highlighted afterwards, 0 for none
    const char* posted;  // the command codes posted, in order
} KeySequences[] = {
    { "Tab from none highlights the first", 0, "T", Install, "" },
    { "Shift+Tab from none highlights the last", 0, "S", Cancel, "" },
    { "Shift+Tab wraps to the last", 0, "TS", Cancel, "" },
    { "Right and Down go forward", 0, "RD", ReadMe, "" },
    { "Left and Up go back", 0, "LU", ReadMe, "" },
    { "a held Tab moves on each repeat", 0, "Ttt", Cancel, "" },
    { "Tab Tab Enter presses Read Me", 0, "TTE", 0, "4" },
    { "Space presses like Enter", 0, "TP", 0, "1" },
    { "Enter with none highlighted does nothing", 0, "E", 0, "" },
    { "Esc is Cancel", 0, "X", 0, "5" },
    { "a held Enter starts its command once", 0, "TEee", 0, "1" },
    { "a held Esc starts Cancel once", 0, "Xxx", 0, "5" },
    { "installed: the third is Uninstall", 1, "TTTE", 0, "2" },
    { "installed: Tab wraps after Cancel", 1, "TTTTTE", 0, "3" },
    { "installed: Left from none to Cancel, then Up", 1, "LU", Uninstall, "" },
};

static void TypeKeys(const char* keys)
{
    for (const char* k = keys; *k; ++k) {
        static const char letters[] = "TSRDLUEPX";
        static const WPARAM codes[] = { VK_TAB, VK_TAB, VK_RIGHT, VK_DOWN, VK_LEFT, VK_UP, VK_RETURN, VK_SPACE, VK_ESCAPE };
        char upper = (char)toupper(*k);
        WPARAM code = codes[strchr(letters, upper) - letters];
        ShiftDown = upper == 'S';
        LPARAM flags = 1 | (*k != upper ? 0x40000000 : 0);  // repeat count 1, and the previous key state
        LauncherWindowProc(Launcher.MainWindow, WM_KEYDOWN, code, flags);
        ShiftDown = false;
    }
}

TEST_F(Buttons, KeysMoveTheHighlightAndPressTheHighlightedButton)
{
    for (const auto& k : KeySequences) {
        SetUp();
        OpenWindow();
        Launcher.Panel.Installed = Launcher.Disc.AppInstalled = k.installed;
        TypeKeys(k.keys);
        int count;
        const ButtonSlot* layout = CurrentLayout(&Launcher.Panel, &count);
        int highlighted = 0;
        for (int i = 0; i < count; ++i)
            if (Launcher.Panel.ButtonStates[layout[i].Code] == Highlighted)
                highlighted = highlighted == 0 ? layout[i].Code : -1;
        EXPECT_EQ(k.highlighted, highlighted) << k.name;
        std::string posted;
        for (const MSG& m : Posted) {
            EXPECT_EQ((UINT)WM_USER, m.message) << k.name;
            posted += std::to_string(m.wParam);
        }
        EXPECT_EQ(k.posted, posted) << k.name;
        if (!posted.empty() && posted != "5") {
            EXPECT_EQ(Pressed, Launcher.Panel.ButtonStates[posted[0] - '0']) << k.name << ": exactly as a press";
        }
    }
}

TEST_F(Buttons, ThePointerAndTheKeysMoveOneHighlight)
{
    OpenWindow();
    Send(WM_MOUSEMOVE, 0, At(300, 360));  // onto Read Me
    Invalidations.clear();
    TypeKeys("T");
    EXPECT_EQ(Normal, Launcher.Panel.ButtonStates[ReadMe]);
    EXPECT_EQ(Highlighted, Launcher.Panel.ButtonStates[Cancel]);
    ASSERT_EQ(2u, Invalidations.size());  // the two slots that changed, nothing else
    EXPECT_EQ(265, Invalidations[0].rect.left);
    EXPECT_EQ(410, Invalidations[1].rect.left);
    Send(WM_MOUSEMOVE, 0, At(150, 360));  // the pointer takes it back, onto Install
    EXPECT_EQ(Highlighted, Launcher.Panel.ButtonStates[Install]);
    EXPECT_EQ(Normal, Launcher.Panel.ButtonStates[Cancel]);
    TypeKeys("E");
    ASSERT_EQ(1u, Posted.size());
    EXPECT_EQ((WPARAM)Install, Posted[0].wParam);
}

TEST_F(Buttons, KeysDoNothingWhileTheLauncherIsHidden)
{
    OpenWindow();
    TypeKeys("T");
    HideMainWindow();
    Invalidations.clear();
    TypeKeys("TSEPX");
    EXPECT_TRUE(Posted.empty());
    EXPECT_TRUE(Invalidations.empty());
    EXPECT_EQ(Highlighted, Launcher.Panel.ButtonStates[Install]);
    RestoreMainWindow();
    TypeKeys("E");
    EXPECT_EQ(1u, Posted.size());
}
