#pragma once

// Stands in for getrandom, fsync and rename in the test program that includes it (in one file
// only): the code under test, linked statically, calls these. Each call goes on to the C
// library's, except that getrandom gives zero bytes while forcedZeroRandoms is above 0 (the
// next temporary name is then known beforehand), and fsync and rename are logged as
// "fsync NAME" and "rename NAME", NAME the file's name without its folder.

#include <algorithm>
#include <dlfcn.h>
#include <filesystem>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace file_call_spy {

inline std::mutex mutex;
inline std::vector<std::string> calls;
inline int forcedZeroRandoms = 0;

inline void log(const std::string& what, const std::string& path) {
    std::lock_guard lock(mutex);
    calls.push_back(what + " " + std::filesystem::path(path).filename().string());
}

inline std::vector<std::string> take() {
    std::lock_guard lock(mutex);
    return std::exchange(calls, {});
}

template <typename Function> Function next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

} // namespace file_call_spy

extern "C" ssize_t getrandom(void* buffer, size_t length, unsigned int flags) {
    {
        std::lock_guard lock(file_call_spy::mutex);
        if (file_call_spy::forcedZeroRandoms > 0) {
            --file_call_spy::forcedZeroRandoms;
            std::fill_n(static_cast<char*>(buffer), length, 0);
            return static_cast<ssize_t>(length);
        }
    }
    return file_call_spy::next<ssize_t (*)(void*, size_t, unsigned int)>("getrandom")(buffer, length, flags);
}

extern "C" int fsync(int fd) {
    char path[4096] = {};
    if (readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path - 1) > 0) {
        file_call_spy::log("fsync", path);
    }
    return file_call_spy::next<int (*)(int)>("fsync")(fd);
}

extern "C" int rename(const char* from, const char* to) noexcept {
    file_call_spy::log("rename", from);
    return file_call_spy::next<int (*)(const char*, const char*)>("rename")(from, to);
}
