// What screen readers are told: the answer to WM_GETOBJECT, the accessible
// object's methods over both layouts and the hidden launcher, and the events
// that announce the keyboard's moves and the window's return.
#include "launcher_test.h"

using namespace standin;

class Accessible : public LauncherTest {
protected:
    IAccessible* panel = &Launcher.Readers.Object;

    // The reader's first question, as Windows sends it: OBJID_CLIENT in lParam.
    LRESULT AskForClient(LPARAM objectId = (LPARAM)OBJID_CLIENT) { return Send(WM_GETOBJECT, 7, objectId); }
    void OpenAndAsk(int installed = 0)
    {
        OpenWindow();
        Launcher.Panel.Installed = Launcher.Disc.AppInstalled = installed;
        ForegroundWindow = Launcher.MainWindow;  // the user works with it
        ASSERT_EQ(ObjectReference, AskForClient());
    }
    void TearDown() override { EXPECT_EQ(0, LiveStrings) << "BSTRs made and not freed"; }
};

static VARIANT Child(LONG id, VARTYPE type = VT_I4)
{
    VARIANT child = {};
    child.vt = type;
    child.lVal = id;
    return child;
}

// The launcher window sits at the centre of a 1024 x 768 screen, its client
// area inside the 3-pixel dialog frame.
const int ClientLeft = 1024 / 2 - 320 + 3;
const int ClientTop = 768 / 2 - 240 + 3;

TEST_F(Accessible, OnlyTheClientIsAnsweredAndTheLibrariesWaitForTheFirstQuestion)
{
    OpenWindow();
    // Start-up and the user's own moves load nothing of Active Accessibility.
    Send(WM_MOUSEMOVE, 0, At(300, 360));
    Send(WM_KEYDOWN, VK_TAB, 1);
    EXPECT_EQ(0, CountCalls("LoadLibraryExA"));
    EXPECT_EQ(0, ComInitializes);

    static const struct {
        const char* name;
        LPARAM objectId;
        LRESULT answer;
    } questions[] = {
        { "the window as a whole is the system's", (LPARAM)OBJID_WINDOW, 0 },
        { "the caret is the system's", (LPARAM)OBJID_CARET, 0 },
        { "an application's own id", 12, 0 },
        { "OBJID_CLIENT, sign-extended", (LPARAM)OBJID_CLIENT, ObjectReference },
        { "OBJID_CLIENT as 64-bit Windows may send it, without sign extension", (LPARAM)(DWORD)OBJID_CLIENT,
          ObjectReference },
    };
    for (const auto& q : questions) {
        Calls.clear();
        EXPECT_EQ(q.answer, AskForClient(q.objectId)) << q.name;
        EXPECT_EQ(q.answer == 0 ? 1 : 0, CountCalls("DefWindowProcA 61")) << q.name;
    }
    ASSERT_EQ(2u, ObjectResults.size());
    for (const ObjectResult& result : ObjectResults) {
        EXPECT_TRUE(result.accessible);
        EXPECT_EQ(7u, result.wParam);  // passed on as it came
        EXPECT_EQ((void*)&Launcher.Readers.Object, result.object);
    }
    EXPECT_EQ(1, ComInitializes) << "COM started once, on the first question";
    // From the system directory only, their own imports too, and quietly:
    // no loader's box waits for an answer; the error mode is the caller's
    // again afterwards.
    ASSERT_FALSE(LibraryLoads.empty());
    for (const LibraryLoad& load : LibraryLoads) {
        EXPECT_EQ(0u, load.path.find("C:\\WINDOWS\\system32\\")) << load.path;
        EXPECT_EQ("C:\\WINDOWS\\system32", load.importsFrom) << load.path;
        EXPECT_EQ((UINT)(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX), load.errorMode) << load.path;
    }
    EXPECT_EQ(0u, ErrorMode);
}

// A system without Active Accessibility (Windows 95 without it), or one whose
// COM cannot start, answers as any window, and is not asked again.
TEST_F(Accessible, WithoutTheLibrariesTheWindowAnswersAsAnyOther)
{
    static const struct {
        const char* name;
        const char* missingLibrary;
        const char* missingExport;
        HRESULT comAnswer;
    } systems[] = {
        { "no oleacc", "oleacc.dll", "", S_OK },
        { "no oleaut32", "oleaut32.dll", "", S_OK },
        { "an oleacc without LresultFromObject", "", "LresultFromObject", S_OK },
        { "an ole32 without CoDisconnectObject", "", "CoDisconnectObject", S_OK },
        { "COM refuses the thread", "", "", (HRESULT)0x80010106u },  // RPC_E_CHANGED_MODE
    };
    for (const auto& system : systems) {
        SetUp();
        OpenWindow();
        AccessLibraries.erase(system.missingLibrary);
        AccessExports.erase(system.missingExport);
        ComInitializeAnswer = system.comAnswer;
        EXPECT_EQ(0, AskForClient()) << system.name;
        int loads = CountCalls("LoadLibraryExA");
        EXPECT_EQ(0, AskForClient()) << system.name;
        EXPECT_EQ(loads, CountCalls("LoadLibraryExA")) << system.name << ": looked for once";
        EXPECT_TRUE(ObjectResults.empty()) << system.name;
        Send(WM_DESTROY);
        EXPECT_EQ(0, ComUninitializes) << system.name;
        EXPECT_TRUE(Disconnected.empty()) << system.name;
    }
}

// Child 0 is the client; 1 to the count the buttons in the order shown. A
// Japanese user of a Western Windows (whose ANSI code page has no Japanese)
// hears the Japanese names as the string table holds them.
TEST_F(Accessible, BothLayoutsAreToldInTheOrderShown)
{
    static const struct {
        int installed;
        std::vector<std::string> names;
        std::vector<int> lefts;
        WORD language;  // the user's, among the launcher's; 0 for the one-language launcher
        const char* action;
    } layouts[] = {
        { 0, { "Install", "Read Me", "Cancel" }, { 119, 265, 410 }, 0, "Press" },
        { 1, { "Run", "Read Me", "Uninstall", "Cancel" }, { 92, 207, 323, 439 }, 0, "Press" },
        { 0, { "インストール", "お読みください", "キャンセル" }, { 119, 265, 410 }, 0x0411, "押す" },
    };
    for (const auto& layout : layouts) {
        SetUp();
        if (layout.language != 0) {
            GiveLanguage(layout.language, { { Install, layout.names[0] }, { ReadMe, layout.names[1] },
                                            { Cancel, layout.names[2] }, { PRESS_STRING, layout.action } });
            AddLanguages(0x0809, { 0x0809, layout.language });
            UiLanguage = layout.language;
        }
        OpenAndAsk(layout.installed);
        long count = -1;
        EXPECT_EQ(S_OK, panel->lpVtbl->get_accChildCount(panel, &count));
        ASSERT_EQ((long)layout.names.size(), count);
        for (LONG id = 0; id <= count; ++id) {
            SCOPED_TRACE("installed " + std::to_string(layout.installed) + ", child " + std::to_string(id));
            BSTR name = NULL, action = NULL;
            VARIANT role = Child(-1), state = Child(-1);
            long left, top, width, height;
            EXPECT_EQ(S_OK, panel->lpVtbl->get_accName(panel, Child(id), &name));
            EXPECT_EQ(id == 0 ? "ZARNO KELVANDO(tm)" : layout.names[id - 1], TakeString(name));
            EXPECT_EQ(S_OK, panel->lpVtbl->get_accRole(panel, Child(id), &role));
            EXPECT_EQ(VT_I4, role.vt);
            EXPECT_EQ(id == 0 ? ROLE_SYSTEM_CLIENT : ROLE_SYSTEM_PUSHBUTTON, role.lVal);
            EXPECT_EQ(S_OK, panel->lpVtbl->get_accState(panel, Child(id), &state));
            EXPECT_EQ(id == 0 ? STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED : STATE_SYSTEM_FOCUSABLE, state.lVal);
            EXPECT_EQ(S_OK, panel->lpVtbl->accLocation(panel, &left, &top, &width, &height, Child(id)));
            EXPECT_EQ(id == 0 ? ClientLeft : ClientLeft + layout.lefts[id - 1], left);
            EXPECT_EQ(id == 0 ? ClientTop : ClientTop + 343, top);
            EXPECT_EQ(id == 0 ? 634 : 114, width);
            EXPECT_EQ(id == 0 ? 474 : 35, height);
            EXPECT_EQ(id == 0 ? S_FALSE : S_OK, panel->lpVtbl->get_accDefaultAction(panel, Child(id), &action));
            EXPECT_EQ(id == 0 ? "(null)" : layout.action, TakeString(action));
            IDispatch* object = (IDispatch*)panel;
            EXPECT_EQ(id == 0 ? E_INVALIDARG : S_FALSE, panel->lpVtbl->get_accChild(panel, Child(id), &object));
            EXPECT_EQ(nullptr, object) << "a button is a simple element";
        }
    }
}

// Past the buttons, before the client, and any VARIANT but VT_I4: every
// method refuses with E_INVALIDARG and leaves its out-parameters empty.
TEST_F(Accessible, ChildIdsOutsideTheLayoutAreRefused)
{
    static const struct {
        const char* name;
        int installed;
        int hidden;
        VARIANT child;
    } refusals[] = {
        { "one past the fresh layout", 0, 0, Child(4) },
        { "one past the installed layout", 1, 0, Child(5) },
        { "a negative id", 0, 0, Child(-1) },
        { "a string", 0, 0, Child(1, VT_BSTR) },
        { "an empty VARIANT", 0, 0, Child(0, VT_EMPTY) },
        { "an object", 0, 0, Child(0, VT_DISPATCH) },
        { "a button of the hidden launcher", 0, 1, Child(1) },
    };
    for (const auto& r : refusals) {
        SetUp();
        OpenAndAsk(r.installed);
        if (r.hidden)
            HideMainWindow();
        long left = 9, top = 9, width = 9, height = 9;
        IDispatch* object = (IDispatch*)panel;
        for (auto text : { &IAccessibleVtbl::get_accName, &IAccessibleVtbl::get_accDescription,
                           &IAccessibleVtbl::get_accDefaultAction }) {
            BSTR out = (BSTR)&r;
            EXPECT_EQ(E_INVALIDARG, (panel->lpVtbl->*text)(panel, r.child, &out)) << r.name;
            EXPECT_EQ(nullptr, out) << r.name;
        }
        for (auto value : { &IAccessibleVtbl::get_accRole, &IAccessibleVtbl::get_accState }) {
            VARIANT out = Child(9);
            EXPECT_EQ(E_INVALIDARG, (panel->lpVtbl->*value)(panel, r.child, &out)) << r.name;
            EXPECT_EQ(VT_EMPTY, out.vt) << r.name;
        }
        EXPECT_EQ(E_INVALIDARG, panel->lpVtbl->accLocation(panel, &left, &top, &width, &height, r.child)) << r.name;
        EXPECT_EQ(0, left | top | width | height) << r.name;
        EXPECT_EQ(E_INVALIDARG, panel->lpVtbl->get_accChild(panel, r.child, &object)) << r.name;
        EXPECT_EQ(nullptr, object) << r.name;
        VARIANT out = Child(9);
        EXPECT_EQ(E_INVALIDARG, panel->lpVtbl->accNavigate(panel, NAVDIR_NEXT, r.child, &out)) << r.name;
        EXPECT_EQ(VT_EMPTY, out.vt) << r.name;
        EXPECT_EQ(E_INVALIDARG, panel->lpVtbl->accDoDefaultAction(panel, r.child)) << r.name;
        EXPECT_TRUE(Posted.empty()) << r.name;
    }
}

// Hidden, the launcher has no buttons to tell of and its client is out of
// sight; back, the buttons are there again with their places.
TEST_F(Accessible, TheHiddenLauncherTellsOfNoButtonsAndNoPlace)
{
    OpenAndAsk();
    HideMainWindow();
    long count = -1, left, top, width, height;
    VARIANT state, found = Child(9);
    EXPECT_EQ(S_OK, panel->lpVtbl->get_accChildCount(panel, &count));
    EXPECT_EQ(0, count);
    EXPECT_EQ(S_OK, panel->lpVtbl->get_accState(panel, Child(CHILDID_SELF), &state));
    // Invisible alone: off-screen too would tell readers that it is only
    // scrolled out of view, and may still be presented.
    EXPECT_EQ(STATE_SYSTEM_INVISIBLE, state.lVal & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN));
    EXPECT_EQ(S_OK, panel->lpVtbl->accLocation(panel, &left, &top, &width, &height, Child(CHILDID_SELF)));
    EXPECT_EQ(0, width);
    EXPECT_EQ(0, height);
    EXPECT_EQ(S_FALSE, panel->lpVtbl->accHitTest(panel, ClientLeft + 300, ClientTop + 360, &found));
    EXPECT_EQ(VT_EMPTY, found.vt);
    EXPECT_EQ(S_FALSE, panel->lpVtbl->accNavigate(panel, NAVDIR_FIRSTCHILD, Child(CHILDID_SELF), &found));
    RestoreMainWindow();
    EXPECT_EQ(S_OK, panel->lpVtbl->get_accChildCount(panel, &count));
    EXPECT_EQ(3, count);
    EXPECT_EQ(S_OK, panel->lpVtbl->accHitTest(panel, ClientLeft + 300, ClientTop + 360, &found));
    EXPECT_EQ(2, found.lVal);
}

// The lit button has the focus and is hot-tracked; a pressed one is pressed.
TEST_F(Accessible, TheLitButtonHasTheFocus)
{
    OpenAndAsk();
    VARIANT state, focus;
    EXPECT_EQ(S_OK, panel->lpVtbl->get_accFocus(panel, &focus));
    EXPECT_EQ(VT_I4, focus.vt);
    EXPECT_EQ(CHILDID_SELF, focus.lVal) << "none lit: the client";
    Send(WM_KEYDOWN, VK_TAB, 1);
    Send(WM_KEYDOWN, VK_TAB, 1);
    EXPECT_EQ(S_OK, panel->lpVtbl->get_accFocus(panel, &focus));
    EXPECT_EQ(2, focus.lVal);
    static const struct {
        LONG child;
        LONG state;
    } expected[] = {
        { 0, STATE_SYSTEM_FOCUSABLE },
        { 1, STATE_SYSTEM_FOCUSABLE },
        { 2, STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED | STATE_SYSTEM_HOTTRACKED },
        { 3, STATE_SYSTEM_FOCUSABLE },
    };
    for (const auto& e : expected) {
        EXPECT_EQ(S_OK, panel->lpVtbl->get_accState(panel, Child(e.child), &state));
        EXPECT_EQ(e.state, state.lVal) << "child " << e.child;
    }
    // Another program in the foreground (the read-me's Notepad, say): the
    // light stays, the focus is elsewhere.
    ForegroundWindow = AddForeignWindow("Notepad", "readme.txt - Notepad");
    EXPECT_EQ(S_FALSE, panel->lpVtbl->get_accFocus(panel, &focus));
    EXPECT_EQ(VT_EMPTY, focus.vt);
    EXPECT_EQ(S_OK, panel->lpVtbl->get_accState(panel, Child(2), &state));
    EXPECT_EQ(STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_HOTTRACKED, state.lVal);
    EXPECT_EQ(S_OK, panel->lpVtbl->get_accState(panel, Child(CHILDID_SELF), &state));
    EXPECT_EQ(STATE_SYSTEM_FOCUSABLE, state.lVal);
    ForegroundWindow = Launcher.MainWindow;
    Send(WM_KEYDOWN, VK_RETURN, 1);  // pressed, its command posted
    EXPECT_EQ(S_OK, panel->lpVtbl->get_accState(panel, Child(2), &state));
    EXPECT_EQ(STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_PRESSED, state.lVal) << "no longer lit: the client has the focus";
}

TEST_F(Accessible, NavigationGoesAmongTheButtonsInTheOrderShown)
{
    static const struct {
        LONG start;
        long direction;
        HRESULT answer;
        LONG to;  // for S_OK
    } moves[] = {
        { 0, NAVDIR_FIRSTCHILD, S_OK, 1 },
        { 0, NAVDIR_LASTCHILD, S_OK, 3 },
        { 0, NAVDIR_NEXT, S_FALSE, 0 },  // the client's siblings are the system's
        { 0, NAVDIR_PREVIOUS, S_FALSE, 0 },
        { 1, NAVDIR_NEXT, S_OK, 2 },
        { 2, NAVDIR_RIGHT, S_OK, 3 },
        { 3, NAVDIR_NEXT, S_FALSE, 0 },  // no wrapping
        { 3, NAVDIR_PREVIOUS, S_OK, 2 },
        { 2, NAVDIR_LEFT, S_OK, 1 },
        { 1, NAVDIR_PREVIOUS, S_FALSE, 0 },
        { 2, NAVDIR_UP, S_FALSE, 0 },
        { 2, NAVDIR_DOWN, S_FALSE, 0 },
        { 2, NAVDIR_FIRSTCHILD, E_INVALIDARG, 0 },  // a button has no children
        { 0, 0, E_INVALIDARG, 0 },
        { 0, 9, E_INVALIDARG, 0 },
    };
    OpenAndAsk();
    for (const auto& m : moves) {
        VARIANT end = Child(9);
        EXPECT_EQ(m.answer, panel->lpVtbl->accNavigate(panel, m.direction, Child(m.start), &end))
            << m.start << " " << m.direction;
        EXPECT_EQ(m.answer == S_OK ? VT_I4 : VT_EMPTY, end.vt) << m.start << " " << m.direction;
        if (m.answer == S_OK) {
            EXPECT_EQ(m.to, end.lVal) << m.start << " " << m.direction;
        }
    }
}

// Screen points: over a button its id, in the client the client, outside
// nothing.
TEST_F(Accessible, TheHitTestNamesTheButtonUnderAScreenPoint)
{
    static const struct {
        int x, y;  // client pixels
        HRESULT answer;
        LONG child;
    } points[] = {
        { 176, 360, S_OK, 1 },     // the middle of Install
        { 10, 10, S_OK, 0 },       // the background
        { 633, 473, S_OK, 0 },     // the client's last pixel
        { 634, 100, S_FALSE, 0 },  // the frame
        { -10, 100, S_FALSE, 0 },  // left of the window
    };
    OpenAndAsk();
    for (const auto& p : points) {
        VARIANT found = Child(9);
        EXPECT_EQ(p.answer, panel->lpVtbl->accHitTest(panel, ClientLeft + p.x, ClientTop + p.y, &found))
            << p.x << "," << p.y;
        EXPECT_EQ(p.answer == S_OK ? VT_I4 : VT_EMPTY, found.vt) << p.x << "," << p.y;
        if (p.answer == S_OK) {
            EXPECT_EQ(p.child, found.lVal) << p.x << "," << p.y;
        }
    }
}

// A reader pointing where the user would click finds the button the click
// would press, edges included, in either layout.
TEST_F(Accessible, TheHitTestAgreesWithTheClick)
{
    OpenAndAsk();
    for (const auto& p : HitCases) {
        Launcher.Panel.Installed = p.installed;
        int count;
        const ButtonSlot* layout = CurrentLayout(&Launcher.Panel, &count);
        VARIANT found = Child(9);
        ASSERT_EQ(S_OK, panel->lpVtbl->accHitTest(panel, ClientLeft + p.x, ClientTop + p.y, &found));
        LONG expected = 0;
        for (int i = 0; i < count; ++i)
            if (layout[i].Code == p.code)
                expected = i + 1;
        EXPECT_EQ(expected, found.lVal) << p.installed << ": " << p.x << "," << p.y;
    }
}

// The default action is a click: the command is posted, not run within the
// reader's call, and the button shows pressed.
TEST_F(Accessible, TheDefaultActionPostsTheButtonsCommand)
{
    static const struct {
        int installed;
        LONG child;
        HRESULT answer;
        int posted;  // the command, 0 for none
    } actions[] = {
        { 0, 1, S_OK, Install },
        { 0, 2, S_OK, ReadMe },
        { 0, 3, S_OK, Cancel },
        { 1, 1, S_OK, ::Run },
        { 1, 3, S_OK, Uninstall },
        { 0, 0, DISP_E_MEMBERNOTFOUND, 0 },  // the client does nothing
    };
    for (const auto& a : actions) {
        SetUp();
        OpenAndAsk(a.installed);
        EXPECT_EQ(a.answer, panel->lpVtbl->accDoDefaultAction(panel, Child(a.child)));
        ASSERT_EQ(a.posted ? 1u : 0u, Posted.size()) << a.child;
        if (a.posted) {
            EXPECT_EQ((UINT)WM_USER, Posted[0].message);
            EXPECT_EQ((WPARAM)a.posted, Posted[0].wParam);
            EXPECT_EQ(Pressed, Launcher.Panel.ButtonStates[a.posted]);
            EXPECT_EQ(0, CountCalls("CreateProcessA")) << "not within the reader's call";
        }
    }
}

TEST_F(Accessible, TheObjectIsAnIAccessibleAndNothingMore)
{
    static const struct {
        const char* name;
        GUID id;
        HRESULT answer;
    } interfaces[] = {
        { "IUnknown", { 0x00000000, 0, 0, { 0xC0, 0, 0, 0, 0, 0, 0, 0x46 } }, S_OK },
        { "IDispatch", { 0x00020400, 0, 0, { 0xC0, 0, 0, 0, 0, 0, 0, 0x46 } }, S_OK },
        { "IAccessible", { 0x618736E0, 0x3C3D, 0x11CF, { 0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71 } }, S_OK },
        { "IEnumVARIANT", { 0x00020404, 0, 0, { 0xC0, 0, 0, 0, 0, 0, 0, 0x46 } }, E_NOINTERFACE },
        { "IMarshal", { 0x00000003, 0, 0, { 0xC0, 0, 0, 0, 0, 0, 0, 0x46 } }, E_NOINTERFACE },
    };
    OpenAndAsk();
    for (const auto& i : interfaces) {
        void* object = &object;
        EXPECT_EQ(i.answer, panel->lpVtbl->QueryInterface(panel, i.id, &object)) << i.name;
        EXPECT_EQ(i.answer == S_OK ? (void*)panel : nullptr, object) << i.name;
    }
    UINT types = 9;
    EXPECT_EQ(S_OK, panel->lpVtbl->GetTypeInfoCount(panel, &types));
    EXPECT_EQ(0u, types);
    EXPECT_EQ(E_NOTIMPL, panel->lpVtbl->put_accName(panel, Child(1), NULL));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, panel->lpVtbl->accSelect(panel, SELFLAG_TAKEFOCUS, Child(1)));
    IDispatch* parent = NULL;
    EXPECT_EQ(S_OK, panel->lpVtbl->get_accParent(panel, &parent));
    EXPECT_EQ(WindowObject, (void*)parent) << "the system's object of the whole window";
    EXPECT_EQ(1, CountCalls("AccessibleObjectFromWindow 0"));
    BSTR text = (BSTR)&text;
    long topic = 9;
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, panel->lpVtbl->get_accHelpTopic(panel, &text, Child(1), &topic));
    EXPECT_EQ(nullptr, text);
    text = (BSTR)&text;
    EXPECT_EQ(S_FALSE, panel->lpVtbl->get_accKeyboardShortcut(panel, Child(1), &text));
    EXPECT_EQ(nullptr, text);
}

// A caption missing from the string table leaves the button unnamed rather
// than named wrongly.
TEST_F(Accessible, AButtonWithoutACaptionHasNoName)
{
    OpenAndAsk();
    std::map<UINT, std::string> captions = ShippedCaptions();
    captions.erase(ReadMe);
    AddStringTable(0x0809, captions);
    BSTR name = (BSTR)&name;
    EXPECT_EQ(S_FALSE, panel->lpVtbl->get_accName(panel, Child(2), &name));
    EXPECT_EQ(nullptr, name);
}

// Keys as the keyboard tests type them: T Tab, S Shift+Tab, R Right, L Left,
// E Enter, X Esc, Q a key the launcher does not use.
TEST_F(Accessible, EveryMoveOfTheLightIsAnnouncedAsFocus)
{
    static const struct {
        int installed;
        const char* keys;
        std::vector<LONG> heard;
    } sequences[] = {
        { 0, "TTT", { 1, 2, 3 } },
        { 0, "TTTT", { 1, 2, 3, 1 } },  // wrapping
        { 0, "S", { 3 } },
        { 0, "TRL", { 1, 2, 1 } },
        { 0, "EXQ", {} },
        { 1, "L", { 4 } },
    };
    for (const auto& s : sequences) {
        SetUp();
        OpenWindow();
        Launcher.Panel.Installed = Launcher.Disc.AppInstalled = s.installed;
        for (const char* k = s.keys; *k; ++k) {
            static const char letters[] = "TSRLEXQ";
            static const WPARAM codes[] = { VK_TAB, VK_TAB, VK_RIGHT, VK_LEFT, VK_RETURN, VK_ESCAPE, 'Q' };
            ShiftDown = *k == 'S';
            Send(WM_KEYDOWN, codes[strchr(letters, *k) - letters], 1);
            ShiftDown = false;
        }
        std::vector<LONG> heard;
        for (const WinEvent& e : WinEvents) {
            EXPECT_EQ((DWORD)EVENT_OBJECT_FOCUS, e.event) << s.keys;
            EXPECT_EQ(Launcher.MainWindow, e.window) << s.keys;
            EXPECT_EQ(OBJID_CLIENT, e.object) << s.keys;
            heard.push_back(e.child);
        }
        EXPECT_EQ(s.heard, heard) << s.keys;
    }
}

// Hidden, the window has no buttons; back, perhaps with the other layout:
// either way readers are told that the children changed.
TEST_F(Accessible, HidingAndComingBackAreAnnounced)
{
    OpenWindow();
    HideMainWindow();
    Launcher.Panel.Installed = Launcher.Disc.AppInstalled = 1;
    RestoreMainWindow();
    ASSERT_EQ(2u, WinEvents.size());
    for (const WinEvent& e : WinEvents) {
        EXPECT_EQ((DWORD)EVENT_OBJECT_REORDER, e.event);
        EXPECT_EQ(OBJID_CLIENT, e.object);
        EXPECT_EQ(CHILDID_SELF, e.child);
    }
    // A system without NotifyWinEvent (Windows 95 without Active
    // Accessibility) goes on as before.
    User32Exports.clear();
    WinEvents.clear();
    HideMainWindow();
    Send(WM_KEYDOWN, VK_TAB, 1);
    RestoreMainWindow();
    Send(WM_KEYDOWN, VK_TAB, 1);
    EXPECT_TRUE(WinEvents.empty());
    EXPECT_EQ(Highlighted, Launcher.Panel.ButtonStates[::Run]);
}

// The end cuts readers' proxies from the object before COM stops; a
// launcher never asked starts and stops nothing.
TEST_F(Accessible, TheEndCutsTheReadersOff)
{
    static const struct {
        const char* name;
        int asked;
        HRESULT comAnswer;
    } ends[] = {
        { "asked", 1, S_OK },
        { "asked, COM already started on the thread", 1, S_FALSE },
        { "never asked", 0, S_OK },
    };
    for (const auto& e : ends) {
        SetUp();
        OpenWindow();
        ComInitializeAnswer = e.comAnswer;
        if (e.asked)
            AskForClient();
        Send(WM_DESTROY);
        EXPECT_EQ(e.asked ? 1u : 0u, Disconnected.size()) << e.name;
        EXPECT_EQ(e.asked, ComUninitializes) << e.name << ": each CoInitialize that succeeded is balanced";
        if (e.asked) {
            EXPECT_EQ((void*)&Launcher.Readers.Object, Disconnected[0]) << e.name;
            EXPECT_LT(IndexOfCall("CoDisconnectObject"), IndexOfCall("CoUninitialize")) << e.name;
            EXPECT_EQ(0, AskForClient()) << e.name << ": a question after the end";
            EXPECT_EQ(1u, ObjectResults.size()) << e.name;
        }
    }
}
