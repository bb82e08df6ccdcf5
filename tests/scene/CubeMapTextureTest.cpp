#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "scene/CubeMapTexture.h"
#include "support/GLContext.h"
#include "support/Scratch.h"

using orv::scene::CubeMapTexture;

namespace {

using Bytes = std::vector<std::uint8_t>;
using CubeMapTextureTest = orv::test::GLTest;

// A 3 x 3 RGB face (odd row length) whose bytes all differ and encode the face number.
Bytes faceBytes(int face)
{
    Bytes bytes;
    for (int i = 0; i < 27; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(face * 40 + i));
    }
    return bytes;
}

Bytes faceImage(GLenum face)
{
    Bytes pixels(27);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(face, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

TEST_F(CubeMapTextureTest, FacesLandInListOrder)
{
    orv::test::ScratchDir scratch;
    const std::array<const char*, 6> names = {"right", "left", "top", "bottom", "front", "back"};
    std::vector<std::string> paths;
    for (int face = 0; face < 6; ++face) {
        const Bytes bytes = faceBytes(face);
        std::string ppm = "P6\n3 3\n255\n";
        ppm.append(bytes.begin(), bytes.end());
        paths.push_back(scratch.write(std::string(names[static_cast<std::size_t>(face)]) + ".ppm", ppm).string());
    }

    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    CubeMapTexture cube;
    cube.load(paths);
    glBindTexture(GL_TEXTURE_CUBE_MAP, cube.id());
    const GLenum order[6] = {GL_TEXTURE_CUBE_MAP_POSITIVE_X, GL_TEXTURE_CUBE_MAP_NEGATIVE_X,
                             GL_TEXTURE_CUBE_MAP_POSITIVE_Y, GL_TEXTURE_CUBE_MAP_NEGATIVE_Y,
                             GL_TEXTURE_CUBE_MAP_POSITIVE_Z, GL_TEXTURE_CUBE_MAP_NEGATIVE_Z};
    for (int face = 0; face < 6; ++face) {
        const Bytes uploaded = faceImage(order[face]);
        // PPM rows come top first; DevIL may keep or flip that order, but the
        // face's bytes stay together and its row length is respected.
        Bytes flipped;
        const Bytes expected = faceBytes(face);
        for (int row = 2; row >= 0; --row) {
            flipped.insert(flipped.end(), expected.begin() + row * 9, expected.begin() + row * 9 + 9);
        }
        EXPECT_TRUE(uploaded == expected || uploaded == flipped) << "face " << face;
    }
    GLint wrapR = 0;
    glGetTexParameteriv(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, &wrapR);
    EXPECT_EQ(wrapR, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

TEST_F(CubeMapTextureTest, MissingFaceIsNamed)
{
    CubeMapTexture cube;
    testing::internal::CaptureStderr();
    cube.load({"a.png", "b.png", "c.png", "d.png", "e.png", "gone/f.png"});
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("gone/f.png"), std::string::npos) << log;
    glBindTexture(GL_TEXTURE_CUBE_MAP, cube.id());
    Bytes pixel(3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, 0, GL_RGB, GL_UNSIGNED_BYTE, pixel.data());
    EXPECT_EQ(pixel, (Bytes{255, 255, 255}));
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
}

}  // namespace
