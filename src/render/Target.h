#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include <GL/glew.h>

#include "gl/Handle.h"
#include "scene/Drawable.h"

namespace orv::gl {
class Program;
class ProgramManager;
}
namespace orv::scene {
class MeshInstance;
class Scene;
}

namespace orv::render {

// One render pass: the name of its GL program (also its key in the
// renderer), the mesh instances it draws, and its enabled and bloom switches.
class Target : public scene::Drawable {
public:
    // The manager is not owned; it outlives every target.
    explicit Target(gl::ProgramManager& programManager);
    ~Target() override;

    // Makes this pass's program current; passes extend it with their work.
    void draw(scene::Scene& scene, Target& caller) override;

    virtual std::string name() const = 0;

    virtual bool isEnabled() const { return enabled_; }
    virtual void setEnabled(bool enabled) { enabled_ = enabled; }
    virtual bool isBloomEnabled() const { return bloomEnabled_; }
    virtual void setBloomEnabled(bool enabled) { bloomEnabled_ = enabled; }

    // Which textures a mesh instance drawn by this pass binds, to units 0 to 3.
    virtual bool usesDiffuseMap() const { return false; }
    virtual bool usesNormalMap() const { return false; }
    virtual bool usesSpecularMap() const { return false; }
    virtual bool usesDisplacementMap() const { return false; }

    virtual void update(double dt);

    // Looks every uniform location this pass keeps up again: its programs
    // were relinked in place (a shader the author saved).
    void refreshUniforms();

    gl::ProgramManager* programManager() const { return programManager_; }
    std::vector<std::shared_ptr<scene::MeshInstance>>& drawables() { return drawables_; }
    // The same instance may be added more than once; it is then drawn as often.
    void addDrawable(const std::shared_ptr<scene::MeshInstance>& drawable);
    // Draws every drawable that is neither suppressed nor hidden by its render flag.
    void drawAll(scene::Scene& scene);

    // The cached location in this pass's program; negative when the program
    // does not use the uniform. Undeclared names throw std::out_of_range.
    int uniformLocation(const std::string& uniformName) const;
    std::vector<std::string> uniformNames() const;

    // The uniforms a mesh instance sets while this pass draws it. Each is
    // looked up by name the first time it is asked for (so an undeclared one
    // throws then, as uniformLocation does) and kept, so that drawing never
    // builds a string.
    enum class MeshUniform : unsigned {
        DiffuseSampler,
        NormalSampler,
        SpecularSampler,
        DisplacementSampler,
        ModelMatrix,
        Parallax,
        IsLightSource,
        BoundingScale,
        Count
    };
    static const char* meshUniformName(MeshUniform uniform);
    int meshUniformLocation(MeshUniform uniform);
    // The same, but -1 instead of an exception when the program does not declare it.
    int declaredMeshUniformLocation(MeshUniform uniform);

    // The per-scene uniforms among those the program declares, -1 for the
    // ones it does not declare; read from uniformNames() once.
    struct SceneUniforms {
        int cameraPos = -1;
        int lightPos = -1;
        int vpMatrix = -1;
        int meshColor = -1;
    };
    const SceneUniforms& sceneUniforms();

    // A 1 x 1 texture of transparent black that a mesh instance binds where
    // it lacks a texture this pass samples, so that the pass never reads the
    // texture some other mesh left on that unit. Made on first use.
    GLuint emptyTexture();

protected:
    // Looks up the uniform locations the pass keeps; its constructor calls
    // it, and refreshUniforms again after a relink.
    virtual void lookUpUniforms() {}

    // Makes this pass's program current; the program is found by name once.
    void useProgram();

private:
    bool enabled_ = false;
    bool bloomEnabled_ = false;
    gl::ProgramManager* programManager_;
    std::vector<std::shared_ptr<scene::MeshInstance>> drawables_;
    const gl::Program* program_ = nullptr;
    // Below every location GL hands out.
    static constexpr int unresolved = -2;
    static constexpr int undeclared = -3;
    std::array<int, static_cast<std::size_t>(MeshUniform::Count)> meshUniforms_;
    SceneUniforms sceneUniforms_;
    bool sceneUniformsRead_ = false;
    gl::TextureHandle emptyTexture_;
};

}  // namespace orv::render
