#include "scene/RandomTexture.h"

#include "gl/DebugLabel.h"

#include <random>
#include <vector>

#include "scene/GLErrors.h"

namespace orv::scene {

void RandomTexture::generate(unsigned count)
{
    // A fixed generator and seed, and the top 15 bits of each draw (0..32767),
    // so the texels are the same on every run and every standard library.
    std::mt19937 random(5);
    const auto draw = [&random] { return static_cast<float>(random() >> 17) / 32767.0f; };
    std::vector<float> texels(static_cast<std::size_t>(count) * 3);
    for (std::size_t i = 0; i < texels.size(); i += 3) {
        const float a = draw();
        const float b = draw();
        const float c = draw();
        texels[i] = c;
        texels[i + 1] = b;
        texels[i + 2] = a;
    }

    glBindTexture(GL_TEXTURE_1D, id());
    gl::debugLabel(GL_TEXTURE, id(), "random directions");
    glTexImage1D(GL_TEXTURE_1D, 0, GL_RGB, static_cast<GLsizei>(count), 0, GL_RGB, GL_FLOAT, texels.data());
    glTexParameterf(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    reportGLErrors();
}

}  // namespace orv::scene
