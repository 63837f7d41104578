#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "app/modSysTray.h"

namespace nimbrel {
namespace {

struct Owner : TrayOwner {
    std::vector<TrayClick> clicks;
    void Activated(TrayClick click) override { clicks.push_back(click); }
    QIcon TrayIconPicture() const override { return {}; }
};

TEST(SysTray, OneIconWhoseFlagFollowsTheCalls) {
    apptest::ScopedTray scoped;
    auto& tray = scoped.tray();
    Owner owner;
    RemoveTrayIcon();  // before any add: nothing reaches the tray
    EXPECT_TRUE(tray.calls.empty());

    AddTrayIcon(owner, "Nimbrel");
    AddTrayIcon(owner, "Another tip");  // changes nothing, not even the tip
    ASSERT_EQ(tray.calls.size(), 1u);
    EXPECT_TRUE(blnIconShown());
    const NotifyIconData& r = tray.calls[0].second;
    EXPECT_EQ(r.hWnd, &owner);
    EXPECT_EQ(r.uID, 1u);
    EXPECT_EQ(r.uFlags, 7u);
    EXPECT_EQ(r.szTip, "Nimbrel");

    // Clicks reach the owner as they came.
    tray.Deliver(TrayClick::Context);
    ASSERT_EQ(owner.clicks.size(), 1u);
    EXPECT_EQ(owner.clicks[0], TrayClick::Context);

    RemoveTrayIcon();
    RemoveTrayIcon();
    ASSERT_EQ(tray.calls.size(), 2u);
    EXPECT_EQ(tray.calls[1].first, NIM_DELETE);
    EXPECT_EQ(tray.calls[1].second.hWnd, &owner);
    EXPECT_FALSE(blnIconShown());
    tray.Deliver(TrayClick::Click);  // no icon: no click
    EXPECT_EQ(owner.clicks.size(), 1u);

    // A new add takes the new tip, cut to 63 characters.
    const std::string seventy(70, 'x');
    AddTrayIcon(owner, seventy);
    EXPECT_EQ(tray.calls.back().second.szTip, std::string(63, 'x'));
    RemoveTrayIcon();
}

TEST(SysTray, TipIsCutAtWholeCharacters) {
    std::string degrees;
    for (int i = 0; i < 70; ++i) degrees += "\xC2\xB0";
    EXPECT_EQ(TrayTip(degrees).size(), 126u);
    EXPECT_EQ(TrayTip("short"), "short");
}

}  // namespace
}  // namespace nimbrel
