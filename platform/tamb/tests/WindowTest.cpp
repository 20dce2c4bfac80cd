#include "platform/tamb/Window.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/os/MacStatus.h"
#include "platform/tamb/InterfaceResource.h"
#include "testsupport/TempDir.h"

using tamb::Rect;
using tamb::Window;

namespace {

constexpr Rect kContent{100, 50, 630, 840};

}  // namespace

TEST(Window, ZoomingOutTakesTheStandardBoundsAndZoomingInGivesTheUsersBack) {
  tamb::MainLoop loop;
  Window window(loop, kContent);
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(window.isInStandardState());
  window.zoom(tamb::inZoomIn);  // nothing to go back to
  Rect r;
  ASSERT_TRUE(window.getContentBounds(r));
  EXPECT_EQ(r, kContent);

  window.zoom(tamb::inZoomOut);
  ASSERT_TRUE(window.getContentBounds(r));
  EXPECT_EQ(r, Window::kDefaultStandardBounds);
  EXPECT_TRUE(window.isInStandardState());
  window.zoom(tamb::inZoomOut);  // zoomed already: the user's bounds stay
  window.zoom(tamb::inZoomIn);
  ASSERT_TRUE(window.getContentBounds(r));
  EXPECT_EQ(r, kContent);
  EXPECT_FALSE(window.isInStandardState());
}

TEST(Window, EveryOperationIsRecordedAndADisposedWindowTakesNoneAndHasNoBounds) {
  tamb::MainLoop loop;
  Window window(loop, kContent);
  tamb::View& view = window.addView(platform::fourCC("Lumn"), 0);
  EXPECT_EQ(window.findView(platform::fourCC("Lumn"), 0), &view);
  EXPECT_EQ(window.findView(platform::fourCC("Lumn"), 1), nullptr);
  window.setContentBounds({40, 10, 70, 90});
  window.collapse(true);
  window.show();
  window.changeAttributes(0x209, 0x1000000);
  window.setViewVisible(view, false);
  window.setUserFocus();
  window.setKeyboardFocus(&view);
  window.hide();
  window.dispose();
  window.show();
  window.setContentBounds(kContent);
  EXPECT_EQ(window.operations(),
            (std::vector<std::string>{"bounds 40 10 70 90", "collapse 1", "show",
                                      "attributes 521 16777216", "view-visible 0", "user-focus",
                                      "keyboard-focus 1282764142 0", "hide", "dispose"}));
  Rect r;
  EXPECT_FALSE(window.getContentBounds(r));
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.attributes(), 0x209u);
}

TEST(Window, HandlersTakeTheirOwnEventTypesTheLastInstalledFirst) {
  tamb::EventTarget target;
  std::vector<std::string> seen;
  target.installEventHandler({{tamb::kEventClassMouse, tamb::kEventMouseDown}}, [&](tamb::Event&) {
    seen.push_back("first");
    return 0;
  });
  target.installEventHandler({{tamb::kEventClassMouse, tamb::kEventMouseDown},
                              {tamb::kEventClassMouse, tamb::kEventMouseUp}},
                             [&](tamb::Event&) {
                               seen.push_back("second");
                               return tamb::eventNotHandledErr;
                             });
  tamb::Event down = tamb::Event::mouse(tamb::kEventMouseDown, 1, 2);
  tamb::Event up = tamb::Event::mouse(tamb::kEventMouseUp, 1, 2);
  tamb::Event other = tamb::Event::of(tamb::kEventClassWindow, tamb::kEventWindowClose);
  EXPECT_EQ(target.sendEvent(down), 0);
  EXPECT_EQ(target.sendEvent(up), tamb::eventNotHandledErr);
  EXPECT_EQ(target.sendEvent(other), tamb::eventNotHandledErr);
  EXPECT_EQ(seen, (std::vector<std::string>{"second", "first", "second"}));
}

TEST(InterfaceResource, WithoutFilesTheBuiltInResourcesMakeTheWindowAndTheMenuBar) {
  TempDir folder;
  tamb::MainLoop loop;
  std::unique_ptr<tamb::InterfaceResource> main;
  std::unique_ptr<tamb::InterfaceResource> menus;
  ASSERT_EQ(tamb::InterfaceResource::open(folder.path(), "TAMBMain", main), platform::noErr);
  ASSERT_EQ(tamb::InterfaceResource::open(folder.path(), "menubar", menus), platform::noErr);
  EXPECT_EQ(menus->setMenuBar("MenuBar"), platform::noErr);
  EXPECT_EQ(main->setMenuBar("MainWindow"), platform::paramErr);
  std::unique_ptr<Window> window;
  ASSERT_EQ(main->createWindow("MainWindow", loop, window), platform::noErr);
  EXPECT_NE(window->findView(platform::fourCC("Lumn"), 0), nullptr);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(main->createWindow("Other", loop, window), platform::paramErr);
  EXPECT_EQ(window, nullptr);
  std::unique_ptr<tamb::InterfaceResource> none;
  EXPECT_EQ(tamb::InterfaceResource::open(folder.path(), "Palette", none), platform::fnfErr);
}

TEST(InterfaceResource, AFileIsReadAndAMalformedOneIsRefused) {
  TempDir folder;
  const std::string path = folder.path() + "/TAMBMain.nib";
  std::ofstream(path) << "# the main window\n"
                         "[MainWindow]\n"
                         "kind = window\n"
                         "content = 10 20 560 830\n"
                         "view = Lumn 0\n"
                         "view = Side 7\n";
  tamb::MainLoop loop;
  std::unique_ptr<tamb::InterfaceResource> main;
  ASSERT_EQ(tamb::InterfaceResource::open(folder.path(), "TAMBMain", main), platform::noErr);
  std::unique_ptr<Window> window;
  ASSERT_EQ(main->createWindow("MainWindow", loop, window), platform::noErr);
  Rect r;
  ASSERT_TRUE(window->getContentBounds(r));
  EXPECT_EQ(r, (Rect{10, 20, 560, 830}));
  EXPECT_NE(window->findView(platform::fourCC("Side"), 7), nullptr);

  const char* malformed[] = {
      "kind = window\n",                                       // outside an object
      "[MainWindow]\n",                                        // no kind
      "[MainWindow]\nkind = dialog\n",                         // unknown kind
      "[MainWindow]\nkind = window\ncolour = red\n",           // unknown key
      "[MainWindow]\nkind = window\ncontent = 1 2 3\n",        // three values
      "[MainWindow]\nkind = window\ncontent = 9 9 1 1\n",      // empty
      "[MainWindow]\nkind = window\ncontent = 0 0 99999 5\n",  // beyond 16 bits
      "[MainWindow]\nkind = window\nview = Lum 0\n",           // short signature
      "[MainWindow]\nkind = window\n[MainWindow]\nkind = window\n",
      "[]\nkind = window\n",
  };
  for (const char* text : malformed) {
    std::ofstream(path, std::ios::trunc) << text;
    std::string error;
    EXPECT_EQ(tamb::InterfaceResource::open(folder.path(), "TAMBMain", main, &error),
              platform::paramErr)
        << text;
    EXPECT_FALSE(error.empty());
  }
  std::ofstream(path, std::ios::trunc) << std::string(tamb::InterfaceResource::kMaxBytes + 1, '#');
  EXPECT_EQ(tamb::InterfaceResource::open(folder.path(), "TAMBMain", main), platform::paramErr);
}
