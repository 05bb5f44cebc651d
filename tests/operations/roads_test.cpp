// The user's roads through the plug-in, from the host's call to the last
// panel request, against a fake host: the boxes shown, the selection each
// panel is left with, the list written. Every road past the gathering ends
// with the active panel's selection set and the panel refreshed, and every
// screen saved for a file is given back.
#include "operations/operations.h"

#include "fake_seam.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace {

using FakeSeam::TFakeHost;
using FakeSeam::TUser;
using TNames = std::set<std::string>;

// Items of the work-mode dialog.
constexpr int ComparePanelsItem = 1, OkItem = 13;

struct TRoad {
    const char* What;
    std::vector<std::string> Selected; // on the active panel
    std::function<void(TFakeHost&)> Answers;
    bool Requests;               // the run ends with the active panel's requests
    TNames ActiveMarked;         // the active panel's selection at the end
    int PassiveRefreshes;        // 1 where the dialog offered a comparison
    TNames PassiveMarked;        // the other panel's, when the run compared
    std::vector<TBoxKind> Boxes; // what the user is shown, progress boxes aside
    const char* List;            // the list written, with its bytes; null: none
};

TEST(Roads, EachRoadLeavesThePanelsAndListsAsTheUserChose) {
    // md5sum's digests of "abc", "hello" (b.txt when the old list was made)
    // and "hellO" (b.txt now).
    const std::string oldList = "\r\n900150983cd24fb0d6963f7d28e17f72 *a.txt\r\n"
                                "5d41402abc4b2a76b9719d911017c592 *b.txt\r\n";
    const std::string newList = "\r\n900150983cd24fb0d6963f7d28e17f72 *a.txt\r\n"
                                "06612c0d9c73d47a7042afd7024d7c82 *b.txt\r\n";
    const auto cancel = [](TFakeHost& host) {
        host.DialogAnswers.push_back([](TUser&) { return -1; });
    };
    const auto createList = [](TFakeHost& host) {
        host.DialogAnswers.push_back([](TUser&) { return OkItem; });
    };
    const auto compare = [](TFakeHost& host) {
        host.DialogAnswers.push_back([](TUser& user) {
            user.Click(ComparePanelsItem);
            return OkItem;
        });
    };
    const auto useTheList = [](TFakeHost& host) {
        host.Answers[TBoxKind::ListOffer] = {YesButton};
    };
    // One road a row, as the table reads.
    // clang-format off
    const TRoad roads[] = {
        {"the dialog cancelled", {"a.txt", "b.txt"}, cancel,
         true, {"a.txt", "b.txt"}, 1, {}, {}, nullptr},
        {"one list of both files, each unselected once hashed", {"a.txt", "b.txt"}, createList,
         true, {}, 1, {}, {}, "hashlist.md5"},
        {"compared with the other panel", {"a.txt", "b.txt"}, compare,
         true, {"b.txt"}, 1, {"b.txt"}, {TBoxKind::Report}, nullptr},
        {"the list verified, the changed file selected", {"old.md5"}, useTheList,
         true, {"old.md5", "b.txt"}, 0, {}, {TBoxKind::ListOffer, TBoxKind::Report}, nullptr},
        {"a folder alone selected", {"sub"}, nullptr,
         false, {}, 0, {}, {TBoxKind::NoFiles}, nullptr},
    };
    // clang-format on
    for (const TRoad& road : roads) {
        SCOPED_TRACE(road.What);
        TestSupport::TempDirectory dir;
        std::filesystem::create_directories(dir / "work/sub");
        std::filesystem::create_directories(dir / "other");
        TestSupport::WriteFile(dir / "work/a.txt", "abc");
        TestSupport::WriteFile(dir / "work/b.txt", "hellO");
        TestSupport::WriteFile(dir / "work/old.md5", oldList);
        TestSupport::WriteFile(dir / "other/a.txt", "abc");
        TestSupport::WriteFile(dir / "other/b.txt", "hello");

        TFakeHost host;
        host.Active = FakeSeam::PanelOf(dir / "work", {"..", "sub/", "a.txt", "b.txt", "old.md5"},
                                        road.Selected);
        host.Passive = FakeSeam::PanelOf(dir / "other", {"..", "a.txt", "b.txt"});
        if (road.Answers)
            road.Answers(host);
        RunOperation(TOpenFrom::PluginsMenu, "");

        EXPECT_EQ(host.Unanswered, 0);
        EXPECT_TRUE(host.OpenScreens.empty()) << "a screen left saved";
        EXPECT_EQ(host.ScreenErrors, 0);
        std::vector<TBoxKind> boxes;
        for (const FakeSeam::TShownBox& box : host.Boxes)
            if (box.Kind != TBoxKind::Progress)
                boxes.push_back(box.Kind);
        EXPECT_EQ(boxes, road.Boxes);
        if (road.Requests) {
            EXPECT_EQ(host.Selections[0].size(), 1u);
            EXPECT_EQ(host.Refreshes[0], 1);
            EXPECT_EQ(host.Marked(TPanelSide::Active), road.ActiveMarked);
        } else {
            EXPECT_TRUE(host.Selections[0].empty());
            EXPECT_EQ(host.Refreshes[0], 0);
        }
        // The other panel is refreshed whenever a comparison was offered,
        // and given a selection only when one was made.
        EXPECT_EQ(host.Refreshes[1], road.PassiveRefreshes);
        EXPECT_EQ(host.Selections[1].size(), road.PassiveMarked.empty() ? 0u : 1u);
        EXPECT_EQ(host.Marked(TPanelSide::Passive), road.PassiveMarked);
        if (road.List != nullptr) {
            EXPECT_EQ(TestSupport::ReadFile(dir / (std::string("work/") + road.List)), newList);
        }
    }
}

} // namespace
