#pragma once

namespace orv::test {

// A reference for calls that only pass an object on without using it (a mesh's
// draw call gets the scene and target it never reads). It refers to storage
// in which no object is ever constructed, so nothing may call into it.
template <typename T>
T& unusedStandIn()
{
    alignas(T) static unsigned char storage[sizeof(T)];
    return *reinterpret_cast<T*>(storage);
}

}  // namespace orv::test
