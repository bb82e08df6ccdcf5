#pragma once

#include <memory>
#include <string>
#include <vector>

#include "scene/Drawable.h"

namespace orv::gl {
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

private:
    bool enabled_ = false;
    bool bloomEnabled_ = false;
    gl::ProgramManager* programManager_;
    std::vector<std::shared_ptr<scene::MeshInstance>> drawables_;
};

}  // namespace orv::render
