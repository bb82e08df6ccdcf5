#include <gtest/gtest.h>

#include "gl/Handle.h"
#include "render/FrameProfiler.h"
#include "support/DemoRig.h"
#include "support/GLContext.h"

namespace {

using orv::gl::Kind;

// The bundled demo built, played with the profiler on, and destroyed, as
// --dev does on every seek and reload: every GL object it made, of every
// kind, is given back.
TEST(GLObjectLifetime, DestroyingTheBuiltDemoGivesBackEveryGLObject)
{
    ASSERT_EQ(orv::test::ensureGLContext(), "");
    const orv::test::LiveGLObjects before = orv::test::liveGLObjects();
    testing::internal::CaptureStderr();
    {
        orv::test::DemoRig demo(160, 90);
        orv::render::FrameProfiler profiler(8);
        demo.renderer->setProfiler(&profiler);
        for (int i = 0; i < 3; ++i)
            demo.frame(0.1);
        profiler.finish();
        demo.renderer->setProfiler(nullptr);

        // Every kind is made by the demo, so the check below covers them all;
        // shaders alone are gone already, deleted once linked.
        const orv::test::LiveGLObjects during = orv::test::liveGLObjects();
        for (std::size_t k = 0; k < during.size(); ++k) {
            const auto kind = static_cast<Kind>(k);
            if (kind == Kind::Shader)
                EXPECT_EQ(during[k], before[k]) << "live GL shader objects";
            else
                EXPECT_GT(during[k], before[k]) << "live GL " << orv::gl::kindName(kind) << " objects";
        }
    }
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(errors.find("GL error"), std::string::npos) << errors;
    orv::test::expectSameLiveGLObjects(before, orv::test::liveGLObjects());
}

}  // namespace
