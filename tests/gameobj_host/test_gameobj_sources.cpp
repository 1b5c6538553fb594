#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "core/paths.h"
#include "gameobj_host/gameobj_sources.h"
#include "gameobj_test_files.h"

namespace {

class GameObjSourcesTest : public ::testing::Test {
protected:
    GameObjTestFolder folder;

    void SetUp() override { set_gameobj_source("../compiler/", "main.ls"); }
    void TearDown() override { gameobj_sources.clear(); }

    std::vector<std::string> scanned() const {
        std::vector<std::string> names;
        for (const GameObjSourceFile& f : gameobj_sources) names.push_back(std::string(f.path).substr(folder.sourceDir().size()));
        return names;
    }
};

TEST_F(GameObjSourcesTest, ImportLinesNameFilesInTheSourceFolder) {
    folder.writeSource("main.ls",
                       "import  \t a.b\n"
                       "import c.d\r\n"
                       "import e extra words\n"
                       "Import x\n"
                       " import y\n"
                       "//import z\n");
    folder.writeSource("a/b.ls", "");
    folder.writeSource("c/d.ls", "");
    folder.writeSource("e.ls", "");
    for (const char* ignored : {"x.ls", "y.ls", "z.ls"}) folder.writeSource(ignored, "");
    rescan_gameobj_sources();
    EXPECT_EQ(scanned(), (std::vector<std::string>{"main.ls", "a/b.ls", "c/d.ls", "e.ls"}));
}

TEST_F(GameObjSourcesTest, EachFileIsScannedOnceWhateverItsSpelling) {
    folder.writeSource("main.ls", "import a.b\nimport c\nimport A.B\n");
    folder.writeSource("a/b.ls", "import c\n");
    folder.writeSource("c.ls", "import a.b\nimport main\n");
    folder.writeSource("A/B.ls", "");
    rescan_gameobj_sources();
    EXPECT_EQ(scanned(), (std::vector<std::string>{"main.ls", "a/b.ls", "c.ls"}));
    EXPECT_FALSE(gameobj_sources_changed());
}

TEST_F(GameObjSourcesTest, ImportedTimesAreRecordedAndComparedAgain) {
    folder.writeSource("main.ls", "import unit\n");
    folder.writeSource("unit.ls", "");
    folder.writeSource("unused.ls", "");
    rescan_gameobj_sources();
    ASSERT_EQ(gameobj_sources.num, 2);
    EXPECT_EQ(gameobj_sources[1].stamp, gameobj_source_stamp((folder.sourceDir() + "unit.ls").c_str()));

    GameObjTestFolder::setFileTime(folder.sourceDir() + "unused.ls", 20);
    EXPECT_FALSE(gameobj_sources_changed());
    GameObjTestFolder::setFileTime(folder.sourceDir() + "unit.ls", 20);
    EXPECT_TRUE(gameobj_sources_changed());

    rescan_gameobj_sources();
    EXPECT_FALSE(gameobj_sources_changed());
}

TEST_F(GameObjSourcesTest, ASecondSaveWithinTheSameTimeIsSeen) {
    folder.writeSource("main.ls", "import unit\n");
    folder.writeSource("unit.ls", "int a = 1;\n");
    std::string unit = folder.sourceDir() + "unit.ls";
    GameObjTestFolder::setFileTime(unit, 5);
    rescan_gameobj_sources();
    // A quick fix of the same length, saved with the same time stamp.
    folder.writeSource("unit.ls", "int a = 2;\n");
    GameObjTestFolder::setFileTime(unit, 5);
    EXPECT_TRUE(gameobj_sources_changed());
}

TEST_F(GameObjSourcesTest, MissingImportsAreNeverWatched) {
    folder.writeSource("main.ls", "import later\n");
    rescan_gameobj_sources();
    EXPECT_EQ(scanned(), (std::vector<std::string>{"main.ls"}));
    folder.writeSource("later.ls", "");
    GameObjTestFolder::setFileTime(folder.sourceDir() + "later.ls", 20);
    EXPECT_FALSE(gameobj_sources_changed());
}

TEST_F(GameObjSourcesTest, ADeletedFileCountsAsChanged) {
    folder.writeSource("main.ls", "import unit\n");
    folder.writeSource("unit.ls", "");
    rescan_gameobj_sources();
    std::remove((folder.sourceDir() + "unit.ls").c_str());
    EXPECT_TRUE(gameobj_sources_changed());
}

}  // namespace

namespace {

TEST_F(GameObjSourcesTest, ADeletedFileIsStillWatchedAndItsReturnCounts) {
    folder.writeSource("main.ls", "import unit\n");
    folder.writeSource("unit.ls", "import deeper\n");
    folder.writeSource("deeper.ls", "");
    rescan_gameobj_sources();
    std::remove((folder.sourceDir() + "unit.ls").c_str());
    ASSERT_TRUE(gameobj_sources_changed());
    rescan_gameobj_sources();  // the rebuild's scan
    EXPECT_EQ(scanned(), (std::vector<std::string>{"main.ls", "unit.ls"}));
    EXPECT_FALSE(gameobj_sources_changed());

    folder.writeSource("unit.ls", "import deeper\n");
    EXPECT_TRUE(gameobj_sources_changed());
    rescan_gameobj_sources();
    EXPECT_EQ(scanned(), (std::vector<std::string>{"main.ls", "unit.ls", "deeper.ls"}));
    GameObjTestFolder::setFileTime(folder.sourceDir() + "deeper.ls", 30);
    EXPECT_TRUE(gameobj_sources_changed());
}

}  // namespace
