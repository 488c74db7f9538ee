#include "common/UserFolders.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

/// What `xdg-user-dir KIND` prints, run without a shell (which would complain on standard
/// error of a working directory that is gone) and with its own complaints dropped; false when
/// it cannot be run or fails.
bool askXdgUserDir(const char* kind, std::string& answer) {
    int out[2];
    if (pipe(out) != 0) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char command[] = "xdg-user-dir";
    std::string kindText = kind;
    char* arguments[] = {command, kindText.data(), nullptr};
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, command, &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    char buffer[512];
    ssize_t count = 0;
    while (spawned == 0 && (count = read(out[0], buffer, sizeof buffer)) > 0) {
        answer.append(buffer, static_cast<size_t>(count));
    }
    close(out[0]);
    int status = 1;
    if (spawned == 0 && waitpid(child, &status, 0) != child) {
        status = 1;
    }
    return spawned == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool isFolder(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_directory(path, error);
}

/// The path from the root, so that the name printed finds the file from anywhere; as it is when
/// the working directory it is relative to cannot be named (it was removed).
std::string absolutePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error) {
        return path;
    }
    std::string normal = absolute.lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/') {
        normal.pop_back();
    }
    return normal;
}

} // namespace

std::string userFolder(const char* kind) {
    std::string answer;
    const bool answered = askXdgUserDir(kind, answer);
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '/')) {
        answer.pop_back();
    }
    if (answered && isFolder(answer)) {
        return absolutePath(answer);
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && isFolder(home)) {
        return absolutePath(home);
    }
    return absolutePath(".");
}

std::string claimNewFile(const std::string& folder, const std::string& extension,
                         std::string& problem) {
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::localtime(&now));
    for (int attempt = 1;; ++attempt) {
        std::string path = folder == "."          ? std::string()
                           : folder.back() == '/' ? folder
                                                  : folder + "/";
        path += std::string("plimmerton-") + stamp;
        if (attempt > 1) {
            path += "-" + std::to_string(attempt);
        }
        path += extension;
        const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (file >= 0) {
            close(file);
            return path;
        }
        if (errno != EEXIST) {
            problem = "cannot write `" + path + "': " + std::strerror(errno);
            return "";
        }
    }
}
