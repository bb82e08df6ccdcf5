#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

namespace orv::dev {

// Watches a folder and every folder below it (the kernel's inotify) for
// files that were written or moved into place, and hands them over once
// nothing more happened for a quiet while: an editor's save (a temporary
// file renamed over the old one, a backup made and removed) is one batch.
class FileWatcher {
public:
    using Clock = std::chrono::steady_clock;

    FileWatcher(std::filesystem::path root, std::chrono::milliseconds quiet);
    ~FileWatcher();

    FileWatcher(const FileWatcher&) = delete;
    FileWatcher& operator=(const FileWatcher&) = delete;

    // False when inotify could not be set up (the reason went to standard error).
    bool isWatching() const { return descriptor_ >= 0; }

    // Takes the events that arrived (never waits) and, once the folder has
    // been quiet since the last of them for the quiet while, returns the
    // files they touched, relative to the root, each once; otherwise nothing.
    std::vector<std::string> poll(Clock::time_point now);
    // The same, but when something has arrived it waits (at most a quiet
    // while after each event) for the folder to settle instead of handing
    // the batch to a later call: a frame loop polling once a slow frame
    // would otherwise add a whole frame to every reload.
    std::vector<std::string> settle();

private:
    void watch(const std::filesystem::path& folder);
    void watchNew(const std::filesystem::path& folder, Clock::time_point now);
    void add(const std::string& file, Clock::time_point now);
    void drain(Clock::time_point now);
    std::vector<std::string> take();

    std::filesystem::path root_;
    std::chrono::milliseconds quiet_;
    int descriptor_ = -1;
    std::unordered_map<int, std::filesystem::path> folders_;
    std::vector<std::string> pending_;
    Clock::time_point lastEvent_;
};

}  // namespace orv::dev
