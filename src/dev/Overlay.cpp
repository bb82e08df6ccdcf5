#include "dev/Overlay.h"

#include <algorithm>
#include <cstdio>

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <imgui.h>
#include <backends/imgui_impl_glfw.h>
#include <backends/imgui_impl_opengl3.h>

#include "dev/DevSession.h"
#include "dev/ShotLoop.h"
#include "gl/DebugLabel.h"
#include "render/FrameProfiler.h"
#include "render/TargetNames.h"
#include "timeline/Timeline.h"

namespace orv::dev {

namespace {

const ImVec4 good(0.55f, 0.9f, 0.55f, 1.0f);
const ImVec4 bad(1.0f, 0.45f, 0.4f, 1.0f);

}  // namespace

Overlay::Overlay(GLFWwindow* window)
{
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;  // nothing written into the demo folder
    ImGui::StyleColorsDark();
    ImGui::GetStyle().Alpha = 0.92f;
    // Chains the window's own callbacks, which keep the camera's keys.
    ImGui_ImplGlfw_InitForOpenGL(window, true);
    ImGui_ImplOpenGL3_Init("#version 440 core");
    ImGui_ImplOpenGL3_CreateDeviceObjects();
    gl::debugLabel(GL_TEXTURE, static_cast<GLuint>(reinterpret_cast<std::intptr_t>(io.Fonts->TexID)),
                   "overlay font");
}

Overlay::~Overlay()
{
    ImGui_ImplOpenGL3_Shutdown();
    ImGui_ImplGlfw_Shutdown();
    ImGui::DestroyContext();
}

void Overlay::toggle(const char* name, std::vector<std::string>& inactive)
{
    const auto found = std::find(inactive.begin(), inactive.end(), name);
    bool on = found == inactive.end();
    if (ImGui::Checkbox(name, &on)) {
        if (on)
            inactive.erase(found);
        else
            inactive.emplace_back(name);
    }
}

std::optional<double> Overlay::scrubBar(DevSession& session)
{
    const demo::Demo& stage = session.stage();
    const double end = std::max(stage.shots().end, 1e-3);
    const ImVec2 origin = ImGui::GetCursorScreenPos();
    const ImVec2 size(ImGui::GetContentRegionAvail().x, 22.0f);
    const bool clicked = ImGui::InvisibleButton("scrub", size);
    ImDrawList* draw = ImGui::GetWindowDrawList();
    draw->AddRectFilled(origin, ImVec2(origin.x + size.x, origin.y + size.y), IM_COL32(40, 44, 52, 255));
    const auto at = [&](double seconds) { return origin.x + static_cast<float>(seconds / end) * size.x; };
    const std::size_t current = stage.shotAt(stage.time());
    for (std::size_t shot = 0; shot < stage.shots().starts.size(); ++shot) {
        const double from = stage.shots().starts[shot];
        const double to = shot + 1 < stage.shots().starts.size() ? stage.shots().endOf(shot) : end;
        const ImU32 fill = shot == current ? IM_COL32(70, 110, 160, 255) : IM_COL32(55, 62, 75, 255);
        draw->AddRectFilled(ImVec2(at(from) + 1.0f, origin.y + 2.0f), ImVec2(at(to) - 1.0f, origin.y + size.y - 2.0f),
                            fill);
        char label[24];
        std::snprintf(label, sizeof(label), "%zu", shot + 1);
        draw->AddText(ImVec2(at(from) + 4.0f, origin.y + 4.0f), IM_COL32(210, 210, 210, 255), label);
    }
    const float now = at(std::min(stage.time(), end));
    draw->AddLine(ImVec2(now, origin.y), ImVec2(now, origin.y + size.y), IM_COL32(255, 200, 60, 255), 2.0f);
    if (!clicked)
        return std::nullopt;
    const float fraction = (ImGui::GetIO().MousePos.x - origin.x) / size.x;
    return std::clamp(static_cast<double>(fraction), 0.0, 1.0) * end;
}

Overlay::Request Overlay::draw(DevSession& session, const render::FrameProfiler* profiler, double frameSeconds,
                               bool paused, const ShotLoop& loop, std::vector<std::string>& inactive)
{
    Request request;
    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplGlfw_NewFrame();
    ImGui::NewFrame();

    // A steadier figure than one frame's.
    frameMs_ = frameMs_ == 0.0f ? static_cast<float>(frameSeconds * 1000.0)
                                : 0.9f * frameMs_ + 0.1f * static_cast<float>(frameSeconds * 1000.0);
    demo::Demo& stage = session.stage();
    const std::size_t shot = stage.shotAt(stage.time());
    const auto& starts = stage.shots().starts;
    const double shotEnd = stage.shots().endOf(shot);

    ImGui::SetNextWindowPos(ImVec2(10.0f, 10.0f), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSizeConstraints(ImVec2(430.0f, 0.0f), ImVec2(430.0f, 10000.0f));
    ImGui::Begin("orv --dev  (F1 hides)", nullptr, ImGuiWindowFlags_AlwaysAutoResize);
    ImGui::Text("time %7.2f s%s", stage.time(), paused ? "   PAUSED" : "");
    ImGui::Text("shot %zu of %zu   %.2f - %.2f s", shot + 1, starts.size(), shot < starts.size() ? starts[shot] : 0.0,
                shotEnd);
    if (loop.on()) {
        ImGui::SameLine();
        ImGui::TextColored(good, "  LOOP shot %zu", loop.shot() + 1);
    }
    ImGui::Text("frame %.2f ms   %.1f FPS", frameMs_, frameMs_ > 0.0f ? 1000.0f / frameMs_ : 0.0f);
    if (auto seek = scrubBar(session))
        request.seekTo = seek;

    if (ImGui::CollapsingHeader("GPU time per pass", ImGuiTreeNodeFlags_DefaultOpen)) {
        if (profiler != nullptr && !profiler->frames().empty()) {
            const auto& last = profiler->frames().back();
            double total = 0.0;
            for (double ms : last.passMs)
                total += ms;
            for (std::size_t pass = 0; pass < render::targets::renderOrder.size(); ++pass) {
                const std::string_view name = render::targets::renderOrder[pass];
                char label[64];
                std::snprintf(label, sizeof(label), "%.2f ms", last.passMs[pass]);
                ImGui::ProgressBar(total > 0.0 ? static_cast<float>(last.passMs[pass] / total) : 0.0f,
                                   ImVec2(160.0f, 0.0f), label);
                ImGui::SameLine();
                ImGui::TextUnformatted(name.data(), name.data() + name.size());
            }
        } else {
            ImGui::TextDisabled("no timings yet");
        }
    }

    const auto& outcome = session.lastOutcome();
    if (!outcome.message.empty()) {
        ImGui::PushTextWrapPos(0.0f);
        ImGui::TextColored(outcome.ok ? good : bad, "%s", outcome.message.c_str());
        ImGui::PopTextWrapPos();
    } else {
        ImGui::TextDisabled("no reload yet: save a shader or a config file");
    }

    if (ImGui::CollapsingHeader("targets and switches")) {
        ImGui::Columns(2, nullptr, false);
        for (std::string_view name : render::targets::renderOrder)
            toggle(name.data(), inactive);  // the names are literals, so terminated
        ImGui::NextColumn();
        for (std::string_view name : render::switches::all)
            toggle(name.data(), inactive);  // the names are literals, so terminated
        ImGui::Columns(1);
        if (ImGui::Button("reset to the shot's own"))
            inactive.clear();
    }
    ImGui::TextDisabled("P pause  Left/Right 5 s  PgUp/PgDn shot  Home restart  L loop shot");
    ImGui::End();

    ImGui::Render();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    // The backend saves and restores the GL state it touches.
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
    return request;
}

}  // namespace orv::dev
