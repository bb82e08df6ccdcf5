#include "app/FrameCapture.h"

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <sstream>

#include <GL/glew.h>
#include <IL/il.h>

#include "demo/Demo.h"
#include "view/OpenGLwindow.h"

namespace orv::app {

namespace {

// A demo whose last shot never ends (a speed of 0) is captured this long at most.
constexpr double longestDemo = 3600.0;

std::string quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace

void FrameCapture::readFrame(const view::OpenGLwindow& window, std::vector<std::uint8_t>& pixels)
{
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, window.width(), window.height(), GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
}

FrameCapture::FrameCapture(const Options& options, view::OpenGLwindow& window, demo::Demo& demo,
                           std::string musicFile)
    : options_(options), window_(window), demo_(demo), musicFile_(std::move(musicFile))
{
}

FrameCapture::~FrameCapture()
{
    if (video_ != nullptr)
        pclose(video_);
}

bool FrameCapture::openVideo(double fromSeconds)
{
    // The music loops; it is cut to start where the captured frames start
    // and to end with them.
    std::ostringstream command;
    command << "ffmpeg -loglevel error -y -f rawvideo -pixel_format rgba -video_size " << window_.width() << "x"
            << window_.height() << " -framerate " << options_.fps << " -i -";
    const bool music = std::filesystem::is_regular_file(musicFile_);
    if (music) {
        command << " -stream_loop -1 -i " << quoted(musicFile_) << " -filter_complex \"[1:a]atrim=start="
                << fromSeconds << ",asetpts=PTS-STARTPTS[a]\" -map 0:v -map \"[a]\" -c:a aac -b:a 160k -shortest";
    }
    // GL rows come bottom first.
    command << " -vf vflip -c:v libx264 -pix_fmt yuv420p -movflags +faststart " << quoted(options_.videoFile);
    video_ = popen(command.str().c_str(), "w");
    if (video_ == nullptr) {
        std::cerr << "orv: --video: cannot start ffmpeg (is it installed? scripts/deps installs it)" << std::endl;
        return false;
    }
    return true;
}

bool FrameCapture::writeFrame(std::uint32_t index)
{
    const int width = window_.width();
    const int height = window_.height();
    readFrame(window_, pixels_);
    if (video_ != nullptr && std::fwrite(pixels_.data(), 1, pixels_.size(), video_) != pixels_.size()) {
        std::cerr << "orv: --video: ffmpeg stopped taking frames" << std::endl;
        return false;
    }
    if (options_.captureDir.empty())
        return true;
    char name[32];
    std::snprintf(name, sizeof(name), "frame_%05u.png", index);
    const std::string path = (std::filesystem::path(options_.captureDir) / name).string();
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    ilTexImage(static_cast<ILuint>(width), static_cast<ILuint>(height), 1, 4, IL_RGBA, IL_UNSIGNED_BYTE,
               pixels_.data());
    ilRegisterOrigin(IL_ORIGIN_LOWER_LEFT);
    ilEnable(IL_FILE_OVERWRITE);
    const bool saved = ilSave(IL_PNG, path.c_str());
    ilDeleteImages(1, &image);
    if (!saved)
        std::cerr << "orv: --capture: cannot write " << path << std::endl;
    return saved;
}

void FrameCapture::progress(std::uint32_t done, std::uint32_t total, double elapsedSeconds, bool last) const
{
    if (!isatty(fileno(stdout)))
        return;
    const double rate = elapsedSeconds > 0.0 ? done / elapsedSeconds : 0.0;
    const double left = rate > 0.0 ? (total - done) / rate : 0.0;
    std::printf("\rcapturing frame %u/%u  %.1f frames/s  %.0f s left   ", done, total, rate, left);
    if (last)
        std::printf("\n");
    std::fflush(stdout);
}

int FrameCapture::run(double endSeconds)
{
    const double from = options_.captureFrom.value_or(options_.startSeconds);
    const double to = options_.captureTo.value_or(std::min(endSeconds, longestDemo));
    if (!options_.captureDir.empty()) {
        std::error_code error;
        std::filesystem::create_directories(options_.captureDir, error);
        if (!std::filesystem::is_directory(options_.captureDir)) {
            std::cerr << "orv: --capture: cannot make the folder " << options_.captureDir << std::endl;
            return 1;
        }
    }
    pixels_.assign(static_cast<std::size_t>(window_.width()) * static_cast<std::size_t>(window_.height()) * 4, 0);
    if (!options_.videoFile.empty() && !openVideo(from))
        return 1;

    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    const auto total = static_cast<std::uint32_t>(std::max(0.0, std::floor((to - from) * options_.fps + 1e-9)) + 1);
    const auto started = std::chrono::steady_clock::now();
    demo_.advanceTo(from);
    for (std::uint32_t written = 0; written < total && window_.isOpen();) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        demo_.frame(1.0 / options_.fps);
        if (!writeFrame(written))
            return 1;
        ++written;
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        progress(written, total, elapsed, written == total);
        window_.swapBuffers();
    }
    if (video_ != nullptr) {
        const int status = pclose(video_);
        video_ = nullptr;
        if (status != 0) {
            std::cerr << "orv: --video: ffmpeg failed writing " << options_.videoFile << std::endl;
            return 1;
        }
    }
    return 0;
}

}  // namespace orv::app
