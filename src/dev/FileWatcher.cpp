#include "dev/FileWatcher.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>

namespace orv::dev {

namespace {

// Written and closed, or renamed into place; a new folder is watched too.
constexpr std::uint32_t watchedEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE;

}  // namespace

FileWatcher::FileWatcher(std::filesystem::path root, std::chrono::milliseconds quiet)
    : root_(std::move(root)), quiet_(quiet)
{
    descriptor_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (descriptor_ < 0) {
        std::cerr << "orv --dev: cannot watch " << root_.string() << " for changes: " << std::strerror(errno)
                  << std::endl;
        return;
    }
    watch(root_);
    std::error_code error;
    // Symbolic links are followed: a demo may link its assets from elsewhere.
    for (std::filesystem::recursive_directory_iterator it(
             root_, std::filesystem::directory_options::follow_directory_symlink, error),
         end;
         it != end; it.increment(error)) {
        if (error)
            break;
        if (it->is_directory(error))
            watch(it->path());
    }
}

FileWatcher::~FileWatcher()
{
    if (descriptor_ >= 0)
        close(descriptor_);
}

void FileWatcher::watch(const std::filesystem::path& folder)
{
    const int handle = inotify_add_watch(descriptor_, folder.c_str(), watchedEvents);
    if (handle >= 0)
        folders_[handle] = folder.lexically_relative(root_);
}

void FileWatcher::add(const std::string& file, Clock::time_point now)
{
    lastEvent_ = now;
    if (std::find(pending_.begin(), pending_.end(), file) == pending_.end())
        pending_.push_back(file);
}

void FileWatcher::watchNew(const std::filesystem::path& folder, Clock::time_point now)
{
    // What was written into the folder before its watch existed is news too,
    // and so are folders made inside it meanwhile.
    watch(root_ / folder);
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(root_ / folder, error)) {
        const std::filesystem::path relative = folder / entry.path().filename();
        if (entry.is_directory(error))
            watchNew(relative, now);
        else
            add(relative.string(), now);
    }
}

void FileWatcher::drain(Clock::time_point now)
{
    alignas(inotify_event) char buffer[8192];
    for (;;) {
        const ssize_t length = read(descriptor_, buffer, sizeof(buffer));
        if (length <= 0)
            return;
        for (ssize_t offset = 0; offset < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            const auto folder = folders_.find(event->wd);
            if (folder == folders_.end() || event->len == 0)
                continue;
            const std::filesystem::path relative = (folder->second / event->name).lexically_normal();
            if (event->mask & IN_ISDIR) {
                if (event->mask & (IN_CREATE | IN_MOVED_TO))
                    watchNew(relative, now);
                continue;
            }
            // A created file is announced again when it is closed after writing.
            if (event->mask & IN_CREATE)
                continue;
            add(relative.string(), now);
        }
    }
}

std::vector<std::string> FileWatcher::poll(Clock::time_point now)
{
    if (descriptor_ < 0)
        return {};
    drain(now);
    if (pending_.empty() || now - lastEvent_ < quiet_)
        return {};
    return take();
}

std::vector<std::string> FileWatcher::settle()
{
    if (descriptor_ < 0)
        return {};
    drain(Clock::now());
    while (!pending_.empty()) {
        pollfd ready{descriptor_, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(quiet_.count())) <= 0)
            break;  // quiet for a whole while (or the wait failed: take what there is)
        drain(Clock::now());
    }
    return take();
}

std::vector<std::string> FileWatcher::take()
{
    std::vector<std::string> settled;
    settled.swap(pending_);
    std::sort(settled.begin(), settled.end());
    return settled;
}

}  // namespace orv::dev
