#include "gl/ProgramBinaryCache.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

#include <unistd.h>

#include "scene/GLErrors.h"

namespace orv::gl {

namespace {

// Bumped whenever the layout below changes: older files then no longer match.
constexpr char magic[8] = {'o', 'r', 'v', 'p', 'r', 'g', '0', '1'};

// Far above any real program; a length beyond it is a corrupt file.
constexpr std::uint64_t largest = std::uint64_t{1} << 28;

std::uint64_t fnv1a(const std::string& text)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const unsigned char c : text) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    return hash;
}

std::string glString(GLenum name)
{
    const auto* text = reinterpret_cast<const char*>(glGetString(name));
    return text != nullptr ? text : "";
}

template <typename T>
void put(std::string& out, T value)
{
    out.append(reinterpret_cast<const char*>(&value), sizeof(value));
}

template <typename T>
bool take(const std::string& in, std::size_t& at, T& value)
{
    if (in.size() - at < sizeof(value))
        return false;
    std::memcpy(&value, in.data() + at, sizeof(value));
    at += sizeof(value);
    return true;
}

void drainGLErrors()
{
    while (glGetError() != GL_NO_ERROR) {
    }
}

}  // namespace

ProgramBinaryCache::ProgramBinaryCache(std::filesystem::path folder) : folder_(std::move(folder)) {}

std::optional<std::filesystem::path> ProgramBinaryCache::defaultFolder()
{
    if (const char* off = std::getenv("ORV_PROGRAM_CACHE"); off != nullptr && std::strcmp(off, "0") == 0)
        return std::nullopt;
    // A relative XDG_CACHE_HOME is not a place to trust: it would move with the working folder.
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg != nullptr && xdg[0] == '/')
        return std::filesystem::path(xdg) / "orv";
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0')
        return std::filesystem::path(home) / ".cache" / "orv";
    return std::nullopt;
}

void ProgramBinaryCache::queryDriver()
{
    if (queried_)
        return;
    queried_ = true;
    driver_ = glString(GL_VENDOR) + "\n" + glString(GL_RENDERER) + "\n" + glString(GL_VERSION) + "\n";
    GLint count = 0;
    glGetIntegerv(GL_NUM_PROGRAM_BINARY_FORMATS, &count);
    if (count > 0) {
        formats_.resize(static_cast<std::size_t>(count));
        glGetIntegerv(GL_PROGRAM_BINARY_FORMATS, formats_.data());
    }
}

bool ProgramBinaryCache::supported()
{
    queryDriver();
    return !formats_.empty();
}

std::string ProgramBinaryCache::keyOf(const Sources& sources)
{
    queryDriver();
    std::string key = driver_;
    for (const auto& [stage, source] : sources.stages)
        key += "stage " + std::to_string(stage) + " " + std::to_string(source->size()) + "\n" + *source + "\n";
    if (sources.varyings != nullptr) {
        for (const std::string& varying : *sources.varyings)
            key += "varying " + varying + "\n";
    }
    return key;
}

std::filesystem::path ProgramBinaryCache::fileOf(const std::string& key) const
{
    char name[32];
    std::snprintf(name, sizeof(name), "%016llx.bin", static_cast<unsigned long long>(fnv1a(key)));
    return folder_ / name;
}

bool ProgramBinaryCache::load(const std::string& key, GLuint program)
{
    ++lookups_;
    if (!supported())
        return false;
    std::ifstream in(fileOf(key), std::ios::binary);
    if (!in)
        return false;
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    std::size_t at = sizeof(magic);
    std::uint64_t keyLength = 0;
    std::uint32_t format = 0;
    std::uint64_t binaryLength = 0;
    if (file.size() < sizeof(magic) || std::memcmp(file.data(), magic, sizeof(magic)) != 0 ||
        !take(file, at, keyLength) || keyLength > largest || file.size() - at < keyLength ||
        file.compare(at, keyLength, key) != 0)
        return false;
    at += keyLength;
    if (!take(file, at, format) || !take(file, at, binaryLength) || binaryLength > largest ||
        file.size() - at != binaryLength)
        return false;
    // A format this driver does not list is an error in GL; never ask.
    if (std::find(formats_.begin(), formats_.end(), static_cast<GLint>(format)) == formats_.end())
        return false;

    // Errors of earlier calls are theirs and reported as such; what the
    // driver says about a binary it refuses is only a cache miss.
    scene::reportGLErrors();
    glProgramBinary(program, format, file.data() + at, static_cast<GLsizei>(binaryLength));
    drainGLErrors();
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    drainGLErrors();
    if (linked != GL_TRUE)
        return false;
    ++hits_;
    return true;
}

void ProgramBinaryCache::store(const std::string& key, GLuint program)
{
    if (!supported())
        return;
    GLint length = 0;
    glGetProgramiv(program, GL_PROGRAM_BINARY_LENGTH, &length);
    if (length <= 0)
        return;
    std::string binary(static_cast<std::size_t>(length), '\0');
    GLenum format = 0;
    GLsizei written = 0;
    glGetProgramBinary(program, length, &written, &format, binary.data());
    if (glGetError() != GL_NO_ERROR || written <= 0)
        return;
    binary.resize(static_cast<std::size_t>(written));

    std::string file(magic, sizeof(magic));
    put(file, static_cast<std::uint64_t>(key.size()));
    file += key;
    put(file, static_cast<std::uint32_t>(format));
    put(file, static_cast<std::uint64_t>(binary.size()));
    file += binary;

    // Written aside and renamed into place, so a run that reads the file
    // meanwhile (or one killed while writing) never sees half of it.
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    if (error)
        return;
    const std::filesystem::path target = fileOf(key);
    std::filesystem::path aside = target;
    aside += ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(aside, std::ios::binary | std::ios::trunc);
        out.write(file.data(), static_cast<std::streamsize>(file.size()));
        if (!out) {
            out.close();
            std::filesystem::remove(aside, error);
            return;
        }
    }
    std::filesystem::rename(aside, target, error);
    if (error)
        std::filesystem::remove(aside, error);
}

}  // namespace orv::gl
