#include <cstdint>
#include <string>
#include <vector>

#include <IL/il.h>
#include <gtest/gtest.h>

#include "scene/ImageTexture.h"
#include "support/GLContext.h"
#include "support/Scratch.h"

using orv::scene::ImageTexture;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Writes pixels (bottom row first) through DevIL in the format the file name's extension picks.
std::string saveImage(const orv::test::ScratchDir& scratch, const std::string& name, int width, int height,
                      int channels, Bytes pixels)
{
    const std::string path = (scratch.path() / name).string();
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    ilTexImage(width, height, 1, static_cast<ILubyte>(channels), channels == 4 ? IL_RGBA : IL_RGB,
               IL_UNSIGNED_BYTE, pixels.data());
    ilEnable(IL_FILE_OVERWRITE);
    const bool saved = ilSaveImage(path.c_str());
    ilDeleteImages(1, &image);
    EXPECT_TRUE(saved) << path;
    return path;
}

GLint levelParameter(GLuint texture, GLint level, GLenum what)
{
    GLint value = -1;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, what, &value);
    glBindTexture(GL_TEXTURE_2D, 0);
    return value;
}

Bytes textureImage(GLuint texture, GLint level, GLenum format, std::size_t size)
{
    Bytes pixels(size);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return pixels;
}

// The pixels DevIL holds for the texture's image: what the upload must reproduce.
Bytes devilPixels(const ImageTexture& texture)
{
    ilBindImage(texture.image());
    const ILubyte* data = ilGetData();
    return Bytes(data, data + ilGetInteger(IL_IMAGE_SIZE_OF_DATA));
}

// True when `rows` holds the rows of `pattern`, in the same or in reversed order
// (files keep their own origin); a skewed upload matches neither.
bool sameRows(const Bytes& rows, const Bytes& pattern, std::size_t rowBytes)
{
    if (rows == pattern) {
        return true;
    }
    Bytes reversed;
    for (std::size_t row = pattern.size() / rowBytes; row-- > 0;) {
        reversed.insert(reversed.end(), pattern.begin() + static_cast<long>(row * rowBytes),
                        pattern.begin() + static_cast<long>((row + 1) * rowBytes));
    }
    return rows == reversed;
}

using ImageTextureTest = orv::test::GLTest;

TEST_F(ImageTextureTest, RgbaFileGivesRgbaTextureWithMipmaps)
{
    orv::test::ScratchDir scratch;
    // Left half black and transparent, right half white and opaque: every mip level averages them.
    Bytes pixels;
    for (int i = 0; i < 16; ++i) {
        const std::uint8_t v = (i % 4) < 2 ? 0 : 255;
        pixels.insert(pixels.end(), {v, v, v, v});
    }
    const auto path = saveImage(scratch, "rgba.png", 4, 4, 4, pixels);

    ImageTexture texture;
    texture.load(path);
    EXPECT_EQ(levelParameter(texture.id(), 0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA);
    EXPECT_EQ(levelParameter(texture.id(), 0, GL_TEXTURE_WIDTH), 4);
    EXPECT_EQ(textureImage(texture.id(), 0, GL_RGBA, 64), pixels);
    EXPECT_EQ(levelParameter(texture.id(), 2, GL_TEXTURE_WIDTH), 1);
    const Bytes smallest = textureImage(texture.id(), 2, GL_RGBA, 4);
    for (const auto component : smallest) {
        EXPECT_NEAR(component, 127.5, 1.0);
    }

    GLint minFilter = 0;
    glBindTexture(GL_TEXTURE_2D, texture.id());
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
}

TEST_F(ImageTextureTest, OddRgbRowsArriveIntact)
{
    orv::test::ScratchDir scratch;
    // 3 x 3 RGB: rows of 9 bytes, which a 4-byte unpack alignment would skew.
    Bytes pattern;
    for (std::uint8_t i = 1; i <= 27; ++i) {
        pattern.push_back(static_cast<std::uint8_t>(i * 9));
    }
    std::string ppm = "P6\n3 3\n255\n";
    ppm.append(pattern.begin(), pattern.end());
    const auto path = scratch.write("odd.ppm", ppm).string();

    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    ImageTexture texture;
    texture.load(path);
    EXPECT_EQ(levelParameter(texture.id(), 0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGB);
    EXPECT_EQ(levelParameter(texture.id(), 0, GL_TEXTURE_HEIGHT), 3);
    const Bytes uploaded = textureImage(texture.id(), 0, GL_RGB, 27);
    EXPECT_EQ(uploaded, devilPixels(texture));
    EXPECT_TRUE(sameRows(uploaded, pattern, 9));
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

// A grey image (the height and specular maps) stays one channel, which the
// sampler reads as equal red, green and blue, opaque; its levels are made
// from that channel alone.
TEST_F(ImageTextureTest, GreyFileIsOneChannelReadAsGreyRgb)
{
    orv::test::ScratchDir scratch;
    const Bytes pattern = {0, 40, 80, 120, 200, 240, 16, 32};
    std::string pgm = "P5\n4 2\n255\n";
    pgm.append(pattern.begin(), pattern.end());
    const auto path = scratch.write("grey.pgm", pgm).string();

    ImageTexture texture;
    texture.load(path);
    EXPECT_EQ(levelParameter(texture.id(), 0, GL_TEXTURE_INTERNAL_FORMAT), GL_R8);
    const Bytes uploaded = textureImage(texture.id(), 0, GL_RED, 8);
    EXPECT_EQ(uploaded, devilPixels(texture));
    EXPECT_TRUE(sameRows(uploaded, pattern, 4));
    GLint spread[4] = {};
    glBindTexture(GL_TEXTURE_2D, texture.id());
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, spread);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(std::vector<GLint>(spread, spread + 4), (std::vector<GLint>{GL_RED, GL_RED, GL_RED, GL_ONE}));
    // 2 x 1, then 1 x 1: the mean of all eight.
    EXPECT_EQ(levelParameter(texture.id(), 2, GL_TEXTURE_WIDTH), 1);
    EXPECT_NEAR(textureImage(texture.id(), 2, GL_RED, 1)[0], 91.0, 1.0);
}

TEST_F(ImageTextureTest, BgraFileIsUploadedAsRgba)
{
    orv::test::ScratchDir scratch;
    const Bytes pixels = {255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 255, 10, 20, 30, 40};
    // DevIL reads TGA files in BGRA order, which GL cannot take as a texture format.
    const auto path = saveImage(scratch, "quad.tga", 2, 2, 4, pixels);

    ImageTexture texture;
    texture.load(path);
    EXPECT_EQ(levelParameter(texture.id(), 0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA);
    EXPECT_TRUE(sameRows(textureImage(texture.id(), 0, GL_RGBA, 16), pixels, 8));
}

TEST_F(ImageTextureTest, MissingFileIsNamedAndGivesWhite)
{
    ImageTexture texture;
    testing::internal::CaptureStderr();
    texture.load("no/such/picture.png");
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("no/such/picture.png"), std::string::npos) << log;
    EXPECT_EQ(log.find('\n'), log.size() - 1) << "one line: " << log;
    EXPECT_EQ(levelParameter(texture.id(), 0, GL_TEXTURE_WIDTH), 1);
    EXPECT_EQ(textureImage(texture.id(), 0, GL_RGBA, 4), (Bytes{255, 255, 255, 255}));
}

TEST_F(ImageTextureTest, BindUsesTheChosenUnit)
{
    testing::internal::CaptureStderr();  // both loads fail; any content will do
    ImageTexture texture;
    texture.load("missing.png");
    ImageTexture plain;
    plain.load("missing.png");
    testing::internal::GetCapturedStderr();

    texture.setUnit(GL_TEXTURE3);
    texture.bind();
    GLint active = 0;
    GLint bound = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(active, GL_TEXTURE3);
    EXPECT_EQ(static_cast<GLuint>(bound), texture.id());
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);

    // A texture whose unit was never set binds to unit 0 without a GL error.
    plain.bind();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, 0);
}

}  // namespace
