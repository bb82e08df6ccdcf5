#include "render/Target.h"

#include "gl/ProgramManager.h"
#include "scene/MeshInstance.h"

namespace orv::render {

Target::Target(gl::ProgramManager& programManager)
    : programManager_(&programManager)
{
}

Target::~Target() = default;

void Target::draw(scene::Scene&, Target&)
{
    programManager_->use(name());
}

void Target::update(double) {}

void Target::addDrawable(const std::shared_ptr<scene::MeshInstance>& drawable)
{
    drawables_.push_back(drawable);
}

void Target::drawAll(scene::Scene& scene)
{
    // Indexed, and each element held by its own pointer, so that a draw that
    // adds drawables cannot invalidate the loop.
    for (std::size_t i = 0; i < drawables_.size(); ++i) {
        const std::shared_ptr<scene::MeshInstance> drawable = drawables_[i];
        if (drawable && drawable->drawSuppression() == 0 && drawable->renderFlag())
            drawable->draw(scene, *this);
    }
}

int Target::uniformLocation(const std::string& uniformName) const
{
    return programManager_->uniformLocation(name(), uniformName);
}

std::vector<std::string> Target::uniformNames() const
{
    return programManager_->uniformNames(name());
}

}  // namespace orv::render
