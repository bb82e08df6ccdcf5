#include "timeline/ShotMotion.h"

#include "scene/Moveable.h"

namespace orv::timeline {

ShotMotion::ShotMotion(std::shared_ptr<scene::Moveable> object, BezierPath* path,
                       const std::vector<glm::vec2>& velocityKeys)
    : object_(std::move(object)), path_(path), velocity_(velocityKeys)
{
}

void ShotMotion::update(double dt)
{
    if (!path_->isFinished() && object_->isOnRails()) {
        path_->setSpeed(velocity_.value(path_->progress()));
        object_->setPosition(path_->advance(static_cast<float>(dt)));
    }
    object_->update(dt);
}

bool ShotMotion::isDone() const { return path_->isFinished() || !object_->isOnRails(); }

}  // namespace orv::timeline
