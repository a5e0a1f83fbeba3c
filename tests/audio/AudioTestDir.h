#pragma once
// A private folder per test, which is also $HOME: ALSA reads the test's own
// ~/.asoundrc from it, and recordings land in it.

#include <cstdlib>
#include <filesystem>
#include <string>

class AudioTestDir {
public:
    AudioTestDir()
    {
        char pattern[] = "/tmp/tunzo-audio-XXXXXX";
        path_ = mkdtemp(pattern);
        setenv("HOME", path_.c_str(), 1);
        unsetenv("XDG_MUSIC_DIR");
        unsetenv("XDG_CONFIG_HOME");
    }
    ~AudioTestDir() { std::filesystem::remove_all(path_); }
    AudioTestDir(const AudioTestDir&) = delete;
    AudioTestDir& operator=(const AudioTestDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};
