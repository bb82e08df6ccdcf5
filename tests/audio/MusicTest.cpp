#include "audio/Music.h"

#include <chrono>
#include <cmath>
#include <string>
#include <thread>

#include <AL/al.h>
#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "TrackFile.h"

namespace orv::audio {
namespace {

using test::ChildChecks;
using test::lineCount;
using test::runInChild;

const std::string successLine = "fmod initialised successfully\n";

// What startMusic made and printed.
struct Started {
    Music music;
    std::string out;
    std::string err;
};

Started startCaptured(const std::string& path, double atSeconds = 0.0)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Started started;
    started.music = startMusic(path, atSeconds);
    started.err = testing::internal::GetCapturedStderr();
    started.out = testing::internal::GetCapturedStdout();
    return started;
}

TEST(Music, StartsTheTrackLoopingAndSaysSoOnce)
{
    runInChild("null", [](ChildChecks& check) {
        const auto [music, out, err] = startCaptured(test::musicTrackPath());
        check.expect(out == successLine, "the success line once on standard output, got: " + out);
        check.expect(err.empty(), "nothing on standard error, got: " + err);
        check.expect(music.channel != nullptr, "a channel");
        if (music.channel != nullptr) {
            ALint state = 0;
            ALint looping = 0;
            alGetSourcei(music.channel->source(), AL_SOURCE_STATE, &state);
            alGetSourcei(music.channel->source(), AL_LOOPING, &looping);
            check.expect(state == AL_PLAYING && looping == AL_TRUE, "playing in a loop");
        }
    },
               "^$");
}

// A demo started later on hears the music from there; the track loops, so a
// time past its end is wrapped into it.
TEST(Music, StartsWhereTheDemoStarts)
{
    runInChild("null", [](ChildChecks& check) {
        const auto started = startCaptured(test::musicTrackPath(), 30.0);
        check.expect(started.music.channel != nullptr, "a channel");
        if (started.music.channel == nullptr)
            return;
        audio::Channel& channel = *started.music.channel;
        const double length = channel.length();
        check.expect(length > 40.0 && length < 100.0, "the track's length, got " + std::to_string(length));
        check.expect(channel.position() >= 30.0 && channel.position() < 30.5,
                     "playing from 30 s, got " + std::to_string(channel.position()));
        check.expect(channel.setPosition(length + 12.0) == audio::Result::ok, "a position past the end");
        check.expect(channel.position() >= 12.0 && channel.position() < 12.5,
                     "wrapped to 12 s, got " + std::to_string(channel.position()));
    },
               "^$");
}

// The dev player pauses the music with the demo and moves it while paused:
// it stays paused at the new place, stands still there, and resumes from it.
TEST(Music, PausedMusicMovesOnlyWhereItIsSent)
{
    runInChild("null", [](ChildChecks& check) {
        const auto started = startCaptured(test::musicTrackPath(), 5.0);
        check.expect(started.music.channel != nullptr, "a channel");
        if (started.music.channel == nullptr)
            return;
        audio::Channel& channel = *started.music.channel;
        check.expect(!channel.paused(), "playing at first");
        check.expect(channel.setPaused(true) == Result::ok && channel.paused(), "paused");
        check.expect(channel.setPosition(20.0) == Result::ok && channel.paused(), "still paused after a move");
        const double at = channel.position();
        check.expect(at >= 20.0 && at < 20.01, "moved to 20 s, got " + std::to_string(at));
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        check.expect(std::abs(channel.position() - at) < 1e-3, "standing still, got " + std::to_string(channel.position()));
        check.expect(channel.setPaused(false) == Result::ok && !channel.paused(), "resumed");
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        check.expect(channel.position() > at && channel.position() < at + 2.0,
                     "playing on from 20 s, got " + std::to_string(channel.position()));
    },
               "^$");
}

TEST(Music, WithoutDeviceGoesOnSilentlyAfterOneLine)
{
    runInChild("none-at-all", [](ChildChecks& check) {
        const auto [music, out, err] = startCaptured(test::musicTrackPath());
        // The system object exists without a device, so the line is printed.
        check.expect(out == successLine, "the success line once on standard output, got: " + out);
        check.expect(lineCount(err) == 1 && err.rfind("orv: no audio device", 0) == 0, "one line, got: " + err);
        check.expect(music.system != nullptr && music.sound == nullptr && music.channel == nullptr, "no sound");
    },
               "^$");
}

TEST(Music, MissingTrackGoesOnSilentlyAfterOneLine)
{
    runInChild("null", [](ChildChecks& check) {
        const auto [music, out, err] = startCaptured("assets/sounds/no-such-track.mp3");
        check.expect(out == successLine, "the success line once, got: " + out);
        check.expect(lineCount(err) == 1 && err.find("\"assets/sounds/no-such-track.mp3\"") != std::string::npos,
                     "one line naming the file, got: " + err);
        check.expect(music.sound == nullptr && music.channel == nullptr, "nothing plays");
    },
               "^$");
}

}  // namespace
}  // namespace orv::audio
