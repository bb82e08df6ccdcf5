#pragma once

#include <array>
#include <string_view>

namespace orv::render {

// The names a shot's "inactive_targets" list may hold: the render targets
// (each also the name of its GL program and its key in the renderer) and
// the effect switches the renderer understands.
namespace targets {

inline constexpr std::string_view shadowMapping = "shadow_mapping";
inline constexpr std::string_view godrayPre = "godray_pre";
inline constexpr std::string_view deferredRenderGeometry = "deferred_render_geometry";
inline constexpr std::string_view particleSystem = "particle_system";
inline constexpr std::string_view cubemap = "cubemap";
inline constexpr std::string_view reflection = "reflection";
inline constexpr std::string_view refraction = "refraction";
inline constexpr std::string_view mainParticle = "main_particle";
inline constexpr std::string_view godrayPost = "godray_post";

// In the order the renderer draws them every frame.
inline constexpr std::array<std::string_view, 9> renderOrder = {
    shadowMapping, godrayPre, deferredRenderGeometry, particleSystem, cubemap,
    reflection,    refraction, mainParticle,          godrayPost};
inline constexpr std::array<std::string_view, 2> updateOrder = {particleSystem, mainParticle};

}  // namespace targets

// The program that renders the room into the cubes of the mirror and glass
// models that ask for one; not a pass of the frame, nor a name of the list above.
inline constexpr std::string_view environmentCubeProgram = "environment_cube";
// The program that puts the finished frame onto the window with its edges
// smoothed, where the catalogue has it; not a pass either.
inline constexpr std::string_view edgeSmoothingProgram = "edge_smoothing";

namespace switches {

inline constexpr std::string_view parallax = "parallax";
inline constexpr std::string_view bloom = "bloom";
inline constexpr std::string_view shadowcastPillars = "shadowcast_pillars";
inline constexpr std::string_view particleShadows = "particle_shadows";
inline constexpr std::string_view roomlightShadows = "roomlight_shadows";
inline constexpr std::string_view renderPillars = "render_pillars";

inline constexpr std::array<std::string_view, 6> all = {parallax,        bloom,            shadowcastPillars,
                                                         particleShadows, roomlightShadows, renderPillars};

}  // namespace switches

// A target or a switch: something an inactive list may name.
constexpr bool isKnownInactiveName(std::string_view name)
{
    for (std::string_view known : targets::renderOrder) {
        if (name == known)
            return true;
    }
    for (std::string_view known : switches::all) {
        if (name == known)
            return true;
    }
    return false;
}

}  // namespace orv::render
