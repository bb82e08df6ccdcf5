#pragma once

namespace orv::scene {

// Drains the GL error queue, one "GL error: <code>" line on standard error per
// pending error. Never throws and never changes GL state.
void reportGLErrors();

}  // namespace orv::scene
