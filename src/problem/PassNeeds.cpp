#include "problem/PassNeeds.h"

namespace orv::problem {

namespace {

// Passes that draw mesh instances set these for every mesh.
std::vector<std::string> meshUniforms(std::vector<std::string> more)
{
    for (const char* name : {"m_matrix", "parallax", "is_light_source", "bounding_scale"})
        more.emplace_back(name);
    return more;
}

}  // namespace

Problem PassNeeds::missingProgram(const std::string& catalogue, const std::string& program)
{
    return Problem::at(catalogue, YAML::Mark::null_mark(), "no program \"" + program + "\"",
                       "the renderer draws with it; add it to the catalogue");
}

Problem PassNeeds::missingUniform(const std::string& catalogue, const YAML::Mark& entry, const std::string& program,
                                  const std::string& uniform)
{
    return Problem::at(catalogue, entry,
                       "program \"" + program + "\" does not list the uniform \"" + uniform + "\" that its pass sets",
                       "add it to \"uniforms\"; the player stops without it");
}

bool PassNeeds::isOptional(const std::string& uniform)
{
    for (const char* name : {"m_matrix", "parallax", "is_light_source", "bounding_scale", "diffuse_sampler",
                             "normal_sampler", "specular_sampler", "displacement_sampler", "camera_pos",
                             "vp_matrix", "mesh_color", "light_pos"}) {
        if (uniform == name)
            return true;
    }
    return false;
}

const std::vector<std::string>& PassNeeds::setWhenListed(const std::string& program)
{
    static const std::vector<std::string> bloom = {"bloom_strength", "sky_from_screen", "scene_depth"};
    static const std::vector<std::string> copy = {"sky_from_screen", "scene_depth"};
    static const std::vector<std::string> none;
    if (program == "bloom")
        return bloom;
    return program == "copy" ? copy : none;
}

const std::vector<PassNeeds>& PassNeeds::all()
{
    // Kept next to the passes' uniform look-ups: a name the renderer starts
    // to look up belongs here too.
    static const std::vector<PassNeeds> needs = {
        {"shadow_mapping", meshUniforms({"light_world_pos", "light_vp_matrices", "far_plane"}), 0, {}},
        {"godray_pre", meshUniforms({"draw_background"}), 1, {}},
        {"deferred_render_geometry", meshUniforms({}), 4, {}},
        {"stencil_test", meshUniforms({}), 0, {}},
        {"deferred_light_accumulation",
         meshUniforms({"screen_size", "far_plane", "position_sampler", "diffuse_sampler", "normal_sampler",
                       "specular_sampler", "light_color", "ambient_intensity", "diffuse_intensity",
                       "specular_intensity", "specular_power", "atten_con", "atten_lin", "atten_exp",
                       "light_pos_deferred", "decay", "light_floor", "shadow_sampler", "shadowmapping"}),
         1,
         {}},
        {"cubemap", meshUniforms({"skybox_sampler"}), 1, {}},
        {"reflection", meshUniforms({"skybox_sampler"}), 1, {}},
        {"refraction", meshUniforms({"skybox_sampler"}), 1, {}},
        {"main_particle",
         {"vertex_pos", "decay_factor", "curr_frame", "size", "start_hue", "end_hue", "v_matrix", "p_matrix",
          "camera_pos", "tex_sampler"},
         1,
         {}},
        {"godray_post", {"exposure", "decay", "density", "weight", "occlusion_sampler", "light_pos_screen"}, 1, {}},
        {"light_particles_update",
         {"dt_s", "curr_t_ms", "particle_lifetime_ms", "spawn_offset_ms", "spawn_particle_count",
          "spawn_lightsource_count", "origin_pos", "random_directions_sampler", "start_hue_uniform",
          "end_hue_uniform", "velo_factor"},
         0,
         {"type_position", "velocity_seed", "age_life_size_gravity", "hues"}},
        {"light_particles_render", {"camera_pos", "v_matrix", "p_matrix", "tex_sampler"}, 1, {}},
        {"gauss_h", {"tex", "screen_size", "weight"}, 1, {}},
        {"gauss_v", {"tex", "screen_size", "weight"}, 1, {}},
        {"copy", {"scene", "to_screen"}, 1, {}},
        {"bloom", {"scene", "blur"}, 1, {}},
    };
    return needs;
}

}  // namespace orv::problem
