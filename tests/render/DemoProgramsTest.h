#pragma once

#include <memory>

#include "gl/ProgramManager.h"
#include "support/GLContext.h"
#include "support/Scratch.h"

namespace orv::test {

// GL tests over the bundled demo's own programs, loaded from its folder.
class DemoProgramsTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        WorkingDir demo(ORV_SOURCE_DIR "/demo");
        programs = std::make_unique<gl::ProgramManager>("config/gl_programs.yaml");
        programs->load();
    }
    void TearDown() override
    {
        programs->deletePrograms();
        GLTest::TearDown();
    }

    std::unique_ptr<gl::ProgramManager> programs;
};

}  // namespace orv::test
