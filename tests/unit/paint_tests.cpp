// Painting: the background's update rectangle, then the current layout's
// buttons, with nothing left behind.
#include "launcher_test.h"

using namespace standin;

typedef LauncherTest Painting;

static int PendingPaintCount()
{
    int count = 0;
    for (const Window& w : Windows)
        if (w.alive && !w.foreign && w.invalid.right > w.invalid.left && w.invalid.bottom > w.invalid.top)
            ++count;
    return count;
}

static HBITMAP Image(int code, int state)
{
    return Launcher.Panel.ButtonImages[code][state];
}

TEST_F(Painting, AnInvalidatedSlotRepaintsBackgroundThenButtons)
{
    OpenWindow();
    Launcher.Panel.Installed = Launcher.Disc.AppInstalled = 1;
    RECT run = { 92, 343, 206, 378 };
    InvalidateRect(Launcher.MainWindow, &run, FALSE);
    PumpAll();
    ASSERT_EQ(5u, Blits.size());
    const Blit& background = Blits[0];
    EXPECT_EQ(Launcher.BackgroundImage, background.source);
    EXPECT_EQ(92, background.x);
    EXPECT_EQ(343, background.y);
    EXPECT_EQ(114, background.width);
    EXPECT_EQ(35, background.height);
    EXPECT_EQ(92, background.sourceX);
    EXPECT_EQ(343, background.sourceY);
    EXPECT_EQ(SRCCOPY, background.rop);
    // Every button of the layout is drawn, in layout order; clipping keeps
    // all but Run's off the screen.
    static const struct {
        int code, left;
    } drawn[] = { { ::Run, 92 }, { ReadMe, 207 }, { Uninstall, 323 }, { Cancel, 439 } };
    for (int i = 0; i < 4; ++i) {
        const Blit& b = Blits[1 + i];
        EXPECT_EQ(Image(drawn[i].code, Normal), b.source);
        EXPECT_EQ(drawn[i].left, b.x);
        EXPECT_EQ(343, b.y);
        EXPECT_EQ(114, b.width);
        EXPECT_EQ(35, b.height);
        EXPECT_EQ(0, b.sourceX);
        EXPECT_EQ(0, b.sourceY);
        EXPECT_EQ(background.dest, b.dest);
    }
}

TEST_F(Painting, EachButtonShowsTheImageOfItsState)
{
    OpenWindow();
    Launcher.Panel.ButtonStates[Install] = Pressed;
    Launcher.Panel.ButtonStates[ReadMe] = Highlighted;
    InvalidateRect(Launcher.MainWindow, NULL, FALSE);
    PumpAll();
    ASSERT_EQ(4u, Blits.size());
    EXPECT_EQ(Image(Install, Pressed), Blits[1].source);
    EXPECT_EQ(Image(ReadMe, Highlighted), Blits[2].source);
    EXPECT_EQ(Image(Cancel, Normal), Blits[3].source);
}

TEST_F(Painting, AFullPaintAfterInstallingShowsTheInstalledLayout)
{
    OpenWindow();
    Launcher.Panel.Installed = Launcher.Disc.AppInstalled = 1;
    RestoreMainWindow();
    PumpAll();
    ASSERT_EQ(5u, Blits.size());
    // The background covers the whole client area first, so no trace of the
    // Install picture at (119, 343) stays.
    EXPECT_EQ(0, Blits[0].x);
    EXPECT_EQ(0, Blits[0].y);
    EXPECT_EQ(634, Blits[0].width);
    EXPECT_EQ(474, Blits[0].height);
    for (size_t i = 1; i < Blits.size(); ++i)
        EXPECT_NE(Image(Install, Normal), Blits[i].source);
    EXPECT_EQ(Image(Uninstall, Normal), Blits[3].source);
}

TEST_F(Painting, SelectsThePaletteForTheForegroundAndPutsItBack)
{
    OpenWindow();
    InvalidateRect(Launcher.MainWindow, NULL, FALSE);
    PumpAll();
    ASSERT_EQ(3u, PaletteCalls.size());
    EXPECT_EQ("select", PaletteCalls[0].op);
    EXPECT_EQ(Launcher.AppPalette, PaletteCalls[0].palette);
    EXPECT_FALSE(PaletteCalls[0].forceBackground);
    EXPECT_EQ(Launcher.MainWindow, PaletteCalls[0].dcWindow);
    EXPECT_EQ("realize", PaletteCalls[1].op);
    EXPECT_EQ("select", PaletteCalls[2].op);
    EXPECT_EQ(GetStockObject(DEFAULT_PALETTE), (HGDIOBJ)PaletteCalls[2].palette);
    EXPECT_FALSE(PaletteCalls[2].forceBackground);
    EXPECT_EQ(Blits[0].dest, PaletteCalls[0].dc);
}

TEST_F(Painting, ReadsTheUpdateRectangleWithEraseBeforeBeginPaint)
{
    OpenWindow();
    InvalidateRect(Launcher.MainWindow, NULL, TRUE);
    PumpAll();
    EXPECT_LT(IndexOfCall("GetUpdateRect erase"), IndexOfCall("BeginPaint"));
    ASSERT_FALSE(Fills.empty());
    EXPECT_EQ(GetStockObject(BLACK_BRUSH), (HGDIOBJ)Fills[0].brush);
}

TEST_F(Painting, LeavesNoGdiObjectBehind)
{
    OpenWindow();
    int before = LiveGdiObjects();
    RealizeResult = 5;
    for (int i = 0; i < 1000; ++i) {
        Send(WM_MOUSEMOVE, 0, At(i % 2 ? 150 : 300, 360));
        if (i % 10 == 0)
            Send(WM_QUERYNEWPALETTE);
        if (i % 10 == 5)
            Send(WM_PALETTECHANGED, (WPARAM)AddForeignWindow("Other", "Other"));
        PumpAll();
    }
    EXPECT_EQ(before, LiveGdiObjects());
    EXPECT_EQ(0, LiveObjects(WindowDc));
    EXPECT_EQ(0, LiveObjects(MemoryDc));
    EXPECT_GT(Blits.size(), 1000u);
}

TEST_F(Painting, WithoutABackgroundTheUpdateIsBlackBehindTheButtons)
{
    InsertDisc();
    GiveResources();
    RemoveFile("E:\\background.bmp");
    Idle = [] { return false; };
    StartLauncher();
    EXPECT_EQ(nullptr, Launcher.BackgroundImage);
    Fills.clear();
    Blits.clear();
    RECT slot = { 119, 343, 233, 378 };
    InvalidateRect(Launcher.MainWindow, &slot, FALSE);
    PumpAll();
    ASSERT_EQ(1u, Fills.size());
    EXPECT_EQ(GetStockObject(BLACK_BRUSH), (HGDIOBJ)Fills[0].brush);
    EXPECT_EQ(119, Fills[0].rect.left);
    EXPECT_EQ(3u, Blits.size());  // the buttons only
    EXPECT_EQ(0, LiveObjects(MemoryDc));
}

TEST_F(Painting, AButtonWhoseImageFailedLeavesTheBackgroundInItsSlot)
{
    InsertDisc();
    GiveResources();
    Resources.erase(ResourceName((uintptr_t)RT_BITMAP, 112, 0x0809));  // Read Me, Normal
    Idle = [] { return false; };
    StartLauncher();
    Blits.clear();
    InvalidateRect(Launcher.MainWindow, NULL, FALSE);
    PumpAll();
    ASSERT_EQ(3u, Blits.size());
    EXPECT_EQ(Launcher.BackgroundImage, Blits[0].source);
    EXPECT_EQ(119, Blits[1].x);
    EXPECT_EQ(410, Blits[2].x);
}

TEST_F(Painting, NoMemoryDeviceContextStillEndsThePaint)
{
    OpenWindow();
    CreateCompatibleDcFails = true;
    InvalidateRect(Launcher.MainWindow, NULL, FALSE);
    PumpAll();
    EXPECT_EQ(1, CountCalls("EndPaint"));
    EXPECT_EQ(0, LiveObjects(WindowDc));
}

TEST_F(Painting, LoadsTheBackgroundFromTheDiscAsADibSection)
{
    InsertDisc();
    GiveResources();
    Idle = [] { return false; };
    StartLauncher();
    EXPECT_EQ(1, CountCalls("LoadImageA file E:\\background.bmp 8208"));
    EXPECT_EQ("E:\\background.bmp", FileOf(Launcher.BackgroundImage));
}

// Wine does not count GDI objects, so the long soak is shown here on the
// stand-in's live counts.
TEST_F(Painting, AHundredThousandPaintsLeaveNoGdiObjectBehind)
{
    OpenWindow();
    RealizeResult = 7;
    HWND other = AddForeignWindow("Other", "Other");
    int before = LiveGdiObjects();
    int paints = 0;
    for (int i = 0; i < 100000; ++i) {
        Send(WM_MOUSEMOVE, 0, At(i % 2 ? 300 : 450, 360));
        if (i % 100 == 0)
            Send(i % 200 ? WM_QUERYNEWPALETTE : WM_PALETTECHANGED, (WPARAM)other);
        if (PendingPaintCount() > 0) {
            PumpAll();
            ++paints;
        }
        if (i % 1000 == 0) {
            Calls.clear();
            Blits.clear();
            Invalidations.clear();
            PaletteCalls.clear();
            Fills.clear();
        }
    }
    EXPECT_EQ(100000, paints);
    EXPECT_EQ(before, LiveGdiObjects());
    EXPECT_EQ(0, LiveObjects(WindowDc));
    EXPECT_EQ(0, LiveObjects(MemoryDc));
}
