#include "common/PreparedBodies.h"

#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using DigestContext = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

std::string hex(const unsigned char* bytes, unsigned size) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned k = 0; k < size; ++k) {
        text.push_back(digits[bytes[k] >> 4]);
        text.push_back(digits[bytes[k] & 15]);
    }
    return text;
}

std::string finish(EVP_MD_CTX* context) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned size = 0;
    EVP_DigestFinal_ex(context, digest, &size);
    return hex(digest, size);
}

DigestContext newDigest() {
    DigestContext context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr);
    return context;
}

/// The SHA-256 of the file's bytes in hexadecimal; empty when it cannot be read, with
/// `problem` saying why.
std::string fileDigest(const std::string& path, std::string& problem) {
    std::unique_ptr<FILE, decltype(&std::fclose)> file(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
    if (file == nullptr) {
        problem = path + ": cannot be read (" + std::strerror(errno) + ")";
        return std::string();
    }
    struct stat status {};
    if (fstat(fileno(file.get()), &status) == 0 && S_ISDIR(status.st_mode)) {
        problem = path + ": cannot be read (" + std::strerror(EISDIR) + ")";
        return std::string();
    }
    const DigestContext context = newDigest();
    std::array<char, 1 << 16> buffer{};
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), file.get())) > 0) {
        EVP_DigestUpdate(context.get(), buffer.data(), got);
    }
    if (std::ferror(file.get())) {
        problem = path + ": cannot be read (" + std::strerror(errno) + ")";
        return std::string();
    }
    return finish(context.get());
}

bool isFile(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

bool isExecutableFile(const std::string& path) {
    return isFile(path) && access(path.c_str(), X_OK) == 0;
}

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') {
        return home;
    }
    const passwd* user = getpwuid(getuid());
    return user != nullptr && user->pw_dir != nullptr ? user->pw_dir : "";
}

/// The key of a model whose digest is `model`.
PreparedBodyKey keyOf(const std::string& model, const std::vector<std::string>& options,
                      const std::string& toolPath) {
    PreparedBodyKey result;
    const std::string tool = fileDigest(toolPath, result.problem);
    if (tool.empty()) {
        return result;
    }
    std::string text = model + "  -\n";
    for (const std::string& option : options) {
        text += option + "\n";
    }
    if (options.empty()) {
        text += "\n";
    }
    text += tool + "  -\n";
    const DigestContext context = newDigest();
    EVP_DigestUpdate(context.get(), text.data(), text.size());
    result.key = finish(context.get()).substr(0, 32);
    return result;
}

} // namespace

std::string preparedCacheFolder() {
    const char* chosen = std::getenv("PLIMMERTON_PREPARED");
    if (chosen != nullptr && *chosen != '\0') {
        return chosen;
    }
    // A relative cache folder would depend on where the program was started; the base
    // directory conventions say to ignore it.
    const char* cacheHome = std::getenv("XDG_CACHE_HOME");
    if (cacheHome != nullptr && cacheHome[0] == '/') {
        return std::string(cacheHome) + "/plimmerton";
    }
    return homeFolder() + "/.cache/plimmerton";
}

PreparedBodyKey preparedBodyKey(const std::string& modelPath,
                                const std::vector<std::string>& options,
                                const std::string& toolPath) {
    PreparedBodyKey result;
    const std::string model = fileDigest(modelPath, result.problem);
    if (model.empty()) {
        return result;
    }
    return keyOf(model, options, toolPath);
}

PreparedBodyKey preparedBodyKeyOfBytes(const std::string& modelBytes,
                                       const std::vector<std::string>& options,
                                       const std::string& toolPath,
                                       const std::atomic<bool>& cancelled) {
    const std::size_t piece = std::size_t(1) << 20;
    const DigestContext context = newDigest();
    for (std::size_t done = 0; done < modelBytes.size(); done += piece) {
        if (cancelled.load(std::memory_order_relaxed)) {
            return PreparedBodyKey{};
        }
        EVP_DigestUpdate(context.get(), modelBytes.data() + done,
                         std::min(piece, modelBytes.size() - done));
    }
    return keyOf(finish(context.get()), options, toolPath);
}

std::string preparedBodyPath(const std::string& folder, const std::string& key) {
    return folder + "/" + key + ".toff";
}

const std::vector<std::string>& bodyPictureExtensions() {
    static const std::vector<std::string> extensions = {"png", "jpg", "tga"};
    return extensions;
}

std::string bodyPicturePath(const std::string& bodyPath, const std::string& extension) {
    return bodyPath + "." + extension;
}

std::string findBodyPicture(const std::string& bodyPath) {
    for (const std::string& extension : bodyPictureExtensions()) {
        const std::string path = bodyPicturePath(bodyPath, extension);
        if (isFile(path)) {
            return path;
        }
    }
    return std::string();
}

std::string findPrepareTool() {
    std::array<char, 4096> self{};
    const ssize_t length = readlink("/proc/self/exe", self.data(), self.size() - 1);
    const std::string program(self.data(), length > 0 ? static_cast<std::size_t>(length) : 0);
    const std::size_t slash = program.rfind('/');
    const char* path = std::getenv("PATH");
    return findProgram("plimmerton-prepare",
                       slash == std::string::npos ? "" : program.substr(0, slash),
                       path != nullptr ? path : "");
}

std::string findProgram(const std::string& name, const std::string& folder,
                        const std::string& searchPath) {
    if (!folder.empty() && isExecutableFile(folder + "/" + name)) {
        return folder + "/" + name;
    }
    std::istringstream folders(searchPath);
    std::string entry;
    while (std::getline(folders, entry, ':')) {
        const std::string candidate = (entry.empty() ? "." : entry) + "/" + name;
        if (isExecutableFile(candidate)) {
            return candidate;
        }
    }
    return std::string();
}
