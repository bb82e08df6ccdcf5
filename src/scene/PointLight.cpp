#include "scene/PointLight.h"

#include <algorithm>
#include <cmath>

#include <GL/glew.h>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

namespace orv::scene {

namespace {

// Standard HSV to RGB with saturation and value 1; hue in degrees.
glm::vec3 hueToRgb(float hue)
{
    // The sector below is cast to int, which is undefined for NaN and infinity.
    if (!std::isfinite(hue)) {
        return {1.0f, 1.0f, 1.0f};
    }
    float h = std::fmod(hue, 360.0f);
    if (h < 0.0f) {
        h += 360.0f;
    }
    const float sector = h / 60.0f;
    const float x = 1.0f - std::fabs(std::fmod(sector, 2.0f) - 1.0f);
    switch (static_cast<int>(sector) % 6) {
    case 0: return {1.0f, x, 0.0f};
    case 1: return {x, 1.0f, 0.0f};
    case 2: return {0.0f, 1.0f, x};
    case 3: return {0.0f, x, 1.0f};
    case 4: return {x, 0.0f, 1.0f};
    default: return {1.0f, 0.0f, x};
    }
}

}  // namespace

PointLight::PointLight() : decayCurve_({{0.0f, 0.0f}, {1.0f, 1.0f}}) {}

void PointLight::setUniforms(int color, int ambient, int diffuse, int specular, int specularPower,
                             int attenuationConstant, int attenuationLinear, int attenuationExp, int position,
                             int decay) const
{
    const auto vector = [](int location, const glm::vec3& value) {
        if (location >= 0) {
            glUniform3fv(location, 1, glm::value_ptr(value));
        }
    };
    const auto scalar = [](int location, float value) {
        if (location >= 0) {
            glUniform1f(location, value);
        }
    };
    vector(color, color_);
    scalar(ambient, ambientIntensity_);
    scalar(diffuse, diffuseIntensity_);
    scalar(specular, specularIntensity_);
    scalar(specularPower, specularPower_);
    scalar(attenuationConstant, attenuationConstant_);
    scalar(attenuationLinear, attenuationLinear_);
    scalar(attenuationExp, attenuationExp_);
    vector(position, position_);
    scalar(decay, decay_);
}

float PointLight::attenuationRadius() const
{
    const float k = attenuationConstant_;
    const float l = attenuationLinear_;
    const float e = attenuationExp_;
    const float brightest = std::max(diffuseIntensity_, specularIntensity_);
    if (e == 0.0f) {
        // Without the quadratic term the linear one alone decides the reach.
        return l == 0.0f ? 0.0f : std::max(0.0f, (256.0f * brightest - k) / l);
    }
    const float discriminant = l * l - 4.0f * e * (k - 256.0f * brightest);
    if (discriminant < 0.0f) {
        return 0.0f;  // too dim to reach 1/256 anywhere
    }
    return std::max(0.0f, (std::sqrt(discriminant) - l) / (2.0f * e));
}

bool PointLight::initShadowMap(const view::OpenGLwindow& window, const gl::ProgramManager& programs)
{
    return shadowMap_.init(window, programs);
}

glm::mat4 PointLight::volumeMatrix() const
{
    return glm::scale(glm::translate(glm::mat4(1.0f), position()), glm::vec3(attenuationRadius()));
}

void PointLight::setDiffuseFactor(float x)
{
    diffuseIntensity_ = x * 1.025f + 1.35f;
    attenuationLinear_ = 0.2f - x * 0.197f;
    attenuationExp_ = 0.45f - x * 0.448f;
}

void PointLight::setFromParticleRecord(const float* record)
{
    const float age = record[8];
    const float startHue = record[12];
    const float endHue = record[13];
    position_ = glm::vec3(record[1], record[2], record[3]);
    decay_ = decayCurve_.value(age);
    color_ = hueToRgb(((1.0f - age) * startHue + age * endHue) * 360.0f);
    diffuseIntensity_ = 1.0f - age;
    specularIntensity_ = 1.0f - age;
    attenuationLinear_ = (age + 1.0f) * 0.9f;
    attenuationExp_ = (age + 1.0f) * 0.9f;
}

}  // namespace orv::scene
