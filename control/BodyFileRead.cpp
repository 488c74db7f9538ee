#include "control/BodyFileRead.h"

#include "common/ErrorLine.h"
#include "control/CancellableInput.h"
#include "control/ModelFileRead.h"
#include "mpsystem/MeshReader.h"
#include "mpsystem/OffLexer.h"

#include <atomic>
#include <istream>

bool readBodyFile(const std::string& path, float mass, BodyMesh& mesh, std::string& problem) {
    const std::atomic<bool> never{false};
    std::string bytes;
    if (readModelFile(path, bytes, problem, never) != ModelFileRead::read) {
        return false;
    }
    CancellableInput buffer(bytes.data(), bytes.size(), never);
    std::istream in(&buffer);
    const std::string keyword = readKeyword(in);
    if (keyword != "OFF" && keyword != "TOFF") {
        problem = path + ": is no body file (OFF or TOFF)";
        return false;
    }
    in.clear();
    in.seekg(0);
    // The reader's progress starts on a line of its own, after whatever came before it.
    freshErrorLine();
    MeshReader reader(in, path.c_str());
    mesh = reader.read(mass);
    if (!reader.error().empty()) {
        problem = path + ": " + reader.error();
        return false;
    }
    if (mesh.springs.empty()) {
        problem = path + ": the file holds no faces";
        return false;
    }
    return true;
}
