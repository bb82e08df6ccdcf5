#include <gtest/gtest.h>

#include "scene/PerspectiveCamera.h"
#include "timeline/TimelineFixture.h"

namespace {

using orv::test::expectNear;

using TimelineFile = orv::test::TimelineTest;

const char* oneShot = "shots:\n  - {camera_velocity: [[0, 1], [1, 1]], particle_velocity: [[0, 1], [1, 1]]}\n";

TEST_F(TimelineFile, GroupsOfOneNumberFormOnePath)
{
    root->setLocalMatrix(glm::translate(glm::mat4(1.0f), glm::vec3(10, 0, 0)));
    addGroup("Camera001_a", {0, 0, 0}, {0, 0, -1}, {1, 0, 0});
    addGroup("Camera001_b", {3, 0, 0}, {2, 0, 0}, {3, 0, 1});
    addGroup("Particle001", {0, 1, 0}, {0, 1, 0}, {0, 1, 0});
    const auto timeline = build(oneShot);
    ASSERT_EQ(timeline->cameraPaths().size(), 1u);
    const auto& path = timeline->cameraPaths()[0];
    ASSERT_EQ(path.controlPointCount(), 2u);
    EXPECT_EQ(path.segmentCount(), 1u);
    // Positions are the markers' world translations, in anchor, incoming, outgoing order.
    const auto& second = path.controlPoints()[1];
    expectNear(second.anchor, {13, 0, 0});
    expectNear(second.incoming, {12, 0, 0});
    expectNear(second.outgoing, {13, 0, 1});
    expectNear(path.controlPoints()[0].incoming, {10, 0, -1});
    ASSERT_EQ(timeline->particlePaths().size(), 1u);
    EXPECT_EQ(timeline->particlePaths()[0].segmentCount(), 0u);
}

TEST_F(TimelineFile, EveryNewNumberStartsAPath)
{
    addGroup("Camera001", {0, 0, 0}, {0, 0, 0}, {0, 0, 0});
    addGroup("Camera002", {1, 0, 0}, {1, 0, 0}, {1, 0, 0});
    addGroup("Particle000", {0, 0, 0}, {0, 0, 0}, {0, 0, 0});
    addGroup("Particle001", {2, 0, 0}, {2, 0, 0}, {2, 0, 0});
    addGroup("Particle001b", {3, 0, 0}, {3, 0, 0}, {3, 0, 0});
    const auto timeline = build("shots: [{}, {particle_velocity: [[0, 1], [1, 1]]}]\n");
    ASSERT_EQ(timeline->cameraPaths().size(), 2u);
    EXPECT_EQ(timeline->cameraPaths()[0].controlPointCount(), 1u);
    EXPECT_EQ(timeline->cameraPaths()[1].controlPointCount(), 1u);
    EXPECT_EQ(timeline->cameraPaths()[1].segmentCount(), 0u);
    // 000 is a number like any other.
    ASSERT_EQ(timeline->particlePaths().size(), 2u);
    EXPECT_EQ(timeline->particlePaths()[0].controlPointCount(), 1u);
    EXPECT_EQ(timeline->particlePaths()[1].controlPointCount(), 2u);
    EXPECT_EQ(timeline->shotCount(), 2u);
}

TEST_F(TimelineFile, ShotKeysAndFallbacks)
{
    addStraightPath("Camera", 1, {{0, 0, 0}, {1, 0, 0}});
    addStraightPath("Camera", 2, {{0, 0, 0}});
    addStraightPath("Camera", 3, {{0, 0, 0}});
    addStraightPath("Particle", 1, {{0, 0, 0}, {1, 0, 0}});
    addStraightPath("Particle", 2, {{0, 0, 0}});
    addStraightPath("Particle", 3, {{0, 0, 0}});
    const auto timeline = build(R"(shots:
  - camera_velocity: [[0, 1], [1, 1]]
    particle_velocity: [[0, 1, 99], [1, 1]]
    look_at: [[0, 1, 2, 3], [0.5, 4, 5, 6, 7]]
    inactive_targets: [bloom, godray_post]
    sync: true
  - sync: 5
  - {}
)");
    ASSERT_EQ(timeline->shotCount(), 3u);
    EXPECT_TRUE(timeline->sync(0));
    EXPECT_FALSE(timeline->sync(1)) << "a value that is not a boolean counts as false";
    EXPECT_FALSE(timeline->sync(2));
    ASSERT_EQ(timeline->lookAtKeys()[0].size(), 2u);
    EXPECT_EQ(timeline->lookAtKeys()[0][0], glm::vec4(1, 2, 3, 0));
    EXPECT_EQ(timeline->lookAtKeys()[0][1], glm::vec4(4, 5, 6, 0.5f));
    EXPECT_TRUE(timeline->lookAtKeys()[1].empty());
    EXPECT_EQ(timeline->currentInactiveTargets(), (std::vector<std::string>{"bloom", "godray_post"}));
    EXPECT_EQ(timeline->cameraShot(), 0u);
    EXPECT_EQ(timeline->particleShot(), 0u);
}

TEST_F(TimelineFile, CameraIsCreatedWithItsProjection)
{
    addStraightPath("Camera", 1, {{0, 0, 0}});
    addStraightPath("Particle", 1, {{0, 0, 0}});
    const auto timeline = build("shots: [{}]\n");
    const glm::mat4 p = timeline->projection();
    EXPECT_NEAR(p[1][1] / p[0][0], 2.0f, 1e-5f) << "aspect of the 200 x 100 framebuffer";
    EXPECT_TRUE(timeline->camera().isOnRails());
    expectNear(timeline->cameraPosition(), {0, 0, 3});
    EXPECT_EQ(timeline->viewProjection(), timeline->projection() * timeline->view());
}

TEST_F(TimelineFile, UnknownInactiveTargetIsReportedOnceAndDropped)
{
    addStraightPath("Camera", 1, {{0, 0, 0}});
    addStraightPath("Particle", 1, {{0, 0, 0}});
    testing::internal::CaptureStderr();
    const auto timeline = build("shots:\n  - inactive_targets: [render_pillars, blooom, cubemap]\n");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(timeline->currentInactiveTargets(), (std::vector<std::string>{"render_pillars", "cubemap"}));
    EXPECT_NE(err.find("config/timeline.yaml"), std::string::npos) << err;
    EXPECT_NE(err.find("\"blooom\""), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    testing::internal::CaptureStderr();
    play(*timeline, 0.01, 3);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(TimelineFile, SpeedThatStopsTheMotionIsReported)
{
    addStraightPath("Camera", 1, {{0, 0, 0}, {1, 0, 0}});
    addStraightPath("Particle", 1, {{0, 0, 0}, {1, 0, 0}});
    testing::internal::CaptureStderr();
    build("shots:\n  - {camera_velocity: [[0, 0], [1, 3]], particle_velocity: [[0, 1], [1, 1]]}\n");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("camera_velocity"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

// Scenes and timelines that do not fit each other are rejected with one line
// that names the file and what does not fit.
TEST_F(TimelineFile, MisfitsAreRejectedNamingTheFile)
{
    addStraightPath("Camera", 1, {{0, 0, 0}, {1, 0, 0}});
    addStraightPath("Particle", 1, {{0, 0, 0}, {1, 0, 0}});
    const auto expectRejected = [&](const std::string& yaml, const std::string& mention) {
        const std::string message = rejection(yaml);
        EXPECT_EQ(message.rfind("config/timeline.yaml: ", 0), 0u) << yaml << " -> " << message;
        EXPECT_NE(message.find(mention), std::string::npos) << yaml << " -> " << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    };
    expectRejected("shots: []\n", "\"shots\"");
    expectRejected("title: no shots\n", "\"shots\"");
    expectRejected(std::string(oneShot) + "  - {camera_velocity: [[0, 1], [1, 1]]}\n", "shot 2");
    expectRejected("shots:\n  - {camera_velocity: [[0, 1]], particle_velocity: [[0, 1], [1, 1]]}\n",
                   "\"camera_velocity\"");
    expectRejected("shots:\n  - {camera_velocity: [[0, 1], [1, 1]]}\n", "\"particle_velocity\"");
    const std::string velocities = "shots:\n  - {camera_velocity: [[0, 1], [1, 1]], particle_velocity: [[0, 1], [1, 1]], ";
    expectRejected(velocities + "sparks: [1, 2]}\n", "shot 1: \"sparks\" must be a map");
    // The sparks' shader divides by both times.
    expectRejected(velocities + "sparks: {interval_ms: 0}}\n", "shot 1 \"sparks\" \"interval_ms\" is not above 0");
    expectRejected(velocities + "sparks: {count: 2, lifetime_ms: -5}}\n",
                   "shot 1 \"sparks\" \"lifetime_ms\" is not above 0");
    EXPECT_EQ(rejection(velocities + "sparks: {count: 2, interval_ms: 10, lifetime_ms: 100}}\n"), "");
    EXPECT_EQ(rejection(oneShot), "");
}

TEST_F(TimelineFile, MarkerMisfitsAreRejected)
{
    addStraightPath("Camera", 1, {{0, 0, 0}});
    addStraightPath("Particle", 1, {{0, 0, 0}});
    addMarker("Camera002_stray", {0, 0, 0});
    std::string message = rejection("shots: [{}]\n");
    EXPECT_EQ(message.rfind("config/timeline.yaml: ", 0), 0u) << message;
    EXPECT_NE(message.find("\"Camera"), std::string::npos) << message;
    EXPECT_NE(message.find("three"), std::string::npos) << message;

    root = std::make_shared<orv::scene::SceneObject>();
    addStraightPath("Particle", 1, {{0, 0, 0}});
    addGroup("CameraX01", {0, 0, 0}, {0, 0, 0}, {0, 0, 0});
    message = rejection("shots: [{}]\n");
    EXPECT_EQ(message.rfind("config/timeline.yaml: ", 0), 0u) << message;
    EXPECT_NE(message.find("\"CameraX01\""), std::string::npos) << message;
}

// A marker-like node of a model file counts along with the scene's markers;
// the message names every file that adds markers and the names it adds.
TEST_F(TimelineFile, MarkerCountNamesWhereTheMarkersComeFrom)
{
    using Marker = orv::timeline::Timeline::Marker;
    const auto reason = [](const std::vector<Marker>& markers) {
        try {
            orv::timeline::Timeline::pathShape("config/timeline.yaml", "Camera", markers);
        } catch (const std::runtime_error& error) {
            return std::string(error.what());
        }
        return std::string("(accepted)");
    };
    std::vector<Marker> markers = {{"Camera001_0", ""}, {"Camera001_0_in", ""}, {"Camera001_0_out", ""},
                                   {"Camera001_1", ""}, {"Camera001_1_in", ""}, {"Camera001_1_out", ""},
                                   {"Camera002_0", ""}, {"Camera002_0_in", ""}, {"Camera002_0_out", ""}};
    EXPECT_EQ(orv::timeline::Timeline::pathShape("config/timeline.yaml", "Camera", markers),
              (std::vector<std::size_t>{2, 1}));

    markers.push_back({"CameraGlow", "assets/models/particle.gltf"});
    markers.push_back({"Camera_rig", "assets/models/crate.gltf"});
    markers.push_back({"Camera_lens", "assets/models/crate.gltf"});
    markers.push_back({"Camera_strap", "assets/models/crate.gltf"});
    EXPECT_EQ(reason(markers),
              "config/timeline.yaml: the scene has 13 objects named \"Camera...\", not groups of three (anchor, "
              "incoming handle, outgoing handle): 9 in the scene file, 1 in assets/models/particle.gltf "
              "(\"CameraGlow\"), 3 in assets/models/crate.gltf (\"Camera_rig\", \"Camera_lens\", \"Camera_strap\")");

    // Placed below the scene's root, a model's nodes are found by their source.
    addStraightPath("Camera", 1, {{0, 0, 0}});
    addStraightPath("Particle", 1, {{0, 0, 0}});
    auto model = std::make_shared<orv::scene::SceneObject>();
    model->setName("Spark");
    model->setSource("assets/models/particle.gltf");
    root->addChild(model);
    model->createChild()->setName("Camera_glow");
    const std::string message = rejection(oneShot);
    EXPECT_NE(message.find("1 in assets/models/particle.gltf (\"Camera_glow\")"), std::string::npos) << message;
}

TEST_F(TimelineFile, YamlErrorsPassThrough)
{
    addStraightPath("Camera", 1, {{0, 0, 0}});
    addStraightPath("Particle", 1, {{0, 0, 0}});
    EXPECT_THROW(build("shots:\n  - camera_velocity: [[0, fast], [1, 2]]\n"), YAML::BadConversion);
    EXPECT_THROW(build("shots: [\n"), YAML::ParserException);
    orv::test::WorkingDir in(dir.path());
    EXPECT_THROW(orv::timeline::Timeline("config/absent.yaml", root, *window, particle), YAML::BadFile);
}

}  // namespace
