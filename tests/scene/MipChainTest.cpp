#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <IL/il.h>
#include <gtest/gtest.h>

#include "scene/ImageTexture.h"
#include "scene/MipChain.h"
#include "support/GLContext.h"
#include "support/Scratch.h"

using orv::scene::MipChain;

namespace {

using Bytes = std::vector<std::uint8_t>;

GLenum formatOf(int channels) { return channels == 4 ? GL_RGBA : GL_RGB; }

// Every level of a texture, as GL holds it.
std::vector<Bytes> levelsOf(GLuint texture, int channels)
{
    std::vector<Bytes> levels;
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (GLint level = 0;; ++level) {
        GLint width = 0;
        GLint height = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
        if (width == 0 || height == 0)
            break;
        Bytes pixels(static_cast<std::size_t>(width * height * channels));
        glGetTexImage(GL_TEXTURE_2D, level, formatOf(channels), GL_UNSIGNED_BYTE, pixels.data());
        levels.push_back(std::move(pixels));
        if (width == 1 && height == 1)
            break;
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    return levels;
}

// What the GL driver's own mipmap generation makes of the pixels.
std::vector<Bytes> glMipmaps(const Bytes& pixels, int width, int height, int channels)
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(formatOf(channels)), width, height, 0, formatOf(channels),
                 GL_UNSIGNED_BYTE, pixels.data());
    glGenerateMipmap(GL_TEXTURE_2D);
    auto levels = levelsOf(texture, channels);
    glDeleteTextures(1, &texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    return levels;
}

int largestDifference(const Bytes& a, const Bytes& b)
{
    int largest = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        largest = std::max(largest, std::abs(int(a[i]) - int(b[i])));
    return largest;
}

Bytes noise(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    Bytes pixels(size);
    for (auto& value : pixels)
        value = static_cast<std::uint8_t>(random() & 0xff);
    return pixels;
}

using MipChainTest = orv::test::GLTest;

// The levels match the driver's glGenerateMipmap to within rounding, for
// sizes that halve evenly, odd sizes, non-square, one-texel-wide images,
// 3 and 4 channels.
TEST_F(MipChainTest, LevelsAreTheOnesTheGLWouldGenerate)
{
    struct Case {
        int width, height, channels;
    };
    for (const Case& size : {Case{8, 8, 3}, Case{16, 4, 4}, Case{10, 9, 4}, Case{5, 3, 3}, Case{1, 7, 4},
                             Case{640, 576, 4}}) {
        const std::string name = std::to_string(size.width) + "x" + std::to_string(size.height) + "x" +
                                 std::to_string(size.channels);
        const Bytes pixels = noise(static_cast<std::size_t>(size.width * size.height * size.channels), 7);
        const auto chain = MipChain::build(pixels.data(), size.width, size.height, size.channels);
        const auto expected = glMipmaps(pixels, size.width, size.height, size.channels);
        ASSERT_EQ(chain.size() + 1, expected.size()) << name;
        for (std::size_t level = 0; level < chain.size(); ++level) {
            ASSERT_EQ(chain[level].pixels.size(), expected[level + 1].size()) << name << " level " << level + 1;
            EXPECT_LE(largestDifference(chain[level].pixels, expected[level + 1]), 1)
                << name << " level " << level + 1;
        }
        EXPECT_EQ(chain.back().width, 1) << name;
        EXPECT_EQ(chain.back().height, 1) << name;
    }
    EXPECT_TRUE(MipChain::build(Bytes{1, 2, 3}.data(), 1, 1, 3).empty());
}

TEST_F(MipChainTest, ImageTextureHasEveryLevelOfTheFile)
{
    orv::test::ScratchDir scratch;
    // 12 x 6 RGB with a hard edge: averages, not copies, on every level.
    Bytes pixels;
    for (int i = 0; i < 12 * 6; ++i) {
        const std::uint8_t v = (i % 12) < 5 ? 10 : 250;
        pixels.insert(pixels.end(), {v, static_cast<std::uint8_t>(255 - v), static_cast<std::uint8_t>(i)});
    }
    const std::string path = (scratch.path() / "edge.png").string();
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    ilTexImage(12, 6, 1, 3, IL_RGB, IL_UNSIGNED_BYTE, pixels.data());
    ilEnable(IL_FILE_OVERWRITE);
    ASSERT_TRUE(ilSaveImage(path.c_str()));
    ilDeleteImages(1, &image);

    orv::scene::ImageTexture texture;
    texture.load(path);
    ilBindImage(texture.image());
    const Bytes decoded(ilGetData(), ilGetData() + 12 * 6 * 3);
    const auto levels = levelsOf(texture.id(), 3);
    const auto expected = glMipmaps(decoded, 12, 6, 3);
    ASSERT_EQ(levels.size(), 4u);  // 12 x 6, 6 x 3, 3 x 1, 1 x 1
    ASSERT_EQ(levels.size(), expected.size());
    EXPECT_EQ(levels[0], decoded);
    for (std::size_t level = 1; level < levels.size(); ++level)
        EXPECT_LE(largestDifference(levels[level], expected[level]), 1) << "level " << level;
}

}  // namespace
