#include "render/EnvironmentCube.h"

#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include <assimp/mesh.h>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "render/Cubemap.h"
#include "render/Reflection.h"
#include "scene/Mesh.h"
#include "scene/PerspectiveCamera.h"
#include "scene/SceneObject.h"
#include "support/LitRoom.h"
#include "support/Scratch.h"

using orv::render::EnvironmentCube;
using orv::test::LitRoom;

namespace {

// A flat square mirror of side 0.8 around its origin, facing `normal`.
std::shared_ptr<orv::scene::MeshInstance> mirror(const glm::vec3& normal, bool asksForCube)
{
    const glm::vec3 up(0.0f, 1.0f, 0.0f);
    const glm::vec3 side = glm::normalize(glm::cross(up, normal));
    const std::array<glm::vec3, 4> corners = {-0.4f * side - 0.4f * up, 0.4f * side - 0.4f * up,
                                              0.4f * side + 0.4f * up, -0.4f * side + 0.4f * up};
    aiMesh imported;
    imported.mName = aiString("Mirror");
    imported.mNumVertices = 4;
    imported.mVertices = new aiVector3D[4];
    imported.mNormals = new aiVector3D[4];
    for (unsigned k = 0; k < 4; ++k) {
        imported.mVertices[k] = aiVector3D(corners[k].x, corners[k].y, corners[k].z);
        imported.mNormals[k] = aiVector3D(normal.x, normal.y, normal.z);
    }
    imported.mNumFaces = 2;
    imported.mFaces = new aiFace[2];
    const unsigned triangles[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (unsigned t = 0; t < 2; ++t) {
        imported.mFaces[t].mNumIndices = 3;
        imported.mFaces[t].mIndices = new unsigned[3]{triangles[t][0], triangles[t][1], triangles[t][2]};
    }
    auto mesh = orv::scene::Mesh::create(imported);
    mesh->setEnvironmentCube(asksForCube);
    mesh->upload();
    return mesh->createInstance();
}

struct Pixel {
    float r, g, b;
};

// The room of the lighting tests with a mirror standing at (2.5, 0.5, 0),
// turned half towards the blue box at the origin and half towards a camera
// at (2.5, 0.5, 2.5) that looks straight at it: the camera sees the box in it.
class EnvironmentCubeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        room = std::make_unique<LitRoom>();
        auto& camera = room->rig.timeline->camera();
        camera.setPosition(eye);
        camera.setTarget(centre);
        camera.update(0.0);

        const auto stand = room->rig.root->createChild();
        stand->setLocalMatrix(glm::translate(glm::mat4(1.0f), centre));
        glass = mirror(glm::normalize(glm::vec3(-1.0f, 0.0f, 1.0f)), true);
        stand->addMeshInstance(glass);
        room->rig.root->update(0.0);

        orv::test::WorkingDir demo(ORV_SOURCE_DIR "/demo");  // the sky faces
        sky = std::make_shared<orv::render::Cubemap>(*room->programs);
        reflection = std::make_shared<orv::render::Reflection>(*room->programs, sky);
        reflection->addDrawable(glass);
    }

    // The room, then the mirror on top; the colour at the mirror's centre.
    Pixel drawnMirror()
    {
        room->drawFrame();
        reflection->draw(*room->rig.scene, *reflection);
        const glm::ivec2 at = room->pixelOf(centre);
        unsigned char rgba[4] = {};
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glReadPixels(at.x, at.y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return {rgba[0] / 255.0f, rgba[1] / 255.0f, rgba[2] / 255.0f};
    }

    static Pixel faceCentre(GLuint cube, GLenum face)
    {
        constexpr int size = EnvironmentCube::faceSize;
        std::vector<float> texels(size * size * 3);
        glBindTexture(GL_TEXTURE_CUBE_MAP, cube);
        glGetTexImage(face, 0, GL_RGB, GL_FLOAT, texels.data());
        glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
        const std::size_t at = (static_cast<std::size_t>(size / 2) * size + size / 2) * 3;
        return {texels[at], texels[at + 1], texels[at + 2]};
    }

    const glm::vec3 eye{2.5f, 0.5f, 2.5f};
    const glm::vec3 centre{2.5f, 0.5f, 0.0f};
    std::unique_ptr<LitRoom> room;
    std::shared_ptr<orv::scene::MeshInstance> glass;
    std::shared_ptr<orv::render::Cubemap> sky;
    std::shared_ptr<orv::render::Reflection> reflection;
};

TEST_F(EnvironmentCubeTest, MirrorShowsTheRoomFromItsOwnCubeOnlyWhenItAsks)
{
    const Pixel ofSky = drawnMirror();

    const auto environment = std::make_shared<EnvironmentCube>(
        *room->programs, std::vector{room->floor, room->box}, std::vector<std::shared_ptr<orv::scene::MeshInstance>>{},
        sky->texture().id(), room->key);
    reflection->setEnvironment(environment);

    GLint viewportBefore[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewportBefore);
    testing::internal::CaptureStderr();
    const Pixel ofRoom = drawnMirror();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "the cube's draws raise no GL error";
    // The blue box (0.3, 0.5, 0.9), lit by the key light, where the sky was.
    EXPECT_GT(ofRoom.b, ofRoom.r + 0.15f) << ofRoom.r << " " << ofRoom.g << " " << ofRoom.b;
    EXPECT_GT(ofRoom.b, 0.2f);
    EXPECT_GT(std::abs(ofRoom.r - ofSky.r) + std::abs(ofRoom.g - ofSky.g) + std::abs(ofRoom.b - ofSky.b), 0.1f);

    // Rendered once, at the first draw, and kept; the passes after it find their state.
    const GLuint cube = environment->cubeFor(*room->rig.scene, *glass);
    ASSERT_NE(cube, 0u);
    EXPECT_EQ(environment->cubeFor(*room->rig.scene, *glass), cube);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], viewportBefore[2]);
    EXPECT_EQ(viewport[3], viewportBefore[3]);
    GLint drawFramebuffer = -1;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawFramebuffer);
    EXPECT_EQ(drawFramebuffer, 0);

    // Below the horizon the grey floor (0.8), lit and not black; towards -X the blue box.
    const Pixel below = faceCentre(cube, GL_TEXTURE_CUBE_MAP_NEGATIVE_Y);
    EXPECT_GT(below.r, 0.1f);
    EXPECT_NEAR(below.r, below.b, 0.02f);
    const Pixel towardsBox = faceCentre(cube, GL_TEXTURE_CUBE_MAP_NEGATIVE_X);
    EXPECT_GT(towardsBox.b, towardsBox.r + 0.15f);

    // A mirror that does not ask keeps the sky, next to one that does.
    const auto plain = mirror(glm::vec3(0.0f, 0.0f, 1.0f), false);
    EXPECT_EQ(environment->cubeFor(*room->rig.scene, *plain), 0u);
}

}  // namespace
