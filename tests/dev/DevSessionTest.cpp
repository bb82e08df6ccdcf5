#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <thread>

#include <unistd.h>

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <IL/il.h>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "audio/Music.h"
#include "dev/Bookmarks.h"
#include "dev/DevSession.h"
#include "dev/PlayClock.h"
#include "dev/ShotLoop.h"
#include "dev/TimeKeys.h"
#include "dev/TimelineEdits.h"
#include "gl/ProgramManager.h"
#include "render/Renderer.h"
#include "scene/PerspectiveCamera.h"
#include "timeline/Timeline.h"
#include "support/DemoRig.h"
#include "support/GLContext.h"
#include "support/Player.h"
#include "support/Scratch.h"

namespace {

using orv::dev::DevSession;
using orv::dev::PlayClock;
using Pixels = std::vector<std::uint8_t>;

constexpr int width = 160;
constexpr int height = 90;

std::string slurp(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void spit(const std::filesystem::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

// The bundled demo in the rig's scratch folder, with its own copies of the
// files the tests edit (the rest stays linked to the bundled demo), and a
// session over it.
struct Session : ::testing::Test {
    orv::test::DemoRig rig{width, height};
    std::unique_ptr<DevSession> session;

    Session()
    {
        const auto& folder = rig.folder.path();
        std::filesystem::remove(folder / "shaders");
        std::filesystem::copy(ORV_SOURCE_DIR "/demo/shaders", folder / "shaders");
        std::filesystem::remove(folder / "config/timeline.yaml");
        std::filesystem::copy(ORV_SOURCE_DIR "/demo/config/timeline.yaml", folder / "config/timeline.yaml");
        session = std::make_unique<DevSession>(*rig.window, "config/gl_programs.yaml");
    }

    Pixels frame(double dt = 1.0 / 60.0)
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        session->frame(dt);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glReadBuffer(GL_BACK);
        return orv::test::readPixels(0, 0, width, height);
    }
};

// The share of strongly magenta pixels (the passes after the composition
// may still add a little light).
double magenta(const Pixels& pixels)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i + 3 < pixels.size(); i += 4)
        count += pixels[i] > 200 && pixels[i + 1] < 80 && pixels[i + 2] > 200;
    return static_cast<double>(count) / static_cast<double>(pixels.size() / 4);
}

double blackShare(const Pixels& pixels)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i + 3 < pixels.size(); i += 4)
        count += pixels[i] + pixels[i + 1] + pixels[i + 2] == 0;
    return static_cast<double>(count) / static_cast<double>(pixels.size() / 4);
}

// A shader saved with a syntax error is reported with its file and program,
// and the running program goes on drawing; the corrected file is picked up
// and really draws (the composed scene turns magenta where nothing is drawn
// over it), with the stage where it was.
TEST_F(Session, ABrokenShaderKeepsTheRunningProgramAndTheFixedOneDraws)
{
    ASSERT_TRUE(session->seek(2.0));
    const Pixels before = frame();
    const GLuint running = session->programs().programId("bloom");
    const std::string original = slurp("shaders/bloom_fragment.glsl");

    spit("shaders/bloom_fragment.glsl", "#version 440 core\nout vec4 colour;\nvoid main() { colour = vec4(1.0) }\n");
    ASSERT_TRUE(session->reload({"shaders/bloom_fragment.glsl"}));
    EXPECT_FALSE(session->lastOutcome().ok);
    EXPECT_NE(session->lastOutcome().message.find("shaders/bloom_fragment.glsl"), std::string::npos)
        << session->lastOutcome().message;
    EXPECT_NE(session->lastOutcome().message.find("\"bloom\""), std::string::npos) << session->lastOutcome().message;
    EXPECT_EQ(session->programs().programId("bloom"), running);
    const Pixels kept = frame();
    EXPECT_LT(magenta(kept), 0.01);
    EXPECT_LT(blackShare(kept), 0.5) << "the demo's own frame is drawn";
    EXPECT_LT(magenta(before), 0.01);

    const double time = session->stage().time();
    std::string fixed = original;
    const auto body = fixed.find("colour = vec4(");
    ASSERT_NE(body, std::string::npos);
    fixed.insert(fixed.find('\n', body) + 1, "    colour = vec4(1.0, 0.0, 1.0, 1.0) + 0.0 * colour;\n");
    spit("shaders/bloom_fragment.glsl", fixed);
    ASSERT_TRUE(session->reload({"shaders/bloom_fragment.glsl", "shaders/.bloom_fragment.glsl.swp"}));
    EXPECT_TRUE(session->lastOutcome().ok) << session->lastOutcome().message;
    EXPECT_NE(session->programs().programId("bloom"), running);
    EXPECT_NEAR(session->stage().time(), time, 1.0 / 60.0);
    const Pixels drawn = frame();
    // Magenta wherever the composed image still shows: the sky, the glass
    // and the sprites drawn after it cover the rest.
    EXPECT_GT(magenta(drawn), 0.1) << "magenta share " << magenta(drawn);

    // Files nothing is built from are no reason to reload.
    EXPECT_FALSE(session->reload({"notes.txt", "shaders/unused.glsl"}));
}

// A saved timeline is rebuilt at the time the author was looking at; one
// that does not parse is reported with its file and the running one kept.
TEST_F(Session, ATimelineReloadKeepsTheCurrentTime)
{
    ASSERT_TRUE(session->seek(3.0));
    frame();
    frame(0.25);
    const double time = session->stage().time();
    const Pixels shown = frame(0.0);

    spit("config/timeline.yaml", "shots: [unclosed\n");
    ASSERT_TRUE(session->reload({"config/timeline.yaml"}));
    EXPECT_FALSE(session->lastOutcome().ok);
    EXPECT_EQ(session->lastOutcome().message.rfind("config/timeline.yaml", 0), 0u) << session->lastOutcome().message;
    EXPECT_DOUBLE_EQ(session->stage().time(), time);

    spit("config/timeline.yaml", slurp(ORV_SOURCE_DIR "/demo/config/timeline.yaml"));
    ASSERT_TRUE(session->reload({"config/timeline.yaml"}));
    EXPECT_TRUE(session->lastOutcome().ok) << session->lastOutcome().message;
    // Rebuilt up to the last fixed step before that time; the next frame reaches it.
    EXPECT_LE(session->stage().time(), time);
    EXPECT_GE(session->stage().time() + session->stage().scene().nextFixedStep(), time - 1e-9);
    const Pixels reloaded = frame(0.0);
    // The same picture, give or take the frame step the rebuild lands on.
    double difference = 0.0;
    for (std::size_t i = 0; i < shown.size(); ++i)
        difference += std::abs(int(shown[i]) - int(reloaded[i]));
    EXPECT_LT(difference / shown.size(), 6.0);
}

// The share of pixels that differ by more than a little in any channel.
double changedShare(const Pixels& a, const Pixels& b)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i + 3 < a.size(); i += 4) {
        bool changed = false;
        for (std::size_t c = 0; c < 3; ++c)
            changed = changed || std::abs(int(a[i + c]) - int(b[i + c])) > 24;
        count += changed;
    }
    return static_cast<double>(count) / static_cast<double>(a.size() / 4);
}

// A key edited through the overlay's model is played at once at the same
// time; saved, the file differs from before in that number's characters
// only, the watcher's notice of that save rebuilds nothing, and a demo
// built from the saved file draws the same frame. A save by other hands
// then wins over the overlay's text.
TEST_F(Session, AnEditedKeyPlaysAtOnceAndIsSavedInPlace)
{
    using Curve = orv::dev::TimelineEdits::Curve;
    const std::string original = slurp("config/timeline.yaml");
    ASSERT_TRUE(session->seek(3.0));
    const Pixels before = frame(0.0);
    const glm::vec3 cameraBefore = session->stage().timeline().cameraPosition();
    const double time = session->stage().time();

    // The first shot's camera flies its first stretch almost twice as fast.
    auto& edits = session->timelineEdits();
    const float speed = edits.keys(0, Curve::cameraVelocity).at(0).at(1);
    const std::string spelled = orv::dev::TimelineEdits::format(speed);
    ASSERT_TRUE(edits.set(0, Curve::cameraVelocity, 0, 1, 2.75f));
    ASSERT_TRUE(session->applyTimelineEdits());
    EXPECT_TRUE(session->lastOutcome().ok) << session->lastOutcome().message;
    EXPECT_EQ(slurp("config/timeline.yaml"), original) << "nothing is written before a save";
    const Pixels edited = frame(0.0);
    EXPECT_DOUBLE_EQ(session->stage().time(), time);
    EXPECT_GT(glm::distance(session->stage().timeline().cameraPosition(), cameraBefore), 1.0f);
    EXPECT_GT(changedShare(before, edited), 0.1);
    // A seek keeps playing the edit.
    ASSERT_TRUE(session->seek(3.0));
    EXPECT_TRUE(frame(0.0) == edited);

    ASSERT_TRUE(session->saveTimelineEdits());
    const std::string saved = slurp("config/timeline.yaml");
    const std::size_t at = original.find("[[0, " + spelled + "]");
    ASSERT_NE(at, std::string::npos);
    std::string expected = original;
    expected.replace(at + 5, spelled.size(), "2.75");
    EXPECT_EQ(saved, expected);
    // The next edit comes before the watcher's notice of the save; that
    // notice rebuilds nothing and leaves the new edit playing.
    ASSERT_TRUE(edits.set(0, Curve::cameraVelocity, 0, 1, 1.25f));
    ASSERT_TRUE(session->applyTimelineEdits());
    const orv::demo::Demo* playing = &session->stage();
    EXPECT_FALSE(session->reload({"config/timeline.yaml"})) << "the overlay's own save";
    EXPECT_EQ(&session->stage(), playing) << "no second rebuild";
    EXPECT_TRUE(edits.unsaved());
    EXPECT_EQ(edits.keys(0, Curve::cameraVelocity)[0][1], 1.25f);
    ASSERT_TRUE(edits.set(0, Curve::cameraVelocity, 0, 1, 2.75f));
    EXPECT_FALSE(edits.unsaved());

    {
        orv::demo::Demo fresh(*rig.window, session->programs());
        fresh.advanceTo(time);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        fresh.frame(0.0);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glReadBuffer(GL_BACK);
        EXPECT_TRUE(orv::test::readPixels(0, 0, width, height) == edited) << "the saved file plays the edit";
    }

    // The author's editor writes the first speed back: the file wins.
    spit("config/timeline.yaml", original);
    ASSERT_TRUE(session->reload({"config/timeline.yaml"}));
    EXPECT_TRUE(session->lastOutcome().ok) << session->lastOutcome().message;
    EXPECT_EQ(edits.text(), original);
    EXPECT_FALSE(edits.unsaved());
    EXPECT_LT(changedShare(before, frame(0.0)), 0.01);
}

// C stores the free camera in the scene file's own coordinates (the
// bundled scene file is Z-up, so its root turns it): what is written and
// read back puts the camera, after playing elsewhere, where it was and
// looking the same way, so the same frame is drawn.
TEST_F(Session, ABookmarkPutsTheFreeCameraBackInTheSceneFilesCoordinates)
{
    using orv::dev::Bookmarks;
    ASSERT_TRUE(session->seek(12.0));
    frame(0.0);
    const glm::mat4 root = session->stage().root()->modelMatrix();
    const glm::vec3 place(1.5f, 2.0f, 3.0f);
    const glm::vec3 looking(-2.0f, 1.0f, -4.0f);
    ASSERT_GT(glm::distance(glm::vec3(root * glm::vec4(place, 1.0f)), place), 0.5f)
        << "the root has to move points for this test to tell the coordinates apart";
    session->stage().timeline().camera().flyFrom(place, looking);
    const Pixels there = frame(0.0);
    ASSERT_FALSE(session->stage().timeline().camera().isOnRails());

    const Bookmarks::Bookmark mark = session->bookmarks().add(session->stage());
    EXPECT_EQ(mark.shot, session->stage().shotAt(12.0) + 1);
    const glm::vec3 inFile = glm::vec3(glm::inverse(root) * glm::vec4(place, 1.0f));
    EXPECT_LT(glm::distance(mark.position, inFile), 1e-4f);
    // Written again (a second add appends), then read back as a new session would.
    session->bookmarks().add(session->stage());
    const Bookmarks read("config/bookmarks.yaml");
    ASSERT_EQ(read.all().size(), 2u);
    EXPECT_NEAR(read.all()[0].time, session->stage().time(), 1e-4);
    EXPECT_EQ(read.all()[0].shot, mark.shot);
    EXPECT_LT(glm::distance(read.all()[0].position, inFile), 2e-4f);
    const std::string text = slurp("config/bookmarks.yaml");
    EXPECT_EQ(text.rfind("# Camera bookmarks", 0), 0u) << text;

    ASSERT_TRUE(session->seek(30.0));
    frame(0.0);
    ASSERT_TRUE(session->seek(read.all()[0].time));
    Bookmarks::visit(read.all()[0], session->stage());
    const auto& camera = session->stage().timeline().camera();
    EXPECT_FALSE(camera.isOnRails());
    EXPECT_LT(glm::distance(camera.position(), place), 1e-3f);
    EXPECT_GT(glm::dot(camera.front(), glm::normalize(looking - place)), 0.9999f);
    EXPECT_LT(changedShare(there, frame(0.0)), 0.002);

    // A bookmark file that does not read is one line naming it.
    spit("config/bookmarks.yaml", "bookmarks:\n  - position: [1, 2]\n    look_at: [0, 0, 0]\n");
    try {
        Bookmarks broken("config/bookmarks.yaml");
        ADD_FAILURE() << "a two-number position is read";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()).rfind("config/bookmarks.yaml:2", 0), 0u) << error.what();
    }
}

// A seek, after playing elsewhere in the demo, lands on the frame that
// `orv --capture --start T` writes first at the seek's step.
TEST_F(Session, ASeekGivesTheFrameOfACaptureStartedThere)
{
    orv::test::ScratchDir out;
    const auto capture = orv::test::runPlayer(ORV_SOURCE_DIR "/demo", 0.0, "orv", 120, "",
                                              "--size 160x90 --fps 60 --start 6.5 --to 6.5 --capture '" +
                                                  out.path().string() + "'");
    ASSERT_EQ(capture.exitCode, 0) << capture.err;

    ASSERT_TRUE(session->seek(9.0));
    frame();
    frame(0.3);
    ASSERT_TRUE(session->seek(6.5));
    const Pixels seeked = frame(0.3);  // the first frame after a seek takes the capture's step

    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    ilEnable(IL_ORIGIN_SET);
    ilOriginFunc(IL_ORIGIN_LOWER_LEFT);
    Pixels captured(seeked.size());
    const bool loaded = ilLoadImage((out.path() / "frame_00000.png").c_str()) &&
                        ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE) && ilGetInteger(IL_IMAGE_WIDTH) == width;
    if (loaded)
        ilCopyPixels(0, 0, 0, width, height, 1, IL_RGBA, IL_UNSIGNED_BYTE, captured.data());
    ilDisable(IL_ORIGIN_SET);
    ilDeleteImages(1, &image);
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(seeked == captured);

    const Pixels next = frame(0.3);
    EXPECT_FALSE(next == captured) << "later frames move on";
}

// A saved shader is relinked in place: the demo plays on where it was (the
// same stage, nothing built again or left behind), and the passes follow the
// program's new uniform locations, so the picture stays the demo's.
TEST_F(Session, AShaderSaveRelinksInPlaceAndThePassesFollowTheNewLocations)
{
    ASSERT_TRUE(session->seek(4.0));
    frame();
    const Pixels before = frame(0.0);
    const orv::demo::Demo* stage = &session->stage();
    const double time = stage->time();
    const auto objects = orv::test::liveGLObjects();
    const int blur = session->programs().uniformLocation("bloom", "blur");

    // An array in front of the samplers moves their locations; it changes nothing drawn.
    std::string shader = slurp("shaders/bloom_fragment.glsl");
    shader.insert(shader.find('\n') + 1, "uniform float shift[16];\n");
    const auto body = shader.find("colour = vec4(");
    shader.insert(shader.find('\n', body) + 1, "    if (shift[5] > 1e30) colour = vec4(0.0);\n");
    spit("shaders/bloom_fragment.glsl", shader);
    ASSERT_TRUE(session->reload({"shaders/bloom_fragment.glsl"}));
    ASSERT_TRUE(session->lastOutcome().ok) << session->lastOutcome().message;
    EXPECT_EQ(&session->stage(), stage) << "the demo was built again";
    EXPECT_EQ(session->stage().time(), time);
    ASSERT_NE(session->programs().uniformLocation("bloom", "blur"), blur) << "the test needs the locations to move";
    orv::test::expectSameLiveGLObjects(objects, orv::test::liveGLObjects());

    const Pixels after = frame(0.0);
    double difference = 0.0;
    for (std::size_t i = 0; i < before.size(); ++i)
        difference += std::abs(int(before[i]) - int(after[i]));
    EXPECT_LT(difference / before.size(), 2.0);
}

// How far the music is from the demo time, on the looping track: the
// shortest way round, in seconds.
double musicOffset(const PlayClock& clock, double demoSeconds)
{
    const double length = clock.musicLength().value_or(0.0);
    const double off = std::remainder(clock.musicPosition().value_or(-1.0) - demoSeconds, length);
    return std::abs(off);
}

// The music follows every jump of the demo clock: seeks, shot keys, reloads
// and the shot loop put it at the demo's time, paused or not. It plays on the
// null audio device. The stage stands up to one fixed step (1/60 s) short of
// the time its next frame lands on, where the music is put, and the music
// plays on for the few milliseconds between the jump and the check: one frame
// at 30 FPS covers both, and the music out of step by less than that is not heard.
TEST_F(Session, TheMusicFollowsSeeksPausesShotKeysReloadsAndTheShotLoop)
{
    // Read once, when the process opens its first audio device; nothing in
    // this test binary opens one before.
    setenv("ALSOFT_DRIVERS", "null", 1);
    testing::internal::CaptureStdout();
    const orv::audio::Music music = orv::audio::startMusic("assets/sounds/finish.mp3", 0.0);
    testing::internal::GetCapturedStdout();
    ASSERT_NE(music.channel, nullptr) << "no null audio device";
    constexpr double frameTolerance = 1.0 / 30.0;
    {
        PlayClock clock(music);
        session->setClock(&clock);
        const orv::demo::ShotTimes shots = session->stage().shots();  // each seek builds a new stage
        ASSERT_GE(shots.starts.size(), 3u);
        const auto inStep = [&] { return musicOffset(clock, session->stage().time()); };

        ASSERT_TRUE(session->seek(12.5));
        EXPECT_LT(inStep(), frameTolerance) << "a seek; music at " << *clock.musicPosition();

        // Frames the test steps by hand run far ahead of the music's real time.
        frame(0.5);
        frame(2.0);
        ASSERT_GT(inStep(), 1.0);
        ASSERT_TRUE(session->reload({"config/timeline.yaml"}));
        ASSERT_TRUE(session->lastOutcome().ok) << session->lastOutcome().message;
        EXPECT_LT(inStep(), frameTolerance) << "a reload";

        const double now = session->stage().time();
        const auto next = orv::dev::TimeKeys::target(GLFW_KEY_PAGE_DOWN, now, shots.starts);
        ASSERT_TRUE(next.has_value());
        ASSERT_TRUE(session->seek(*next));
        EXPECT_LT(inStep(), frameTolerance) << "Page Down";

        // Paused, the music stands still, and a seek moves it without playing it.
        clock.setPaused(true);
        EXPECT_EQ(clock.musicPaused(), true);
        ASSERT_TRUE(session->seek(41.0));
        EXPECT_EQ(clock.musicPaused(), true);
        EXPECT_LT(inStep(), frameTolerance) << "a seek while paused";
        const double still = *clock.musicPosition();
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        EXPECT_EQ(clock.nextFrame().demoSeconds, 0.0);
        EXPECT_NEAR(*clock.musicPosition(), still, 1e-3) << "paused music does not move";
        clock.setPaused(false);
        EXPECT_EQ(clock.musicPaused(), false);

        // The end of the demo is the end of the track: the music wraps to its start.
        ASSERT_TRUE(session->seek(1e6));
        EXPECT_LT(inStep(), frameTolerance) << "the end, music at " << *clock.musicPosition();

        // The loop over a shot takes the demo and the music back to its start
        // when a frame would reach the shot's end.
        orv::dev::ShotLoop loop;
        ASSERT_TRUE(session->seek(shots.endOf(1) - 0.4));
        frame(0.0);
        loop.toggle(session->stage().time(), shots);
        ASSERT_EQ(loop.shot(), 1u);
        frame(0.25);
        EXPECT_FALSE(loop.jumpBefore(session->stage().time() + 0.1, shots).has_value());
        const auto back = loop.jumpBefore(session->stage().time() + 0.25, shots);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(*back, shots.starts[1]);
        ASSERT_TRUE(session->seek(*back));
        EXPECT_LT(inStep(), frameTolerance) << "the loop";
        frame(0.0);
        EXPECT_EQ(session->stage().shotAt(session->stage().time()), 1u) << "the shot plays again";
        session->setClock(nullptr);
    }
    music.system->release();
    // The players later tests start find the machine's own audio set-up.
    unsetenv("ALSOFT_DRIVERS");
}

// Without music (no audio device) the clock keeps the demo's time alone:
// the real time between frames, none while paused, and a jump starts it
// afresh, so a slow rebuild is not played past.
TEST(PlayClock, WithoutMusicKeepsTheTimeAlone)
{
    ASSERT_EQ(glfwInit(), GLFW_TRUE);
    PlayClock clock;
    EXPECT_FALSE(clock.musicPosition().has_value());
    clock.nextFrame();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    PlayClock::Frame frame = clock.nextFrame();
    EXPECT_GE(frame.realSeconds, 0.06);
    EXPECT_EQ(frame.demoSeconds, frame.realSeconds);

    clock.setPaused(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    frame = clock.nextFrame();
    EXPECT_GE(frame.realSeconds, 0.06);
    EXPECT_EQ(frame.demoSeconds, 0.0);
    clock.setPaused(false);

    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    clock.jumpTo(20.0);
    frame = clock.nextFrame();
    EXPECT_LT(frame.demoSeconds, 0.3) << "the time before the jump is not played";
    EXPECT_FALSE(clock.musicPosition().has_value());
    EXPECT_FALSE(clock.musicPaused().has_value());
}

// The process's resident memory in bytes.
double residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    double pages = 0.0;
    double resident = 0.0;
    statm >> pages >> resident;
    return resident * static_cast<double>(sysconf(_SC_PAGESIZE));
}

// Every seek and every save builds the demo again; what the old one held
// must all be given back, or an authoring session runs the machine out of
// memory. Counted per kind of GL object, and as the process's memory.
TEST_F(Session, SeeksAndSavesGiveBackEverythingTheyReplace)
{
    const auto& folder = rig.folder.path();
    std::filesystem::remove(folder / "config/scene.yaml");
    std::filesystem::copy(ORV_SOURCE_DIR "/demo/config/scene.yaml", folder / "config/scene.yaml");
    const std::vector<std::string> saved = {"shaders/copy_fragment.glsl", "config/timeline.yaml",
                                            "config/scene.yaml"};

    const auto seekTo = [&](int i) {
        ASSERT_TRUE(session->seek(0.5 + (i * 7) % 12));
        frame();
    };
    const auto save = [&](int i) {
        const std::string& file = saved[static_cast<std::size_t>(i) % saved.size()];
        spit(file, slurp(file));
        ASSERT_TRUE(session->reload({file}));
        ASSERT_TRUE(session->lastOutcome().ok) << session->lastOutcome().message;
        frame();
    };

    ASSERT_TRUE(session->seek(1.0));
    frame();
    const auto objects = orv::test::liveGLObjects();
    // The GL driver compiles a variant of a program for every new set of
    // states it meets and keeps it: one round over every time and file the
    // test visits meets them all before memory is measured.
    for (int i = 0; i < 12; ++i)
        seekTo(i);
    for (int i = 0; i < 3; ++i)
        save(i);
    const double memory = residentBytes();

    for (int i = 0; i < 50; ++i)
        seekTo(i);
    for (int i = 0; i < 20; ++i)
        save(i);
    orv::test::expectSameLiveGLObjects(objects, orv::test::liveGLObjects());
    // A build that kept what it replaced would add well over 100 MB each
    // time; the allocator's and the driver's high-water marks grow in steps
    // of about 12 MB a few times over the 70 builds, whatever the process
    // held before.
    EXPECT_LT(residentBytes() - memory, 100e6) << "from " << memory / 1e6 << " MB";
}

// The render scale (--scale, or where --target-fps put it) is the session's,
// not the stage's: a seek and a reload build stages that draw at it, and
// back at 1 they draw at the window's size again.
TEST_F(Session, TheRenderScaleHoldsForEveryStageItBuilds)
{
    session->setRenderScale(0.5);
    EXPECT_EQ(session->stage().renderer().renderWidth(), 80u);
    ASSERT_TRUE(session->seek(3.0));
    EXPECT_EQ(session->stage().renderer().renderScale(), 0.5);
    EXPECT_EQ(session->stage().renderer().renderWidth(), 80u);
    EXPECT_EQ(session->stage().renderer().renderHeight(), 45u);
    EXPECT_GT(1.0 - blackShare(frame()), 0.5) << "the stretched frame covers the window";

    spit("config/timeline.yaml", slurp("config/timeline.yaml"));
    ASSERT_TRUE(session->reload({"config/timeline.yaml"}));
    ASSERT_TRUE(session->lastOutcome().ok) << session->lastOutcome().message;
    EXPECT_EQ(session->stage().renderer().renderWidth(), 80u);
    EXPECT_NE(session->stage().renderer().outputFramebuffer(), 0u);

    session->setRenderScale(1.0);
    ASSERT_TRUE(session->seek(4.0));
    EXPECT_EQ(session->stage().renderer().renderWidth(), static_cast<unsigned>(width));
    EXPECT_EQ(session->stage().renderer().renderHeight(), static_cast<unsigned>(height));
}

}  // namespace
