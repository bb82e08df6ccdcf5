#pragma once

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include "render/fbo/PointLightShadowMappingFBO.h"
#include "timeline/KeyCurve.h"

namespace orv::gl {
class ProgramManager;
}
namespace orv::view {
class OpenGLwindow;
}

namespace orv::scene {

// A point light of the deferred light passes: colour, intensities,
// attenuation and shadow switch, and the sphere that bounds its reach.
class PointLight {
public:
    PointLight();
    virtual ~PointLight() = default;

    // The light's world position; for a plain light the stored position.
    virtual glm::vec3 position() const { return position_; }
    void setPosition(const glm::vec3& position) { position_ = position; }

    // Sends the light's parameters to the current program, in the order
    // colour, ambient, diffuse, specular, specular power, constant, linear
    // and exponential attenuation, position, decay. Negative locations (the
    // program does not use that uniform) are skipped. The position sent is
    // the stored one, not position().
    void setUniforms(int color, int ambient, int diffuse, int specular, int specularPower,
                     int attenuationConstant, int attenuationLinear, int attenuationExp, int position,
                     int decay) const;

    // The distance at which the light has fallen to its cut-off: for a plain
    // light 1/256 of its brightest intensity, for a fading light lightFloor()
    // of full brightness, past which the light pass adds nothing.
    float attenuationRadius() const;
    // The share of full brightness below which the light pass leaves a pixel
    // unlit; 0 for a light that lights its whole reach.
    float lightFloor() const { return lightFloor_; }
    // Places and scales the unit bounding sphere over the light's reach.
    glm::mat4 volumeMatrix() const;

    // Sets up the cube shadow map (its blur chain sized to the window).
    bool initShadowMap(const view::OpenGLwindow& window, const gl::ProgramManager& programs);
    render::fbo::PointLightShadowMappingFBO& shadowMap() { return shadowMap_; }
    const render::fbo::PointLightShadowMappingFBO& shadowMap() const { return shadowMap_; }

    bool shadowCasting() const { return shadowCasting_; }
    void setShadowCasting(bool shadowCasting) { shadowCasting_ = shadowCasting; }

    // The timeline's light level: 0 is the default light, 1 a brighter one
    // that reaches much further.
    void setDiffuseFactor(float x);

    // Configures the light from one spark record of the particle system:
    // fourteen floats, position at float 1, age fraction at float 8, start
    // and end hue at floats 12 and 13. A spark's light fades from its birth
    // on and ends at sparkLightFloor.
    void setFromParticleRecord(const float* record);

    // Below this share of full brightness a spark's light is dropped: it
    // falls off so fast that the rest of its reach has next to nothing to add.
    static constexpr float sparkLightFloor = 0.02f;
    // A spark's light at birth, and the quadratic term of its fall-off then.
    static constexpr float sparkPeak = 3.0f;
    static constexpr float sparkFalloff = 3.0f;
    // Surfaces that are light sources glow for a spark within this distance.
    static constexpr float sparkGlowReach = 1.5f;

    // The colour of a hue (0..1 around the wheel) at full saturation and
    // value, as the spark sprites compute it; white for a hue that is not finite.
    static glm::vec3 hueColour(float hue);

    const glm::vec3& color() const { return color_; }
    float ambientIntensity() const { return ambientIntensity_; }
    float diffuseIntensity() const { return diffuseIntensity_; }
    float specularIntensity() const { return specularIntensity_; }
    float specularPower() const { return specularPower_; }
    float attenuationConstant() const { return attenuationConstant_; }
    float attenuationLinear() const { return attenuationLinear_; }
    float attenuationExp() const { return attenuationExp_; }
    float decay() const { return decay_; }

protected:
    glm::vec3 position_{0.0f};
    glm::vec3 color_{1.0f, 1.0f, 1.0f};
    float ambientIntensity_ = 0.0f;
    float diffuseIntensity_ = 1.35f;
    float specularIntensity_ = 1.0f;
    float specularPower_ = 64.0f;
    float attenuationConstant_ = 0.0f;
    float attenuationLinear_ = 0.2f;
    float attenuationExp_ = 0.45f;
    bool shadowCasting_ = false;
    float decay_ = 0.0f;
    float lightFloor_ = 0.0f;
    render::fbo::PointLightShadowMappingFBO shadowMap_;
    timeline::KeyCurve decayCurve_;
};

}  // namespace orv::scene
