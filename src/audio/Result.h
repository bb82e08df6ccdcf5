#pragma once

namespace orv::audio {

// What every call of the audio layer reports. The player looks only at
// System::create's result; the rest tell tests and callers what happened.
enum class Result {
    ok,
    errInvalidParam,     // an argument outside what the call accepts
    errInvalidHandle,    // a null sound or channel
    errInitialized,      // init called a second time
    errUninitialized,    // the call needs init first
    errOutputInit,       // no audio device: the system stays silent
    errFileNotFound,     // the sound file cannot be opened or read
    errFileBad,          // the file holds no decodable audio
    errOutput,           // the audio output refused a buffer or a source setting
    errChannelAlloc,     // no more channels (maxchannels reached)
};

}  // namespace orv::audio
