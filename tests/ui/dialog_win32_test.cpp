// The settings dialog and the about box through the DLL's entry points, with
// real windows and messages, under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/ui/plugin_harness.h"

namespace xvf::test {
namespace {

int ScreenW() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenH() { return GetSystemMetrics(SM_CYSCREEN); }

std::string Key(const std::string& ini, const std::string& key) {
  const size_t at = ini.find(key + "=");
  if (at == std::string::npos) return "(absent)";
  const size_t start = at + key.size() + 1;
  return ini.substr(start, ini.find_first_of("\r\n", start) - start);
}

class SettingsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(harness.Loaded()) << "XVF_Aspect.dll beside the test";
    ASSERT_TRUE(harness.CreateHostWindow(RECT{200, 150, 600, 450}));
  }

  // Init with a settings file (or none), then Configure; the open dialog.
  HWND Open() {
    harness.Init();
    harness.Configure();
    return FindSettingsDialog();
  }

  int Selection(HWND dialog) const {
    return static_cast<int>(SendDlgItemMessageW(dialog, IDC_ASPECT_COMBO, CB_GETCURSEL, 0, 0));
  }
  int Checked(HWND dialog) const {
    return static_cast<int>(SendDlgItemMessageW(dialog, IDC_INTERLACE_CHECK, BM_GETCHECK, 0, 0));
  }

  PluginHarness harness;
};

TEST_F(SettingsDialogTest, FirstOpeningIsCentredOverTheHostAndShowsTheSettingsInUse) {
  PluginHarness::WriteSettings(-100, -100, 2, 0);
  HWND dialog = Open();
  ASSERT_TRUE(dialog);
  EXPECT_TRUE(IsWindowVisible(dialog));
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), harness.HostWindow());
  EXPECT_TRUE(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);

  // Centre over the host's (400, 300), halves truncated: within a pixel.
  const RECT d = WindowRectOf(dialog);
  EXPECT_LE(std::abs((d.left + d.right) / 2 - 400), 1) << d.left << " " << d.right;
  EXPECT_LE(std::abs((d.top + d.bottom) / 2 - 300), 1) << d.top << " " << d.bottom;

  EXPECT_EQ(Selection(dialog), 2);
  EXPECT_EQ(Checked(dialog), BST_UNCHECKED);
  harness.Shutdown();
}

// The placement arithmetic is the unit tests'; here, that the dialog takes
// the stored position from the file, or the centred one clamped to the real
// screen's edges.
TEST_F(SettingsDialogTest, OpensAtTheStoredPositionOrTheCentredOneClampedToTheScreen) {
  PluginHarness::WriteSettings(-100, 40, 0, 1);
  HWND dialog = Open();
  ASSERT_TRUE(dialog);
  RECT d = WindowRectOf(dialog);
  EXPECT_EQ(d.left, -100);
  EXPECT_EQ(d.top, 40);
  Click(dialog, IDC_OK_BUTTON);
  ASSERT_FALSE(FindSettingsDialog());

  const int w = ScreenW(), h = ScreenH();
  MoveWindow(harness.HostWindow(), w - 100, h - 80, 400, 300, TRUE);  // off the bottom-right corner
  PluginHarness::WriteSettings(-100, -100, 0, 1);
  dialog = Open();
  ASSERT_TRUE(dialog);
  d = WindowRectOf(dialog);
  EXPECT_EQ(d.left, w - (d.right - d.left));
  EXPECT_EQ(d.top, h - (d.bottom - d.top));
  Click(dialog, IDC_OK_BUTTON);
  ASSERT_FALSE(FindSettingsDialog());
}

// WM_NCACTIVATE as FlashWindow sends it to the dialog, with the time.
struct CaptionFlip {
  WPARAM active;
  DWORD time;
};
std::vector<CaptionFlip> theFlips;
HWND theWatched = nullptr;

LRESULT CALLBACK WatchCaption(int code, WPARAM wParam, LPARAM lParam) {
  const CWPSTRUCT* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && m->hwnd == theWatched && m->message == WM_NCACTIVATE)
    theFlips.push_back({m->wParam, GetTickCount()});
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(SettingsDialogTest, ConfigureWhileOpenFocusesAndFlashesTheOneDialog) {
  HWND dialog = Open();
  ASSERT_TRUE(dialog);
  SetWindowPos(dialog, nullptr, 20, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);

  // Focus elsewhere first; Configure brings it back.
  SetActiveWindow(harness.HostWindow());
  SetFocus(harness.HostWindow());
  PluginHarness::Pump();
  harness.Configure();
  HWND focus = GetFocus();
  EXPECT_TRUE(focus == dialog || IsChild(dialog, focus));

  // Focused already: the only caption changes are the flashes.
  theFlips.clear();
  theWatched = dialog;
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, WatchCaption, nullptr, GetCurrentThreadId());
  const DWORD start = GetTickCount();
  harness.Configure();
  const DWORD elapsed = GetTickCount() - start;
  UnhookWindowsHookEx(hook);

  ASSERT_EQ(theFlips.size(), 4u);
  for (size_t i = 1; i < theFlips.size(); ++i) {
    EXPECT_NE(theFlips[i].active, theFlips[i - 1].active) << i;
    EXPECT_GE(theFlips[i].time - theFlips[i - 1].time, 50u) << i;  // 60 ms sleeps, tick granularity
  }
  EXPECT_EQ(theFlips[0].active, FALSE) << "an active caption inverts to inactive first";
  EXPECT_GE(elapsed, 200u);

  EXPECT_EQ(ThreadDialogs().size(), 1u);
  const RECT d = WindowRectOf(dialog);
  EXPECT_EQ(d.left, 20);
  EXPECT_EQ(d.top, 30);
  harness.Shutdown();
}

// RGB24, 64 x 48, a different colour in every pixel.
std::vector<uint8_t> TestFrame() {
  std::vector<uint8_t> frame(64 * 48 * 3);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(i * 7 + i / 192);
  return frame;
}

TEST_F(SettingsDialogTest, PanoramaChangesTheNextFrameAndCancelBringsItBack) {
  PluginHarness::WriteSettings(-100, -100, 0, 0);
  ASSERT_TRUE(harness.CreateVideoWindow(400, 150));  // wide: outside the 4:3 band
  HWND dialog = Open();
  ASSERT_TRUE(dialog);
  const StreamFormat stream = {64, 48, 0, 1, 0};
  ASSERT_EQ(harness.Plugin().Start(&stream), 1);

  const std::vector<uint8_t> original = TestFrame();
  std::vector<uint8_t> frame = original;
  FrameRequest request = {frame.data()};
  EXPECT_EQ(harness.Plugin().Process(&request), 0) << "mode 0 leaves the frame alone";
  EXPECT_EQ(frame, original);

  Choose(dialog, IDC_ASPECT_COMBO, 3);
  EXPECT_EQ(harness.Plugin().Process(&request), 1) << "the next frame is in the panorama mode";
  EXPECT_NE(frame, original);

  Click(dialog, IDC_CANCEL_BUTTON);
  EXPECT_FALSE(IsWindow(dialog));
  frame = original;
  request.frame = frame.data();
  EXPECT_EQ(harness.Plugin().Process(&request), 0) << "back to the mode at opening";
  EXPECT_EQ(frame, original);

  harness.Plugin().Stop();
  harness.Shutdown();
}

TEST_F(SettingsDialogTest, CheckBoxWithOkKeepsTheFieldFlagAndStoresThePosition) {
  PluginHarness::WriteSettings(-100, -100, 0, 0);
  HWND dialog = Open();
  ASSERT_TRUE(dialog);
  ASSERT_EQ(Checked(dialog), BST_UNCHECKED);
  Click(dialog, IDC_INTERLACE_CHECK);
  ASSERT_EQ(Checked(dialog), BST_CHECKED);

  // The sync message sets the box from the flag in use only for wParam 0, and answers 1.
  SendDlgItemMessageW(dialog, IDC_INTERLACE_CHECK, BM_SETCHECK, BST_UNCHECKED, 0);  // no notification
  EXPECT_EQ(SendMessageW(dialog, WM_USER + 400, 1, 0), 1);
  EXPECT_EQ(Checked(dialog), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(dialog, WM_USER + 400, 0, 0), 1);
  EXPECT_EQ(Checked(dialog), BST_CHECKED);

  SetWindowPos(dialog, nullptr, 77, 66, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  Click(dialog, IDC_OK_BUTTON);
  EXPECT_FALSE(IsWindow(dialog));

  // Reopened: the flag in use is 1, and the dialog is where it was closed.
  dialog = (harness.Configure(), FindSettingsDialog());
  ASSERT_TRUE(dialog);
  EXPECT_EQ(Checked(dialog), BST_CHECKED);
  EXPECT_EQ(WindowRectOf(dialog).left, 77);
  EXPECT_EQ(WindowRectOf(dialog).top, 66);
  Click(dialog, IDC_OK_BUTTON);

  harness.Shutdown();
  const std::string ini = PluginHarness::ReadIni();
  EXPECT_EQ(Key(ini, "Interlace"), "1");
  EXPECT_EQ(Key(ini, "DlgWndPosX"), "77");
  EXPECT_EQ(Key(ini, "DlgWndPosY"), "66");
}

TEST_F(SettingsDialogTest, CancelAndTheCloseMessageRevertToTheValuesAtOpening) {
  PluginHarness::WriteSettings(-100, -100, 1, 0);
  for (int way = 0; way < 3; ++way) {
    HWND dialog = Open();
    ASSERT_TRUE(dialog);
    Choose(dialog, IDC_ASPECT_COMBO, 3);
    Click(dialog, IDC_INTERLACE_CHECK);
    SetWindowPos(dialog, nullptr, 40 + way, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    if (way == 0) Click(dialog, IDC_CANCEL_BUTTON);                           // "Отмена"
    if (way == 1) SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);           // caption's close button
    if (way == 2) PostMessageW(dialog, WM_CLOSE, 0, 0);                       // any WM_CLOSE
    PluginHarness::Pump();
    EXPECT_FALSE(IsWindow(dialog)) << way;

    harness.Configure();
    dialog = FindSettingsDialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(Selection(dialog), 1) << way;
    EXPECT_EQ(Checked(dialog), BST_UNCHECKED) << way;
    EXPECT_EQ(WindowRectOf(dialog).left, 40 + way) << "position stored on every way out";
    Click(dialog, IDC_OK_BUTTON);
  }
  harness.Shutdown();
  const std::string ini = PluginHarness::ReadIni();
  EXPECT_EQ(Key(ini, "AspectMode"), "1");
  EXPECT_EQ(Key(ini, "Interlace"), "0");
}

TEST_F(SettingsDialogTest, EnterAndEscapeChangeNothing) {
  PluginHarness::WriteSettings(-100, -100, 0, 1);
  HWND dialog = Open();
  ASSERT_TRUE(dialog);
  Choose(dialog, IDC_ASPECT_COMBO, 2);
  const RECT before = WindowRectOf(dialog);
  for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
    SetFocus(GetDlgItem(dialog, IDC_INTERLACE_CHECK));
    PressKey(dialog, key);
    // The commands the dialog manager makes of the keys, sent directly as well.
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(key == VK_RETURN ? IDOK : IDCANCEL, BN_CLICKED), 0);
    PluginHarness::Pump();
    ASSERT_TRUE(IsWindow(dialog)) << key;
    EXPECT_TRUE(IsWindowVisible(dialog)) << key;
    EXPECT_EQ(Selection(dialog), 2) << key;
    EXPECT_EQ(Checked(dialog), BST_CHECKED) << key;
  }
  EXPECT_EQ(WindowRectOf(dialog).left, before.left);
  // Shutdown with the dialog open: destroyed first, its position stored and
  // the unconfirmed choice saved.
  SetWindowPos(dialog, nullptr, 55, 44, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  harness.Shutdown();
  EXPECT_FALSE(IsWindow(dialog));
  const std::string ini = PluginHarness::ReadIni();
  EXPECT_EQ(Key(ini, "AspectMode"), "2");
  EXPECT_EQ(Key(ini, "Interlace"), "1");
  EXPECT_EQ(Key(ini, "DlgWndPosX"), "55");
  EXPECT_EQ(Key(ini, "DlgWndPosY"), "44");
}

TEST_F(SettingsDialogTest, TemplateListAndTextsAsWritten) {
  PluginHarness::WriteSettings(-100, -100, 7, 1);  // outside the list: nothing selected
  HWND dialog = Open();
  ASSERT_TRUE(dialog);
  EXPECT_EQ(WindowText(dialog), L"XVF_Aspect плагин");
  EXPECT_EQ(Selection(dialog), CB_ERR);
  const LONG style = GetWindowLongW(dialog, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_EQ(style & (WS_POPUP | WS_CHILD), 0);

  const wchar_t* items[] = {L"Привязка к габаритам окна", L"Привязка к ширине окна", L"Привязка к высоте окна",
                            L"Режим \"Панорама\"", L"Режим \"16:9 Anamorphic\""};
  HWND combo = GetDlgItem(dialog, IDC_ASPECT_COMBO);
  ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 5);
  for (int i = 0; i < 5; ++i) {
    wchar_t text[64] = {};
    SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(std::wstring(text), items[i]) << i;
  }
  EXPECT_EQ(GetWindowLongW(combo, GWL_STYLE) & (CBS_DROPDOWNLIST | CBS_SORT), CBS_DROPDOWNLIST);

  // Tab order, texts and places in dialog units.
  struct Control {
    int id;
    const wchar_t* text;
    RECT units;  // x, y, width, height
  };
  const Control controls[] = {{IDC_OK_BUTTON, L"ОК", {57, 53, 39, 13}},
                              {IDC_CANCEL_BUTTON, L"Отмена", {100, 53, 39, 13}},
                              {IDC_ABOUT_BUTTON, L"О плагине", {2, 53, 47, 13}},
                              {IDC_INTERLACE_CHECK, L"Масштабирование по полям", {7, 38, 112, 10}},
                              {IDC_ASPECT_COMBO, nullptr, {8, 13, 125, 88}}};
  HWND control = GetNextDlgTabItem(dialog, GetDlgItem(dialog, IDC_ASPECT_COMBO), FALSE);
  for (const Control& c : controls) {
    EXPECT_EQ(GetDlgCtrlID(control), c.id);
    control = GetNextDlgTabItem(dialog, control, FALSE);
    HWND item = GetDlgItem(dialog, c.id);
    if (c.text) {
      EXPECT_EQ(WindowText(item), c.text);
    }
    RECT expected = c.units;  // each of x, y, width and height converted on its own, as the dialog manager does
    MapDialogRect(dialog, &expected);
    RECT actual = WindowRectOf(item);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
    EXPECT_EQ(actual.left, expected.left) << c.id;
    EXPECT_EQ(actual.top, expected.top) << c.id;
    EXPECT_EQ(actual.right - actual.left, expected.right) << c.id;
    if (c.id != IDC_ASPECT_COMBO) {  // the list's closed height is its own
      EXPECT_EQ(actual.bottom - actual.top, expected.bottom) << c.id;
    }
  }
  EXPECT_EQ(GetWindowLongW(GetDlgItem(dialog, IDC_OK_BUTTON), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
  EXPECT_EQ(GetWindowLongW(GetDlgItem(dialog, IDC_INTERLACE_CHECK), GWL_STYLE) & BS_TYPEMASK, BS_AUTOCHECKBOX);

  bool groupFound = false;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (WindowText(child) == L"Аспект кадра") groupFound = (GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
  EXPECT_TRUE(groupFound);

  // The list open on the panorama mode, for a look at the texts.
  Choose(dialog, IDC_ASPECT_COMBO, 3);
  SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
  PluginHarness::Pump(100);
  SaveScreenshot("settings_dialog");
  SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
  harness.Shutdown();
}

TEST_F(SettingsDialogTest, AboutBoxRunsModallyAndClosesWithOkOrEscape) {
  HWND dialog = Open();
  ASSERT_TRUE(dialog);
  for (int way = 0; way < 2; ++way) {
    struct Seen {
      HWND box = nullptr;
      bool ownerDisabled = false;
      std::vector<std::wstring> texts;
      LONG style = 0;
      bool picture = false;
    } seen;
    OnModalDialog(300, dialog, [&](HWND box) {
      seen.box = box;
      if (!box) return;
      seen.ownerDisabled = !IsWindowEnabled(dialog) && GetWindow(box, GW_OWNER) == dialog;
      seen.style = GetWindowLongW(box, GWL_STYLE);
      seen.texts.push_back(WindowText(box));
      for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        seen.texts.push_back(WindowText(child));
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP)
          seen.picture = SendMessageW(child, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0;
      }
      if (way == 0) {
        SaveScreenshot("about_dialog");
        SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);  // "OK"
      } else {
        HWND focus = GetFocus();
        PostMessageW(focus ? focus : box, WM_KEYDOWN, VK_ESCAPE, 1);  // the modal loop's own dialog handling
      }
    });
    const DWORD start = GetTickCount();
    Click(dialog, IDC_ABOUT_BUTTON);  // returns when the box has closed
    EXPECT_GE(GetTickCount() - start, 250u) << "the click blocked in the modal loop";

    ASSERT_TRUE(seen.box) << way;
    EXPECT_FALSE(IsWindow(seen.box));
    EXPECT_TRUE(seen.ownerDisabled);
    EXPECT_EQ(seen.style & WS_SYSMENU, 0);
    EXPECT_TRUE(seen.style & WS_POPUP);
    EXPECT_TRUE(seen.picture);
    ASSERT_GE(seen.texts.size(), 5u);
    EXPECT_EQ(seen.texts[0], L"");
    EXPECT_EQ(seen.texts[1], L"OK");
    EXPECT_NE(std::find(seen.texts.begin(), seen.texts.end(), L"Ver.1.02"), seen.texts.end());
    EXPECT_NE(std::find(seen.texts.begin(), seen.texts.end(), L"XVF_Aspect плагин"), seen.texts.end());

    // The settings dialog goes on as before.
    EXPECT_TRUE(IsWindowEnabled(dialog));
    EXPECT_EQ(FindSettingsDialog(), dialog);
  }
  harness.Shutdown();
}

TEST_F(SettingsDialogTest, AWindowThatCannotBeCreatedLeavesNothingAndTheNextConfigureTriesAgain) {
  harness.Init();
  HWND gone = CreateWindowExW(0, L"TMain", L"gone", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  DestroyWindow(gone);
  harness.Configure(gone);  // an owner that no longer exists: no window
  EXPECT_TRUE(ThreadDialogs().empty());

  harness.Configure();  // a fresh opening, not a flash of a dialog that is not there
  HWND dialog = FindSettingsDialog();
  ASSERT_TRUE(dialog);
  EXPECT_TRUE(IsWindowVisible(dialog));
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), harness.HostWindow());
  harness.Shutdown();
  EXPECT_TRUE(ThreadDialogs().empty());
}

}  // namespace
}  // namespace xvf::test
