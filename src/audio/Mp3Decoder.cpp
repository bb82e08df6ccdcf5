#include "audio/Mp3Decoder.h"

#include <memory>
#include <stdexcept>
#include <string>

#include <mpg123.h>

namespace orv::audio {

namespace {

using Handle = std::unique_ptr<mpg123_handle, decltype(&mpg123_delete)>;

Handle openDecoder()
{
    int error = MPG123_OK;
    Handle handle(mpg123_new(nullptr, &error), &mpg123_delete);
    if (!handle) {
        throw std::runtime_error(std::string("cannot start the MP3 decoder: ") + mpg123_plain_strerror(error));
    }
    // Quiet: a broken file is reported once by the caller, not frame by frame.
    mpg123_param(handle.get(), MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);

    // Whatever the rate and channel count, always 16-bit signed samples.
    mpg123_format_none(handle.get());
    const long* rates = nullptr;
    std::size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (std::size_t i = 0; i < rateCount; ++i) {
        mpg123_format(handle.get(), rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    }
    return handle;
}

std::string decoderError(mpg123_handle* handle) { return std::string("MP3 decoding failed: ") + mpg123_strerror(handle); }

}  // namespace

Pcm decodeMp3(const std::vector<unsigned char>& data)
{
    Handle handle = openDecoder();
    mpg123_handle* decoder = handle.get();
    if (mpg123_open_feed(decoder) != MPG123_OK || mpg123_feed(decoder, data.data(), data.size()) != MPG123_OK) {
        throw std::runtime_error(decoderError(decoder));
    }

    Pcm pcm;
    std::vector<unsigned char> chunk(64 * 1024);
    for (;;) {
        std::size_t bytes = 0;
        int status = mpg123_read(decoder, chunk.data(), chunk.size(), &bytes);
        if (status == MPG123_NEW_FORMAT) {
            long rate = 0;
            int channels = 0;
            int encoding = 0;
            mpg123_getformat(decoder, &rate, &channels, &encoding);
            if (pcm.channels != 0 && (rate != pcm.rate || channels != pcm.channels)) {
                throw std::runtime_error("the sample rate or channel count changes inside the stream");
            }
            pcm.rate = static_cast<int>(rate);
            pcm.channels = channels;
        }
        const auto* samples = reinterpret_cast<const std::int16_t*>(chunk.data());
        pcm.samples.insert(pcm.samples.end(), samples, samples + bytes / sizeof(std::int16_t));
        if (status == MPG123_NEED_MORE || status == MPG123_DONE) {
            break;  // all of the data has been fed, so this is its end
        }
        if (status != MPG123_OK && status != MPG123_NEW_FORMAT) {
            throw std::runtime_error(decoderError(decoder));
        }
    }
    if (pcm.channels == 0 || pcm.frames() == 0) {
        throw std::runtime_error("no MP3 audio found");
    }
    pcm.samples.resize(pcm.frames() * pcm.channels);
    return pcm;
}

Pcm downmixToMono(const Pcm& pcm)
{
    if (pcm.channels == 1) {
        return pcm;
    }
    Pcm mono;
    mono.rate = pcm.rate;
    mono.channels = 1;
    mono.samples.reserve(pcm.frames());
    for (std::size_t frame = 0; frame < pcm.frames(); ++frame) {
        int sum = 0;
        for (int channel = 0; channel < pcm.channels; ++channel) {
            sum += pcm.samples[frame * pcm.channels + channel];
        }
        mono.samples.push_back(static_cast<std::int16_t>(sum / pcm.channels));
    }
    return mono;
}

}  // namespace orv::audio
