#pragma once

namespace orv::scene {

// Something that is made current right before a draw.
class Bindable {
public:
    virtual ~Bindable() = default;
    virtual void bind() = 0;
    virtual void unbind() = 0;
};

}  // namespace orv::scene
