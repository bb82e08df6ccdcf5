#pragma once

namespace orv::problem::files {

// The files every demo folder holds, relative to it.
inline constexpr const char* window = "config/window.yaml";
inline constexpr const char* programs = "config/gl_programs.yaml";
inline constexpr const char* models = "config/models.yaml";
inline constexpr const char* scene = "config/scene.yaml";
inline constexpr const char* sceneRootKey = "main";
inline constexpr const char* timeline = "config/timeline.yaml";
inline constexpr const char* music = "assets/sounds/finish.mp3";

}  // namespace orv::problem::files
