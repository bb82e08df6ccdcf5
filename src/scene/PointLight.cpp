#include "scene/PointLight.h"

#include <algorithm>
#include <cmath>

#include <GL/glew.h>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

namespace orv::scene {


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

glm::vec3 PointLight::hueColour(float hue)
{
    if (!std::isfinite(hue)) {
        return {1.0f, 1.0f, 1.0f};
    }
    // Written as the sprite shader writes it, so that both give the same colour.
    const auto channel = [hue](float shift) {
        const float x = hue * 6.0f + shift;
        return std::clamp(std::fabs(x - 6.0f * std::floor(x / 6.0f) - 3.0f) - 1.0f, 0.0f, 1.0f);
    };
    return {channel(0.0f), channel(4.0f), channel(2.0f)};
}

float PointLight::attenuationRadius() const
{
    const float k = attenuationConstant_;
    const float l = attenuationLinear_;
    const float e = attenuationExp_;
    const float brightest = std::max(diffuseIntensity_, specularIntensity_);
    // The attenuation at which the light reaches its cut-off; the light pass
    // scales a fading light by 1 - decay as well.
    const bool fading = lightFloor_ > 0.0f;
    const float left = 1.0f - std::clamp(decay_, 0.0f, 1.0f);
    const float cutOff = fading ? brightest * left / lightFloor_ : 256.0f * brightest;
    float reach = 0.0f;
    if (e == 0.0f) {
        // Without the quadratic term the linear one alone decides the reach.
        reach = l == 0.0f ? 0.0f : std::max(0.0f, (cutOff - k) / l);
    } else if (const float discriminant = l * l - 4.0f * e * (k - cutOff); discriminant >= 0.0f) {
        reach = std::max(0.0f, (std::sqrt(discriminant) - l) / (2.0f * e));
    }
    // Light-source surfaces near a fading light glow in its colour however dim its light.
    if (fading && left > 0.0f)
        reach = std::max(reach, sparkGlowReach);
    return reach;
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
    lightFloor_ = sparkLightFloor;
    const float hueAge = std::clamp(age, 0.0f, 1.0f);
    color_ = hueColour((1.0f - hueAge) * startHue + hueAge * endHue);
    // Bright close by and gone within a metre or two: each spark lights a
    // pool of its own colour where it passes, and a fountain of them does not
    // add up to one tint over the whole room.
    diffuseIntensity_ = sparkPeak * (1.0f - age);
    specularIntensity_ = sparkPeak * (1.0f - age);
    attenuationLinear_ = (age + 1.0f) * 0.9f;
    attenuationExp_ = (age + 1.0f) * sparkFalloff;
}

}  // namespace orv::scene
