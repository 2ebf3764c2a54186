// The startup menu's search-folder list: reading and rewriting the search
// folder file, adding, removing and dropping folders.
#include "menu/search_folders.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/game.h"
#include "menu/menu_search.h"
#include "platform/files.h"
#include "test_support.h"

namespace kvx {
namespace {

TEST(SearchFolderFile, CommentLinesComeBackFirstAndHashLinesStayUnchecked) {
  test::TempFolder dir;
  Game g;
  test::UseHeadlessGame(g, dir.path());
  dir.Write("_kvxfiles/kvx_searchdir.txt",
            "//korvex search folders\r\n"
            "/home/pat/songs\r\n"
            "\r\n"
            "#/media/usb/old charts\r\n"
            "// second comment, after the folders\n"
            "<CURRENTDIR>/songs\r\n");
  OpenSearchPanel(g);
  const SearchFolderList& list = g.menu.folders;
  ASSERT_EQ(list.entries.size(), 3u);
  EXPECT_EQ(list.entries[0], (SearchFolderEntry{"/home/pat/songs", true}));
  EXPECT_EQ(list.entries[1], (SearchFolderEntry{"/media/usb/old charts", false}));
  EXPECT_EQ(list.entries[2], (SearchFolderEntry{"<CURRENTDIR>/songs", true}));

  g.menu.folders.entries[2].checked = false;
  ASSERT_TRUE(SaveSearchFolderList(g, g.menu.folders));
  EXPECT_EQ(dir.Read("_kvxfiles/kvx_searchdir.txt"),
            "//korvex search folders\r\n"
            "// second comment, after the folders\r\n"
            "/home/pat/songs\r\n"
            "#/media/usb/old charts\r\n"
            "#<CURRENTDIR>/songs\r\n");
  // No temporary file is left beside it.
  for (const auto& e : std::filesystem::directory_iterator(g.paths.data)) {
    const std::string name = e.path().filename().string();
    EXPECT_TRUE(name == "kvx_searchdir.txt" || name == "debug.txt") << name;
  }
}

TEST(SearchFolderFile, MissingUnreadableOrBinaryFilesGiveAnEmptyList) {
  test::TempFolder dir;
  Game g;
  test::UseHeadlessGame(g, dir.path());
  EXPECT_TRUE(LoadSearchFolderList(g).entries.empty());  // missing
  MakeFolder(SearchFolderFilePath(g));                   // a folder in its place
  EXPECT_TRUE(LoadSearchFolderList(g).entries.empty());
  DeleteFile(SearchFolderFilePath(g));
  dir.Write("_kvxfiles/kvx_searchdir.txt", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
  EXPECT_TRUE(LoadSearchFolderList(g).entries.empty());
  dir.Write("_kvxfiles/kvx_searchdir.txt", std::string(kMaxSearchFolderFileBytes + 1, 'a'));
  EXPECT_TRUE(LoadSearchFolderList(g).entries.empty());
  // Text cut at a NUL that only pads the end is still text.
  dir.Write("_kvxfiles/kvx_searchdir.txt", std::string("/songs\r\n\0\0\0", 11));
  ASSERT_EQ(LoadSearchFolderList(g).entries.size(), 1u);
  EXPECT_EQ(LoadSearchFolderList(g).entries[0].folder, "/songs");
}

TEST(SearchFolderFile, NamesInAnyEncodingRoundTripByteForByte) {
  test::TempFolder dir;
  Game g;
  test::UseHeadlessGame(g, dir.path());
  const std::string latin1 = "/music/caf\xe9";                         // not UTF-8
  const std::string sjis = "/music/\x83\x54\x83\x45\x83\x93\x83\x68";  // Shift-JIS
  const std::string emoji = "/music/\xf0\x9f\x8e\xb5 beats";
  SearchFolderList list;
  for (const auto& f : {latin1, sjis, emoji})
    EXPECT_EQ(AddSearchFolder(list, f, g.paths.program), AddFolderResult::Added);
  list.entries[1].checked = false;
  ASSERT_TRUE(SaveSearchFolderList(g, list));
  EXPECT_EQ(dir.Read("_kvxfiles/kvx_searchdir.txt"), latin1 + "\r\n#" + sjis + "\r\n" + emoji + "\r\n");
  const SearchFolderList back = LoadSearchFolderList(g);
  EXPECT_EQ(back.entries, list.entries);
  // A name the line-based file cannot hold is refused rather than split.
  EXPECT_EQ(AddSearchFolder(list, "/music/two\nlines", g.paths.program), AddFolderResult::Unusable);
  EXPECT_EQ(AddSearchFolder(list, "", g.paths.program), AddFolderResult::Unusable);
  EXPECT_EQ(list.entries.size(), 3u);
}

TEST(SearchFolderList, AFolderAlreadyListedInAnotherCaseIsNotAdded) {
  SearchFolderList list = ParseSearchFolderText("/Home/Pat/Songs\r\n#/media/Old\r\n<currentdir>/songs\r\n");
  const std::string program = "/opt/korvex";
  EXPECT_EQ(AddSearchFolder(list, "/home/pat/SONGS", program), AddFolderResult::Duplicate);
  EXPECT_EQ(AddSearchFolder(list, "/home/pat/songs/", program), AddFolderResult::Duplicate);
  EXPECT_EQ(AddSearchFolder(list, "/MEDIA/old", program), AddFolderResult::Duplicate);  // unchecked ones count
  EXPECT_EQ(AddSearchFolder(list, "/opt/korvex/SONGS", program), AddFolderResult::Duplicate);
  EXPECT_EQ(list.entries.size(), 3u);
  EXPECT_EQ(AddSearchFolder(list, "/home/pat/songs2", program), AddFolderResult::Added);
  ASSERT_EQ(list.entries.size(), 4u);
  EXPECT_EQ(list.entries[3], (SearchFolderEntry{"/home/pat/songs2", true}));
  // "//" would read back as a comment: it is stored as the folder it names.
  EXPECT_EQ(AddSearchFolder(list, "//srv//charts/", program), AddFolderResult::Added);
  EXPECT_EQ(list.entries[4].folder, "/srv/charts");
}

TEST(SearchFolderList, RemoveTakesTheSelectedEntryAndNothingWithoutASelection) {
  SearchFolderList list = ParseSearchFolderText("/a\r\n/b\r\n/c\r\n");
  const auto before = list.entries;
  EXPECT_FALSE(RemoveSelectedFolder(list));
  EXPECT_EQ(list.entries, before);
  list.selected = 7;  // stale selection
  EXPECT_FALSE(RemoveSelectedFolder(list));
  EXPECT_EQ(list.entries, before);
  list.selected = 1;
  EXPECT_TRUE(RemoveSelectedFolder(list));
  ASSERT_EQ(list.entries.size(), 2u);
  EXPECT_EQ(list.entries[0].folder, "/a");
  EXPECT_EQ(list.entries[1].folder, "/c");
  EXPECT_EQ(list.selected, -1);
  EXPECT_FALSE(RemoveSelectedFolder(list));  // nothing selected after a removal
  EXPECT_EQ(list.entries.size(), 2u);
}

TEST(SearchFolderList, DroppedChartAddsTheFolderHoldingIt) {
  test::TempFolder dir;
  Game g;
  test::UseHeadlessGame(g, dir.path());
  const std::string chart = dir.Write("packs/Cool Pack/song [7key].bms", "#TITLE x\r\n");
  MakeFolder(dir.path() + "/packs/Other");
  EXPECT_FALSE(g.menu.search_panel_open);
  DropOnFolderList(g, chart);
  EXPECT_TRUE(g.menu.search_panel_open);  // the list opens to show it
  DropOnFolderList(g, dir.path() + "/packs/Other");
  DropOnFolderList(g, dir.path() + "/PACKS/cool pack/song [7key].bms");  // missing file: the path itself
  DropOnFolderList(g, dir.path() + "/packs/Cool Pack/");                 // already there
  ASSERT_EQ(g.menu.folders.entries.size(), 3u);
  EXPECT_EQ(g.menu.folders.entries[0], (SearchFolderEntry{dir.path() + "/packs/Cool Pack", true}));
  EXPECT_EQ(g.menu.folders.entries[1], (SearchFolderEntry{dir.path() + "/packs/Other", true}));
  EXPECT_EQ(g.menu.folders.entries[2].folder, dir.path() + "/PACKS/cool pack/song [7key].bms");
}

}  // namespace
}  // namespace kvx
