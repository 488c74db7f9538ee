#include "common/UserFolders.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

std::string userFolder(const char* kind) {
    const std::string command = std::string("xdg-user-dir ") + kind + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return ".";
    }
    std::string answer;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        answer += buffer;
    }
    const int status = pclose(pipe);
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '/')) {
        answer.pop_back();
    }
    const char* home = std::getenv("HOME");
    std::error_code error;
    if (status != 0 || answer.empty() || (home != nullptr && answer == home) ||
        !std::filesystem::is_directory(answer, error)) {
        return ".";
    }
    return answer;
}

std::string claimNewFile(const std::string& folder, const std::string& extension,
                         std::string& problem) {
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::localtime(&now));
    for (int attempt = 1;; ++attempt) {
        std::string path = (folder == "." ? "" : folder + "/") + "plimmerton-" + stamp;
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
