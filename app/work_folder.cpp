#include "app/work_folder.h"

#include "base/cp932.h"

#include <algorithm>
#include <cerrno>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorpex {
namespace {

bool isAbsolute(const char* path) {
    return path != nullptr && path[0] == '/';
}

} // namespace

bool takeFromMenuArgument(std::vector<std::string>& args) {
    auto end = std::remove(args.begin(), args.end(), std::string(kFromMenuArgument));
    bool found = end != args.end();
    args.erase(end, args.end());
    return found;
}

std::string menuWorkFolder(const char* xdgDataHome, const char* home) {
    if (isAbsolute(xdgDataHome)) {
        return std::string(xdgDataHome) + "/sorpex";
    }
    if (isAbsolute(home)) {
        return std::string(home) + "/.local/share/sorpex";
    }
    return {};
}

std::string homeFolder() {
    const char* home = getenv("HOME");
    if (isAbsolute(home)) {
        return home;
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        isAbsolute(found->pw_dir)) {
        return found->pw_dir;
    }
    return {};
}

int enterWorkFolder(const std::string& folder) {
    if (folder.empty() || folder[0] != '/') {
        return ENOENT;
    }
    // Each missing level is made in turn; one that exists (a directory or a link to one) is kept.
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        std::string level = folder.substr(0, slash);
        if (mkdir(level.c_str(), 0700) != 0 && errno != EEXIST) {
            return errno;
        }
        if (slash == std::string::npos) {
            break;
        }
    }
    return chdir(folder.c_str()) == 0 ? 0 : errno;
}

std::string workFolderMessage(const std::string& folder, int error) {
    return cp932::fromUtf8("作業フォルダを作成できません。\n" + folder + "\nError Code = " + std::to_string(error));
}

} // namespace sorpex
