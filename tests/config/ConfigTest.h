#pragma once

#include <memory>
#include <string>

#include <GL/glew.h>
#include <gtest/gtest.h>

#include "config/ModelCatalogue.h"
#include "gl/ProgramManager.h"
#include "scene/Texture.h"
#include "support/GLContext.h"
#include "support/Scratch.h"

namespace orv::test {

// Loader tests run in a scratch folder that they fill with their own
// configuration, model and image files, as a demo folder is laid out.
class ConfigTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        cwd_ = std::make_unique<WorkingDir>(scratch.path());
    }
    void TearDown() override
    {
        cwd_.reset();
        GLTest::TearDown();
    }

    void write(const std::string& relative, const std::string& text) { scratch.write(relative, text); }

    std::unique_ptr<config::ModelCatalogue> catalogue(const std::string& yaml)
    {
        write("config/models.yaml", yaml);
        return std::make_unique<config::ModelCatalogue>("config/models.yaml", programs);
    }
    std::unique_ptr<config::ModelCatalogue> loadedCatalogue(const std::string& yaml)
    {
        auto result = catalogue(yaml);
        result->load();
        return result;
    }

    // Width of level 0 of a 2D texture, read back from GL.
    static GLint textureWidth(const std::shared_ptr<scene::Texture>& texture)
    {
        if (!texture)
            return -1;
        GLint width = -1;
        glBindTexture(GL_TEXTURE_2D, texture->id());
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glBindTexture(GL_TEXTURE_2D, 0);
        return width;
    }

    ScratchDir scratch;
    gl::ProgramManager programs{"config/gl_programs.yaml"};

private:
    std::unique_ptr<WorkingDir> cwd_;
};

// The message of the exception that call throws, or "" when it throws none.
template <typename Call>
std::string errorOf(Call&& call)
{
    try {
        call();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "";
}

}  // namespace orv::test
