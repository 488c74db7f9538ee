#include "control/Preparation.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iomanip>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

/// The tool in a process group of its own, its standard output and error read through pipes.
class PrepareProcess : public Preparation {
public:
    PrepareProcess(pid_t pid, int out, int err, std::string model)
        : pid_(pid), out_(out), err_(err), model_(std::move(model)) {}
    ~PrepareProcess() override {
        cancel();
        close(out_);
        close(err_);
    }

    bool running(PrepareProgress& progress) override {
        drain(out_, outText_);
        drain(err_, errText_);
        takeProgress(progress);
        if (ended_) {
            return false;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) != pid_) {
            return true;
        }
        ended_ = true;
        status_ = status;
        // What the tool wrote just before it ended.
        drain(out_, outText_);
        drain(err_, errText_);
        takeProgress(progress);
        return false;
    }

    void cancel() override {
        if (ended_) {
            return;
        }
        // The whole group: the tool reads a model once in a child of its own first.
        kill(-pid_, SIGKILL);
        waitpid(pid_, &status_, 0);
        ended_ = true;
        cancelled_ = true;
    }

    std::string failure() const override {
        if (cancelled_) {
            return model_ + ": the preparation was cancelled";
        }
        if (WIFEXITED(status_) && WEXITSTATUS(status_) == 0) {
            return "";
        }
        const std::string said = lastLine(errText_);
        if (!said.empty()) {
            return said;
        }
        if (WIFSIGNALED(status_)) {
            return model_ + ": the preparation ended with signal " +
                   std::to_string(WTERMSIG(status_));
        }
        return model_ + ": the preparation ended with status " +
               std::to_string(WEXITSTATUS(status_));
    }

private:
    static void drain(int fd, std::string& text) {
        char buffer[4096];
        for (;;) {
            const ssize_t got = read(fd, buffer, sizeof buffer);
            if (got <= 0) {
                return;
            }
            text.append(buffer, static_cast<size_t>(got));
        }
    }

    static std::string lastLine(const std::string& text) {
        size_t end = text.find_last_not_of("\n");
        if (end == std::string::npos) {
            return "";
        }
        const size_t start = text.rfind('\n', end);
        return text.substr(start == std::string::npos ? 0 : start + 1,
                           end - (start == std::string::npos ? 0 : start + 1) + 1);
    }

    // Lines "progress PERCENT STAGE"; the tool's other lines report what it did.
    void takeProgress(PrepareProgress& progress) {
        size_t newline;
        while ((newline = outText_.find('\n')) != std::string::npos) {
            const std::string line = outText_.substr(0, newline);
            outText_.erase(0, newline + 1);
            if (line.compare(0, 9, "progress ") != 0) {
                continue;
            }
            char* end = nullptr;
            const long percent = std::strtol(line.c_str() + 9, &end, 10);
            if (end == line.c_str() + 9 || percent < 0 || percent > 100) {
                continue;
            }
            progress.percent = static_cast<int>(percent);
            progress.stage = *end == ' ' ? std::string(end + 1) : std::string();
        }
    }

    pid_t pid_;
    int out_;
    int err_;
    std::string model_;
    std::string outText_;
    std::string errText_;
    bool ended_ = false;
    bool cancelled_ = false;
    int status_ = 0;
};

} // namespace

std::string noPrepareTool(const std::string& model) {
    return model + ": is no body file, and plimmerton-prepare, which makes bodies of models, is "
                   "neither beside the program nor on PATH";
}

PreparedPlace placePreparedBody(const std::string& model, const PreparedBodyKey& key) {
    PreparedPlace place;
    if (key.key.empty()) {
        place.problem = key.problem;
        return place;
    }
    const std::string folder = preparedCacheFolder();
    const std::string body = preparedBodyPath(folder, key.key);
    std::error_code error;
    if (std::filesystem::is_regular_file(body, error)) {
        place.bodyPath = body;
        place.prepared = true;
        return place;
    }
    std::filesystem::create_directories(folder, error);
    if (error) {
        place.problem = model + ": cannot keep its body in " + folder + ": " + error.message();
        return place;
    }
    place.bodyPath = body;
    return place;
}

std::string progressBar(const PrepareProgress& progress) {
    const int width = 20;
    const int filled = progress.percent * width / 100;
    std::ostringstream bar;
    bar << "[" << std::string(static_cast<size_t>(filled), '#')
        << std::string(static_cast<size_t>(width - filled), '.') << "] " << std::setw(3)
        << progress.percent << "%";
    if (!progress.stage.empty()) {
        bar << "  " << progress.stage;
    }
    return bar.str();
}

std::vector<std::string> pressureOptions(float pressure) {
    if (!(pressure > 0.0f)) {
        return {};
    }
    char value[32];
    std::snprintf(value, sizeof value, "%g", static_cast<double>(pressure));
    return {"--pressure", value};
}

std::unique_ptr<Preparation> startPrepareTool(const std::string& tool, const std::string& model,
                                              const std::string& body,
                                              const std::vector<std::string>& options,
                                              std::string& problem) {
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC | O_NONBLOCK) != 0) {
        problem = model + ": cannot start the preparation: " + std::strerror(errno);
        return nullptr;
    }
    if (pipe2(err, O_CLOEXEC | O_NONBLOCK) != 0) {
        problem = model + ": cannot start the preparation: " + std::strerror(errno);
        close(out[0]);
        close(out[1]);
        return nullptr;
    }
    // Everything the child needs is made before the fork: between fork and exec a process of
    // several threads may only make system calls.
    std::vector<std::string> words = {tool, model, body};
    words.insert(words.end(), options.begin(), options.end());
    words.push_back("--progress");
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        // A program that ends at once (key Q) takes its preparation with it.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        // The window's ticks and frames come first; the preparation takes what they leave.
        setpriority(PRIO_PROCESS, 0, 10);
        if (getppid() != parent) {
            _exit(127);
        }
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    if (pid < 0) {
        problem = model + ": cannot start the preparation: " + std::strerror(errno);
        close(out[0]);
        close(err[0]);
        return nullptr;
    }
    // Also from here, so that a cancel right away finds the group whichever process ran first.
    setpgid(pid, pid);
    return std::make_unique<PrepareProcess>(pid, out[0], err[0], model);
}
