#include "audio/System.h"

#include <string>

#include <AL/al.h>
#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "support/Scratch.h"
#include "TrackFile.h"
#include "audio/Mp3Decoder.h"

namespace orv::audio {
namespace {

using test::ChildChecks;
using test::lineCount;
using test::runInChild;

// No backend of this name exists, so no device can be opened.
constexpr const char* noDevice = "none-at-all";
constexpr const char* nullDevice = "null";

System* initialisedSystem(ChildChecks& check, int maxChannels = 100)
{
    System* system = nullptr;
    check.expect(System::create(&system) == Result::ok, "create");
    check.expect(system->init(maxChannels, initNormal, nullptr) == Result::ok, "init on the null device");
    return system;
}

ALint sourceInt(const Channel* channel, ALenum what)
{
    ALint value = -1;
    alGetSourcei(channel->source(), what, &value);
    return value;
}

ALint bufferInt(const Sound* sound, ALenum what)
{
    ALint value = -1;
    alGetBufferi(sound->buffer(), what, &value);
    return value;
}

TEST(AudioSystem, WithoutDeviceSaysSoOnceAndEveryLaterCallIsHarmless)
{
    runInChild(noDevice, [](ChildChecks& check) {
        check.expect(System::create(nullptr) == Result::errInvalidParam, "create without an out pointer");
        System* system = nullptr;
        check.expect(System::create(&system) == Result::ok && system != nullptr, "create needs no device");

        testing::internal::CaptureStderr();
        Result init = system->init(100, initNormal, nullptr);
        Result again = system->init(100, initNormal, nullptr);
        Result settings = system->set3DSettings(1.0f, 1.0f, 1.0f);
        Sound* sound = reinterpret_cast<Sound*>(1);
        Result created = system->createSound(test::musicTrackPath(), mode3D, nullptr, &sound);
        Sound* missingSound = reinterpret_cast<Sound*>(1);
        Result missing = system->createSound("no/such/file.mp3", mode3D, nullptr, &missingSound);
        Channel* channel = reinterpret_cast<Channel*>(1);
        Result played = system->playSound(nullptr, nullptr, false, &channel);
        std::string err = testing::internal::GetCapturedStderr();

        check.expect(init == Result::errOutputInit, "init reports the missing output");
        check.expect(lineCount(err) == 1 && err.rfind("orv: no audio device (", 0) == 0 &&
                         err.find("playing without sound") != std::string::npos,
                     "exactly one line on standard error, got: " + err);
        check.expect(again == Result::errOutputInit && settings == Result::errOutputInit, "init and settings after");
        check.expect(created == Result::errOutputInit && sound == nullptr, "createSound after");
        check.expect(missing == Result::errOutputInit && missingSound == nullptr, "a missing file says nothing more");
        check.expect(played == Result::errOutputInit && channel == nullptr, "playSound after");
        check.expect(system->release() == Result::ok, "release");
    });
}

// The machine's own configuration: a device where there is one, otherwise
// the one line, whatever the sound libraries underneath would print.
TEST(AudioSystem, DefaultOutputOpensOrFailsInOneLine)
{
    runInChild(nullptr, [](ChildChecks& check) {
        System* system = nullptr;
        System::create(&system);
        testing::internal::CaptureStderr();
        Result init = system->init(100, initNormal, nullptr);
        std::string err = testing::internal::GetCapturedStderr();
        if (init == Result::ok) {
            check.expect(err.empty(), "nothing on standard error with a device, got: " + err);
        } else {
            check.expect(init == Result::errOutputInit, "no device");
            check.expect(lineCount(err) == 1 && err.rfind("orv: no audio device", 0) == 0,
                         "exactly one line on standard error, got: " + err);
        }
    });
}

TEST(AudioSystem, LoopingThreeDSoundPlaysTheWholeDecodedTrack)
{
    runInChild(nullDevice, [](ChildChecks& check) {
        testing::internal::CaptureStderr();
        System* system = initialisedSystem(check);
        Sound* sound = nullptr;
        check.expect(system->createSound(test::musicTrackPath(), mode3D, nullptr, &sound) == Result::ok, "createSound");
        check.expect(sound->setMode(modeLoopNormal) == Result::ok, "setMode");
        Channel* channel = nullptr;
        check.expect(system->playSound(sound, nullptr, false, &channel) == Result::ok, "playSound");
        check.expect(channel->setPaused(false) == Result::ok, "setPaused");
        std::string err = testing::internal::GetCapturedStderr();
        check.expect(err.empty(), "nothing on standard error, got: " + err);

        check.expect(sourceInt(channel, AL_SOURCE_STATE) == AL_PLAYING, "the source plays");
        check.expect(sourceInt(channel, AL_LOOPING) == AL_TRUE, "the source loops");
        check.expect(sourceInt(channel, AL_SOURCE_RELATIVE) == AL_FALSE, "a 3D source is placed in the world");
        check.expect(sourceInt(channel, AL_BUFFER) == static_cast<ALint>(sound->buffer()), "the sound's buffer");

        // A 3D sound is one channel, so that it can be placed; every decoded
        // frame is in the buffer.
        Pcm decoded = decodeMp3(test::readBytes(test::musicTrackPath()));
        check.expect(bufferInt(sound, AL_FREQUENCY) == decoded.rate, "buffer rate");
        check.expect(bufferInt(sound, AL_CHANNELS) == 1, "3D buffer is mono");
        check.expect(bufferInt(sound, AL_BITS) == 16, "16-bit buffer");
        check.expect(bufferInt(sound, AL_SIZE) == static_cast<ALint>(decoded.frames() * 2), "buffer holds every frame");
        // Left playing on purpose: the process must end with it, quietly.
    },
                "^$");
}

TEST(AudioSystem, TwoDSoundKeepsItsChannelsAndPausesAndResumes)
{
    runInChild(nullDevice, [](ChildChecks& check) {
        System* system = initialisedSystem(check);
        Sound* sound = nullptr;
        check.expect(system->createSound(test::musicTrackPath(), modeDefault, nullptr, &sound) == Result::ok, "create");
        check.expect(bufferInt(sound, AL_CHANNELS) == 2, "2D buffer stays stereo");

        Channel* channel = nullptr;
        check.expect(system->playSound(sound, nullptr, true, &channel) == Result::ok, "playSound paused");
        check.expect(sourceInt(channel, AL_SOURCE_STATE) == AL_INITIAL, "a paused start has not begun");
        check.expect(sourceInt(channel, AL_LOOPING) == AL_FALSE, "the default mode plays once");
        check.expect(sourceInt(channel, AL_SOURCE_RELATIVE) == AL_TRUE, "2D moves with the listener");
        channel->setPaused(false);
        check.expect(sourceInt(channel, AL_SOURCE_STATE) == AL_PLAYING, "unpaused");
        channel->setPaused(true);
        check.expect(sourceInt(channel, AL_SOURCE_STATE) == AL_PAUSED, "paused");
        channel->setPaused(false);
        channel->setPaused(false);
        check.expect(sourceInt(channel, AL_SOURCE_STATE) == AL_PLAYING, "resumed");

        // setMode changes what later channels do, not this one.
        sound->setMode(modeLoopNormal);
        check.expect(sourceInt(channel, AL_LOOPING) == AL_FALSE, "a playing channel keeps its loop setting");
        Channel* second = nullptr;
        system->playSound(sound, nullptr, false, &second);
        check.expect(second != nullptr && sourceInt(second, AL_LOOPING) == AL_TRUE, "a later channel loops");
        check.expect(system->release() == Result::ok, "release stops and frees everything");
    });
}

TEST(AudioSystem, MissingOrBrokenFileIsReportedInOneLineNamingIt)
{
    runInChild(nullDevice, [](ChildChecks& check) {
        System* system = initialisedSystem(check);
        test::ScratchDir scratch;
        struct Case {
            std::string path;
            Result expected;
        };
        const Case cases[] = {
            {(scratch.path() / "missing.mp3").string(), Result::errFileNotFound},
            {scratch.write("garbage.mp3", std::string(5000, '\x5a') + "garbage").string(), Result::errFileBad},
            {scratch.write("empty.mp3", "").string(), Result::errFileBad},
            {scratch.path().string(), Result::errFileNotFound},  // a folder, not a file
        };
        for (const Case& c : cases) {
            testing::internal::CaptureStderr();
            Sound* sound = reinterpret_cast<Sound*>(1);
            Result result = system->createSound(c.path, mode3D, nullptr, &sound);
            std::string err = testing::internal::GetCapturedStderr();
            check.expect(result == c.expected && sound == nullptr, "result for " + c.path);
            check.expect(lineCount(err) == 1 && err.find("\"" + c.path + "\"") != std::string::npos,
                         "one line naming " + c.path + ", got: " + err);
        }
        Sound* sound = nullptr;
        check.expect(system->createSound(test::musicTrackPath(), mode3D, nullptr, &sound) == Result::ok,
                     "the system still works afterwards");
    });
}

TEST(AudioSystem, RejectsInvalidArgumentsAndOrder)
{
    runInChild(nullDevice, [](ChildChecks& check) {
        System* system = nullptr;
        System::create(&system);
        Sound* sound = nullptr;
        Channel* channel = nullptr;
        check.expect(system->createSound(test::musicTrackPath(), mode3D, nullptr, &sound) == Result::errUninitialized,
                     "createSound before init");
        check.expect(system->init(0, initNormal, nullptr) == Result::errInvalidParam, "no channels");
        check.expect(system->init(4096, initNormal, nullptr) == Result::errInvalidParam, "too many channels");
        check.expect(system->init(100, 0x4, nullptr) == Result::errInvalidParam, "unknown init flag");
        check.expect(system->init(100, initNormal, nullptr) == Result::ok, "init");
        check.expect(system->init(100, initNormal, nullptr) == Result::errInitialized, "init twice");

        check.expect(system->set3DSettings(-1.0f, 1.0f, 100.0f) == Result::errInvalidParam, "negative doppler");
        check.expect(system->set3DSettings(1.0f, 0.0f, 1.0f) == Result::errInvalidParam, "zero distance factor");
        check.expect(system->set3DSettings(1.0f, 1.0f, -1.0f) == Result::errInvalidParam, "negative roll-off");
        ALfloat doppler = alGetFloat(AL_DOPPLER_FACTOR);
        check.expect(doppler == 1.0f, "an invalid setting changes nothing");
        check.expect(system->set3DSettings(0.5f, 2.0f, 100.0f) == Result::ok, "valid settings");
        check.expect(alGetFloat(AL_DOPPLER_FACTOR) == 0.5f, "doppler applied");

        int extra = 0;
        check.expect(system->createSound(test::musicTrackPath(), mode3D, &extra, &sound) == Result::errInvalidParam,
                     "extended info");
        check.expect(system->createSound(test::musicTrackPath(), modeLoopOff | modeLoopNormal, nullptr, &sound) ==
                         Result::errInvalidParam,
                     "two loop modes");
        check.expect(system->createSound(test::musicTrackPath(), mode2D | mode3D, nullptr, &sound) ==
                         Result::errInvalidParam,
                     "2D and 3D");
        check.expect(system->createSound(test::musicTrackPath(), mode3D, nullptr, &sound) == Result::ok, "create");
        check.expect(sound->setMode(mode2D) == Result::errInvalidParam, "a 3D sound cannot become 2D");
        check.expect(sound->setMode(0x100) == Result::errInvalidParam, "unknown mode bit");
        check.expect(sound->setMode(modeLoopNormal | mode3D) == Result::ok && sound->loops(), "loop");

        check.expect(system->playSound(nullptr, nullptr, false, &channel) == Result::errInvalidHandle, "no sound");
        check.expect(channel == nullptr, "no channel for no sound");
        check.expect(system->playSound(sound, nullptr, false, &channel) == Result::ok, "play");
        check.expect(sourceInt(channel, AL_ROLLOFF_FACTOR) == 100, "roll-off scale on the channel");
    });
}

TEST(AudioSystem, MaxChannelsLimitsPlayingChannels)
{
    runInChild(nullDevice, [](ChildChecks& check) {
        System* system = initialisedSystem(check, 2);
        Sound* sound = nullptr;
        system->createSound(test::musicTrackPath(), mode3D, nullptr, &sound);
        Channel* channels[3] = {};
        check.expect(system->playSound(sound, nullptr, false, &channels[0]) == Result::ok, "first");
        check.expect(system->playSound(sound, nullptr, false, &channels[1]) == Result::ok, "second");
        check.expect(system->playSound(sound, nullptr, false, &channels[2]) == Result::errChannelAlloc, "third");
        check.expect(channels[2] == nullptr, "no third channel");
    });
}

}  // namespace
}  // namespace orv::audio
