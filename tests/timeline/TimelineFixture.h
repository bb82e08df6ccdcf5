#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/vec3.hpp>

#include "config/ModelCatalogue.h"
#include "gl/ProgramManager.h"
#include "scene/Particle.h"
#include "scene/SceneObject.h"
#include "support/Scratch.h"
#include "timeline/Timeline.h"
#include "view/OpenGLwindow.h"
#include "support/GlmExpect.h"

namespace orv::test {

// A real window (the timeline's camera reads the framebuffer size, keys and
// cursor through it), a scene root to hang markers on, the main particle
// below it, and a scratch folder that holds "config/timeline.yaml".
class TimelineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view::OpenGLwindow::resetInputState();
        window = std::make_unique<view::OpenGLwindow>(
            dir.write("config/window.yaml", "OpenGLwindow:\n  title: timeline\n  resolution: {x: 200, y: 100}\n")
                .string());
        ASSERT_TRUE(window->init()) << view::OpenGLwindow::lastError();
        root->setName("Room");
        particle = std::make_shared<scene::Particle>(catalogue);
    }
    void TearDown() override
    {
        view::OpenGLwindow::resetInputState();
        if (window) {
            window->close();
        }
    }

    // One marker group: anchor, incoming and outgoing handle, named as a
    // modelling tool would ("Camera001_0", "Camera001_0_in", "Camera001_0_out").
    void addGroup(const std::string& anchorName, glm::vec3 anchor, glm::vec3 incoming, glm::vec3 outgoing)
    {
        addMarker(anchorName, anchor);
        addMarker(anchorName + "_in", incoming);
        addMarker(anchorName + "_out", outgoing);
    }
    void addMarker(const std::string& name, glm::vec3 at)
    {
        const auto marker = root->createChild();
        marker->setName(name);
        marker->setLocalMatrix(glm::translate(glm::mat4(1.0f), at));
    }

    // A path of straight segments through the anchors: every handle lies a
    // third of the way towards its neighbour, so each segment is walked at
    // an even pace and measures 0.99 of its straight length.
    void addStraightPath(const std::string& prefix, int number, const std::vector<glm::vec3>& anchors)
    {
        char tag[8];
        std::snprintf(tag, sizeof tag, "%03d", number);
        for (std::size_t k = 0; k < anchors.size(); ++k) {
            const glm::vec3 a = anchors[k];
            const glm::vec3 in = k > 0 ? a - (a - anchors[k - 1]) / 3.0f : a;
            const glm::vec3 out = k + 1 < anchors.size() ? a + (anchors[k + 1] - a) / 3.0f : a;
            addGroup(prefix + tag + "_" + std::to_string(k), a, in, out);
        }
    }

    // Writes the timeline file, computes the markers' model matrices and
    // builds the timeline from the scratch folder.
    std::unique_ptr<timeline::Timeline> build(const std::string& yaml)
    {
        dir.write("config/timeline.yaml", yaml);
        root->update(0.0);
        WorkingDir in(dir.path());
        return std::make_unique<timeline::Timeline>("config/timeline.yaml", root, *window, particle);
    }

    // The message of the runtime error that building throws, or "" when it builds.
    std::string rejection(const std::string& yaml)
    {
        try {
            build(yaml);
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return {};
    }

    // Plays frames as the frame loop does: timeline first, then the tree.
    void play(timeline::Timeline& timeline, double dt, int frames = 1)
    {
        for (int i = 0; i < frames; ++i) {
            timeline.update(dt);
            root->update(dt);
        }
    }

    static glm::vec3 translationOf(const scene::SceneObject& object) { return glm::vec3(object.modelMatrix()[3]); }

    ScratchDir dir;
    std::unique_ptr<view::OpenGLwindow> window;
    gl::ProgramManager programs{dir.write("config/gl_programs.yaml", "{}\n").string()};
    config::ModelCatalogue catalogue{dir.write("config/models.yaml", "{}\n").string(), programs};
    std::shared_ptr<scene::SceneObject> root = std::make_shared<scene::SceneObject>();
    std::shared_ptr<scene::Particle> particle;
};

}  // namespace orv::test
