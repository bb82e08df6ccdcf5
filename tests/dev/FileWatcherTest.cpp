#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dev/FileWatcher.h"
#include "support/Scratch.h"

namespace {

using orv::dev::FileWatcher;
using orv::test::ScratchDir;
using namespace std::chrono_literals;

constexpr auto quiet = 100ms;

// The watcher is only ever asked with explicit times, so these tests never
// depend on how fast the machine is.
struct Watched : ::testing::Test {
    ScratchDir dir;
    FileWatcher::Clock::time_point start = FileWatcher::Clock::now();

    Watched() { dir.write("shaders/keep.txt", ""); }
};

// An editor that saves through a temporary file and a rename, with a
// backup of the old file made and removed on the way, gives one batch once
// the folder has been quiet, naming the saved file once; nothing before
// the quiet while, and nothing after the batch.
TEST_F(Watched, AnEditorsSaveSequenceIsOneBatch)
{
    const auto target = dir.write("shaders/copy_fragment.glsl", "old");
    FileWatcher watcher(dir.path(), quiet);
    ASSERT_TRUE(watcher.isWatching());

    std::filesystem::rename(target, dir.path() / "shaders/copy_fragment.glsl~");
    dir.write("shaders/.copy_fragment.glsl.tmp", "new");
    std::filesystem::rename(dir.path() / "shaders/.copy_fragment.glsl.tmp", target);
    dir.write("shaders/copy_fragment.glsl", "new, written again in place");
    std::filesystem::remove(dir.path() / "shaders/copy_fragment.glsl~");

    EXPECT_TRUE(watcher.poll(start).empty());
    EXPECT_TRUE(watcher.poll(start + quiet / 2).empty());
    const std::vector<std::string> batch = watcher.poll(start + quiet);
    EXPECT_EQ(std::count(batch.begin(), batch.end(), "shaders/copy_fragment.glsl"), 1) << ::testing::PrintToString(batch);
    EXPECT_TRUE(watcher.poll(start + quiet * 3).empty());

    // Waiting for the folder to settle gives the same single batch at once.
    std::filesystem::rename(target, dir.path() / "shaders/copy_fragment.glsl~");
    dir.write("shaders/.copy_fragment.glsl.tmp", "newer");
    std::filesystem::rename(dir.path() / "shaders/.copy_fragment.glsl.tmp", target);
    std::filesystem::remove(dir.path() / "shaders/copy_fragment.glsl~");
    const std::vector<std::string> settled = watcher.settle();
    EXPECT_EQ(std::count(settled.begin(), settled.end(), "shaders/copy_fragment.glsl"), 1)
        << ::testing::PrintToString(settled);
    EXPECT_TRUE(watcher.settle().empty());
}

// A save while the previous one is still settling restarts the quiet while;
// saves farther apart are batches of their own; a folder made after the
// watcher started is watched too.
TEST_F(Watched, LaterSavesAndNewFoldersAreSeen)
{
    FileWatcher watcher(dir.path(), quiet);
    dir.write("config/timeline.yaml", "a");
    EXPECT_TRUE(watcher.poll(start).empty());
    dir.write("config/scene.yaml", "b");
    EXPECT_TRUE(watcher.poll(start + quiet * 3 / 4).empty());
    EXPECT_TRUE(watcher.poll(start + quiet * 3 / 2).empty()) << "the second save restarted the quiet while";
    EXPECT_EQ(watcher.poll(start + quiet * 2), (std::vector<std::string>{"config/scene.yaml", "config/timeline.yaml"}));

    std::filesystem::create_directories(dir.path() / "assets/models");
    EXPECT_TRUE(watcher.poll(start + quiet * 3).empty()) << "a folder alone is no change";
    dir.write("assets/models/box.gltf", "{}");
    EXPECT_TRUE(watcher.poll(start + quiet * 4).empty());
    EXPECT_EQ(watcher.poll(start + quiet * 6), (std::vector<std::string>{"assets/models/box.gltf"}));
}

}  // namespace
