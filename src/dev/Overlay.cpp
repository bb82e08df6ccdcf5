#include "dev/Overlay.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <imgui.h>
#include <backends/imgui_impl_glfw.h>
#include <backends/imgui_impl_opengl3.h>

#include "dev/Bookmarks.h"
#include "dev/DevSession.h"
#include "dev/ShotLoop.h"
#include "dev/TimelineEdits.h"
#include "gl/DebugLabel.h"
#include "render/FrameProfiler.h"
#include "render/Renderer.h"
#include "render/TargetNames.h"
#include "timeline/KeyCurve.h"
#include "timeline/Timeline.h"

namespace orv::dev {

namespace {

const ImVec4 good(0.55f, 0.9f, 0.55f, 1.0f);
const ImVec4 bad(1.0f, 0.45f, 0.4f, 1.0f);
// A speed or light curve in yellow; look-at x, y, z in red, green, blue.
const ImU32 columnColours[] = {IM_COL32(240, 200, 80, 255), IM_COL32(235, 95, 85, 255), IM_COL32(110, 210, 110, 255),
                               IM_COL32(100, 150, 245, 255)};
constexpr const char* curveTitles[] = {"camera speed", "particle speed", "diffuse factor", "look-at x y z"};

// Dragged keys land on the values the rows show, so the file gets short numbers.
float roundedForFile(float value) { return std::round(value * 1000.0f) / 1000.0f; }

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

bool Overlay::typing() { return ImGui::GetCurrentContext() != nullptr && ImGui::GetIO().WantTextInput; }

// One list of the shot as lines over the path's progress (a speed or light
// curve eased as the player eases it, look-at points straight from key to
// key), its keys as dots that drag up and down, and the playhead.
bool Overlay::keyPlot(DevSession& session, std::size_t shot, int curve, std::optional<float> progress)
{
    using Curve = TimelineEdits::Curve;
    TimelineEdits& edits = session.timelineEdits();
    const Curve which = TimelineEdits::curves[static_cast<std::size_t>(curve)];
    const auto rows = edits.keys(shot, which);
    const std::size_t columns = which == Curve::lookAt ? 4 : 2;
    float low = 0.0f;
    float high = 0.0f;
    for (const auto& row : rows) {
        for (std::size_t c = 1; c < std::min(columns, row.size()); ++c) {
            low = std::min(low, row[c]);
            high = std::max(high, row[c]);
        }
    }
    high += std::max(0.1f, (high - low) * 0.15f);
    const bool dragging = dragCurve_ == curve;
    if (dragging) {
        low = dragLow_;
        high = dragHigh_;
    }

    ImGui::PushID(curve);
    const ImVec2 origin = ImGui::GetCursorScreenPos();
    const ImVec2 size(ImGui::GetContentRegionAvail().x, 54.0f);
    ImGui::InvisibleButton("plot", size);
    ImDrawList* draw = ImGui::GetWindowDrawList();
    draw->AddRectFilled(origin, ImVec2(origin.x + size.x, origin.y + size.y), IM_COL32(32, 36, 44, 255));
    const auto screen = [&](float x, float y) {
        return ImVec2(origin.x + x * size.x, origin.y + size.y - 3.0f - (y - low) / (high - low) * (size.y - 6.0f));
    };
    for (std::size_t c = 1; c < columns; ++c) {
        std::vector<glm::vec2> keys;
        for (const auto& row : rows) {
            if (row.size() > c && std::isfinite(row[0]) && std::isfinite(row[c]))
                keys.emplace_back(row[0], row[c]);
        }
        if (keys.empty())
            continue;
        std::vector<ImVec2> line;
        if (which == Curve::lookAt) {
            for (const glm::vec2& key : keys)
                line.push_back(screen(key.x, key.y));
        } else {
            timeline::KeyCurve eased(keys);
            constexpr int samples = 64;
            for (int i = 0; i <= samples; ++i) {
                const float x = static_cast<float>(i) / samples;
                line.push_back(screen(x, eased.value(x)));
            }
        }
        const ImU32 colour = columnColours[which == Curve::lookAt ? c : 0];
        draw->AddPolyline(line.data(), static_cast<int>(line.size()), colour, 0, 1.5f);
        for (const glm::vec2& key : keys)
            draw->AddCircleFilled(screen(key.x, key.y), 3.5f, colour);
    }
    if (progress) {
        const float x = origin.x + std::clamp(*progress, 0.0f, 1.0f) * size.x;
        draw->AddLine(ImVec2(x, origin.y), ImVec2(x, origin.y + size.y), IM_COL32(255, 255, 255, 200), 1.5f);
    }
    draw->AddText(ImVec2(origin.x + 4.0f, origin.y + 2.0f), IM_COL32(200, 200, 200, 255), curveTitles[curve]);

    bool changed = false;
    const ImVec2 mouse = ImGui::GetIO().MousePos;
    if (ImGui::IsItemActivated()) {
        // The dot nearest the pointer, if it is near enough to mean it.
        float nearest = 8.0f * 8.0f;
        for (std::size_t k = 0; k < rows.size(); ++k) {
            for (std::size_t c = 1; c < std::min(columns, rows[k].size()); ++c) {
                const ImVec2 dot = screen(rows[k][0], rows[k][c]);
                const float distance = (dot.x - mouse.x) * (dot.x - mouse.x) + (dot.y - mouse.y) * (dot.y - mouse.y);
                if (distance < nearest && edits.editable(shot, which, k, c)) {
                    nearest = distance;
                    dragCurve_ = curve;
                    dragKey_ = k;
                    dragColumn_ = c;
                    dragLow_ = low;
                    dragHigh_ = high;
                }
            }
        }
    } else if (dragging && ImGui::IsItemActive()) {
        const float fraction = (origin.y + size.y - 3.0f - mouse.y) / (size.y - 6.0f);
        const float value = roundedForFile(low + std::clamp(fraction, 0.0f, 1.0f) * (high - low));
        const auto before = edits.keys(shot, which);
        changed = edits.set(shot, which, dragKey_, dragColumn_, value) &&
                  before[dragKey_][dragColumn_] != edits.keys(shot, which)[dragKey_][dragColumn_];
    } else if (dragging) {
        dragCurve_ = -1;
    }

    // The numbers themselves: drag sideways, or double-click to type one.
    const bool open = ImGui::TreeNode("numbers");
    for (std::size_t k = 0; open && k < rows.size(); ++k) {
        if (rows[k].size() < columns)
            continue;
        float values[4] = {};
        std::copy_n(rows[k].begin(), columns, values);
        ImGui::PushID(static_cast<int>(k));
        ImGui::SetNextItemWidth(columns == 2 ? 180.0f : -FLT_MIN);
        const bool edited = columns == 2 ? ImGui::DragFloat2("##key", values, 0.005f, 0.0f, 0.0f, "%.3f")
                                         : ImGui::DragFloat4("##key", values, 0.01f, 0.0f, 0.0f, "%.3f");
        ImGui::PopID();
        if (!edited)
            continue;
        for (std::size_t c = 0; c < columns; ++c) {
            if (values[c] != rows[k][c])
                changed = edits.set(shot, which, k, c, values[c]) || changed;
        }
    }
    if (open)
        ImGui::TreePop();
    ImGui::PopID();
    return changed;
}

void Overlay::keyPanel(DevSession& session, Request& request)
{
    demo::Demo& stage = session.stage();
    TimelineEdits& edits = session.timelineEdits();
    const std::size_t shot = stage.shotAt(stage.time());
    // A window of its own beside the main one, so the author sees both.
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    ImGui::SetNextWindowPos(ImVec2(std::max(450.0f, display.x - 350.0f), 10.0f), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSizeConstraints(ImVec2(340.0f, 0.0f), ImVec2(340.0f, 10000.0f));
    char title[64];
    std::snprintf(title, sizeof(title), "keys of shot %zu###keys", shot + 1);
    ImGui::Begin(title, nullptr, ImGuiWindowFlags_AlwaysAutoResize);
    if (shot >= edits.shotCount()) {
        ImGui::TextDisabled("%s has no shot %zu", edits.fileName().c_str(), shot + 1);
        ImGui::End();
        return;
    }
    // The camera's lists run over the camera path, the particle's over its own.
    const timeline::Timeline& timeline = stage.timeline();
    std::optional<float> cameraProgress;
    std::optional<float> particleProgress;
    if (timeline.cameraShot() == shot && shot < timeline.cameraPaths().size())
        cameraProgress = timeline.cameraPaths()[shot].progress();
    if (timeline.particleShot() == shot && shot < timeline.particlePaths().size())
        particleProgress = timeline.particlePaths()[shot].progress();
    for (std::size_t c = 0; c < TimelineEdits::curves.size(); ++c) {
        const auto curve = TimelineEdits::curves[c];
        const bool camera = curve == TimelineEdits::Curve::cameraVelocity || curve == TimelineEdits::Curve::lookAt;
        if (edits.keys(shot, curve).empty())
            continue;
        if (keyPlot(session, shot, static_cast<int>(c), camera ? cameraProgress : particleProgress))
            request.timelineEdited = true;
    }
    ImGui::BeginDisabled(!edits.unsaved());
    if (ImGui::Button("save to the timeline file"))
        request.saveTimeline = true;
    ImGui::SameLine();
    if (ImGui::Button("back to the file")) {
        edits.reread();
        request.timelineEdited = true;
    }
    ImGui::EndDisabled();
    if (edits.unsaved()) {
        ImGui::SameLine();
        ImGui::TextColored(bad, "not saved");
    }
    ImGui::TextDisabled("drag a dot; double-click a number to type");
    ImGui::End();
}

void Overlay::bookmarkPanel(DevSession& session, Request& request)
{
    const auto& bookmarks = session.bookmarks().all();
    char title[64];
    std::snprintf(title, sizeof(title), "bookmarks (%zu; C adds one)###bookmarks", bookmarks.size());
    if (!ImGui::CollapsingHeader(title))
        return;
    for (std::size_t i = 0; i < bookmarks.size(); ++i) {
        const Bookmarks::Bookmark& mark = bookmarks[i];
        char label[128];
        std::snprintf(label, sizeof(label), "shot %zu  %6.2f s   at (%.2f, %.2f, %.2f)##%zu", mark.shot, mark.time,
                      mark.position.x, mark.position.y, mark.position.z, i);
        if (ImGui::Selectable(label))
            request.bookmark = i;
    }
    if (bookmarks.empty())
        ImGui::TextDisabled("none yet in %s", session.bookmarks().fileName().c_str());
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
    const render::Renderer& renderer = stage.renderer();
    ImGui::Text("scale %.2f   %u x %u", renderer.renderScale(), renderer.renderWidth(), renderer.renderHeight());
    if (auto seek = scrubBar(session))
        request.seekTo = seek;

    if (ImGui::CollapsingHeader("GPU time per pass", ImGuiTreeNodeFlags_DefaultOpen)) {
        if (profiler != nullptr && !profiler->frames().empty()) {
            const auto& last = profiler->frames().back();
            double total = 0.0;
            for (double ms : last.passMs)
                total += ms;
            for (std::size_t pass = 0; pass < render::FrameProfiler::columnCount; ++pass) {
                const std::string_view name = render::FrameProfiler::columnName(pass);
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

    bookmarkPanel(session, request);

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
    ImGui::TextDisabled("P pause  Left/Right 5 s  PgUp/PgDn shot  Home restart");
    ImGui::TextDisabled("L loop shot  C bookmark  W A S D Space fly");
    ImGui::End();
    keyPanel(session, request);

    ImGui::Render();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    // The backend saves and restores the GL state it touches.
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
    return request;
}

}  // namespace orv::dev
