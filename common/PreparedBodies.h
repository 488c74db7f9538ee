#pragma once

#include <atomic>
#include <string>
#include <vector>

// Models are prepared into bodies by plimmerton-prepare once and kept in a cache that the
// program and scripts/prepare-cached.sh share: both name a body after the same key, so a model
// prepared by either is found by the other.

/// The cache folder: $PLIMMERTON_PREPARED when set and not empty, else "plimmerton" in
/// $XDG_CACHE_HOME when that is an absolute path, else ~/.cache/plimmerton. It may not exist yet.
std::string preparedCacheFolder();

/// The key of the body that plimmerton-prepare makes of a model with some options, or why
/// there is none.
struct PreparedBodyKey {
    /// 32 hexadecimal digits; empty when a file could not be read.
    std::string key;
    /// One line naming the file that could not be read and why; empty when `key` is set.
    std::string problem;
};

/// The first 32 hexadecimal digits of the SHA-256 of the model's SHA-256, the options one a
/// line and the tool's SHA-256, each hash written as sha256sum writes that of its standard input
/// ("HASH  -" and a newline), and no options written as one empty line: a changed model, other
/// options or a rebuilt tool give another body.
PreparedBodyKey preparedBodyKey(const std::string& modelPath,
                                const std::vector<std::string>& options,
                                const std::string& toolPath);

/// The same key for a model whose bytes are at hand, so that it is the key of exactly the bytes
/// that were looked at. Once `cancelled` (looked at between pieces of a megabyte) is set, it
/// stops with neither a key nor a problem.
PreparedBodyKey preparedBodyKeyOfBytes(const std::string& modelBytes,
                                       const std::vector<std::string>& options,
                                       const std::string& toolPath,
                                       const std::atomic<bool>& cancelled);

/// Where the body of `key` lies in `folder`: KEY.toff.
std::string preparedBodyPath(const std::string& folder, const std::string& key);

/// The forms a body's picture may take, in the order they are looked for.
const std::vector<std::string>& bodyPictureExtensions();

/// The picture of the body at `bodyPath` in the form `extension` ("png", "jpg" or "tga"): the
/// body's path with a dot and the extension added, so cow.toff has cow.toff.png. Added rather
/// than put in place of ".toff", so that it never is the model's own picture beside it (a
/// cow.obj whose picture is cow.png, prepared into cow.toff).
std::string bodyPicturePath(const std::string& bodyPath, const std::string& extension);

/// The picture that plimmerton-prepare left beside the body at `bodyPath`, the first of its
/// forms that exists; empty when there is none.
std::string findBodyPicture(const std::string& bodyPath);

/// plimmerton-prepare: beside the running program, else the first on PATH; empty when neither
/// is there.
std::string findPrepareTool();

/// The executable file `name` in `folder`, else in the first of the folders that `searchPath`
/// lists as PATH does (an empty entry is the working directory); empty when there is none.
std::string findProgram(const std::string& name, const std::string& folder,
                        const std::string& searchPath);
