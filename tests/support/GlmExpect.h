#pragma once

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>
#include <gtest/gtest.h>

namespace orv::test {

// Component-wise comparisons of glm values, reporting the failing component.
inline void expectNear(const glm::vec3& actual, const glm::vec3& expected, float tolerance = 1e-5f)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

inline void expectNear(const glm::mat4& actual, const glm::mat4& expected, float tolerance = 1e-5f)
{
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            EXPECT_NEAR(actual[c][r], expected[c][r], tolerance) << "column " << c << ", row " << r;
        }
    }
}

}  // namespace orv::test
