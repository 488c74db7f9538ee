// plimmerton-prepare: turns a model file into a body file the program reads.

#include "common/PreparedBodies.h"
#include "common/ToolCommandLine.h"
#include "prepare/BodyFiles.h"
#include "prepare/ModelImport.h"
#include "prepare/Preparation.h"

#include <assimp/version.h>
#include <meshoptimizer.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const char* const program = "plimmerton-prepare";

std::string usage() {
    std::ostringstream text;
    text << "Usage: plimmerton-prepare MODEL OUT.toff [--size SIZE] [--up y|z] [--points N]\n"
            "                          [--pressure P] [--progress]\n"
            "\n"
            "Turns a model file into a body for plimmerton: OFF (also COFF, NOFF, with colours\n"
            "and comments), OBJ, PLY, STL, glTF/GLB and the other forms the Assimp library\n"
            "reads. All objects of the file become one body; points at the same place are\n"
            "welded, polygons split into triangles, degenerate and repeated faces dropped. The\n"
            "surface is simplified to at most N points and ordered for a fast step, scaled so\n"
            "that its largest extent is SIZE, and stood where the bundled ball stands. Struts\n"
            "across the inside (faces of two vertices, which the program turns into springs\n"
            "and never draws) keep it in shape. Texture coordinates are the model's own, or\n"
            "else the image wrapped around the body as for an OFF file. With its own, the\n"
            "picture the model names for its surface (a PNG, JPEG or TGA file beside it, or\n"
            "one in it) is written beside the body as OUT.toff.png, OUT.toff.jpg or\n"
            "OUT.toff.tga, for plimmerton's -tex; a picture of another form is not taken, and\n"
            "the report says so.\n"
            "\n"
            "  --size SIZE   largest extent of the body (default "
         << Stand().size
         << ", the bundled ball's)\n"
            "  --up y|z      the model's axis that points up (default y; STL files are often z)\n"
            "  --points N    most points the body keeps (default "
         << defaultPointBudget
         << "); every point adds to the\n"
            "                body's weight and to the work of each step\n"
            "  --pressure P  hold the body up by a gas of pressure P inside instead of\n"
            "                struts, when its surface is closed: the surface's edges and a\n"
            "                bending spring across edges for each point (at most 3.5\n"
            "                springs a point, so a cheaper step), and a record\n"
            "                \"# pressure P\" in OUT.toff that the program takes up; a\n"
            "                surface with holes is braced with struts all the same, and the\n"
            "                report says why\n"
            "  --progress    write a line \"progress PERCENT STAGE\" at each step of the work,\n"
            "                PERCENT rising to 100 when all is written; the stages are\n"
            "                reading, importing, welding, simplifying, ordering, placing,\n"
            "                bracing and writing\n"
            "  --help        print this and exit\n"
            "  --version     print the version and exit\n"
            "\n"
            "OUT.toff and its picture are written whole or not at all; a picture left beside\n"
            "OUT.toff by an earlier run is removed. An unreadable, empty or unsupported model,\n"
            "one without faces or with coordinates that are not finite gives one line naming\n"
            "the file and the problem, and status 1; a wrong option gives status 2.\n"
            "\n"
            "Example:\n"
            "  plimmerton-prepare cow.obj cow.toff && plimmerton -i cow.toff -tex body.tga\n"
            "      -m 0.3 -s 85 -d 0.04 -t 0.012";
    return text.str();
}

/// The libraries the tool is built on, for --version.
std::string libraryVersions() {
    std::ostringstream text;
    text << " (Assimp " << aiGetVersionMajor() << "." << aiGetVersionMinor() << "."
         << aiGetVersionPatch() << ", meshoptimizer " << MESHOPTIMIZER_VERSION / 1000 << "."
         << MESHOPTIMIZER_VERSION % 1000 / 10 << ")";
    return text.str();
}

/// The options, checked; false when the tool ends with the command line's status.
bool readOptions(ToolCommandLine& commandLine, PrepareOptions& options) {
    double size = options.size;
    std::string up = options.up == UpAxis::Z ? "z" : "y";
    long points = options.maxPoints;
    double pressure = 0;
    if (!commandLine.number("--pressure", 0, 1e6, pressure) ||
        !commandLine.positiveNumber("--size", 1e6, size) ||
        !commandLine.choice("--up", {"y", "z"}, up) ||
        !commandLine.wholeNumber("--points", 7, 1000000, points)) {
        return false;
    }
    if (commandLine.operands().size() != 2) {
        commandLine.refuse("give a model file and an output file");
        return false;
    }
    options.size = static_cast<float>(size);
    options.up = up == "z" ? UpAxis::Z : UpAxis::Y;
    options.maxPoints = static_cast<int>(points);
    options.pressure = static_cast<float>(pressure);
    return true;
}

/// Which picture of the model's the body took, if any.
std::string pictureNote(const PrepareReport& r, const std::string& out) {
    const ModelPicture& picture = r.picture;
    if (!r.ownTexCoords) {
        return "none of the model's; the program's -tex picture covers the body";
    }
    if (picture.name.empty()) {
        return "the model names none; the program's -tex picture covers the body";
    }
    if (picture.bytes.empty()) {
        return picture.name + " not taken: " + picture.problem;
    }
    return picture.name + ", written beside the body as " + bodyPicturePath(out, picture.extension);
}

void printReport(const std::string& model, const std::string& out, const PrepareOptions& options,
                 const TriangleMesh& body, const PrepareReport& r, double seconds) {
    std::cout << "Read " << model << ": " << r.pointsRead << " points, " << r.facesRead
              << " faces (" << r.trianglesRead << " triangles)" << std::endl;
    std::cout << "Welded: " << r.cleanup.weldedPoints << " points merged, "
              << r.cleanup.degenerateTriangles << " degenerate and " << r.cleanup.duplicateTriangles
              << " duplicate triangles dropped: " << r.pointsWelded << " points, "
              << r.trianglesWelded << " triangles" << std::endl;
    std::cout << "Kept: " << body.points.size() << " points, " << body.triangles.size()
              << " triangles (budget " << options.maxPoints << " points)" << std::endl;
    std::cout << "Size: largest extent " << options.size << " (scaled by " << r.scale << "), "
              << (options.up == UpAxis::Z ? "z" : "y") << " up, standing where the ball stands"
              << std::endl;
    std::cout << "Texture: "
              << (r.ownTexCoords ? "the model's own coordinates"
                                 : "wrapped around the body as for an OFF file")
              << std::endl;
    std::cout << "Picture: " << pictureNote(r, out) << std::endl;
    const double perPoint =
        body.points.empty() ? 0.0 : double(countEdges(body)) / body.points.size();
    if (r.pressure > 0) {
        std::cout << "Held by pressure " << r.pressure << ": " << r.bendingSprings
                  << " bending springs and " << r.bracing.struts << " struts between parts added";
    } else {
        if (options.pressure > 0) {
            std::cout << "Pressure: not taken: " << r.pressureProblem
                      << "; only a closed surface holds a gas" << std::endl;
        }
        std::cout << "Braced: " << r.bracing.struts << " struts added, no inner points";
    }
    std::cout << "; " << countEdges(body) << " springs (" << std::setprecision(2) << std::fixed
              << perPoint << " a point), at most " << r.bracing.mostSpringsAtAPoint << " at a point"
              << std::defaultfloat << std::endl;
    std::cout << "Wrote " << out << " in " << std::fixed << std::setprecision(2) << seconds << " s"
              << std::endl;
}

/// How a trial read of the model in a child process ended.
struct TrialRead {
    /// The signal that ended the child, or 0.
    int signal = 0;
    /// Seconds the child was given before it was stopped, or 0 when it ended in time.
    long timedOut = 0;
};

/// Reads the model once in a child process. The import library crashes on some malformed
/// files (an OFF face whose index lies beyond the points, for one) and never ends on others
/// (some broken PLY headers); the child's crash or endless read then becomes the user's one
/// line instead of the tool's. The child has half a minute, and two seconds more per megabyte
/// of the file, far more than any well-formed model needs. `progress`, when given, moves on
/// by itself from the time the child is started.
TrialRead trialRead(const std::string& model, ProgressLines* progress) {
    std::ifstream file(model, std::ios::binary | std::ios::ate);
    const long megabytes = file ? static_cast<long>(file.tellg()) / (1 << 20) : 0;
    const long limit = 30 + 2 * megabytes;
    std::cout.flush();
    std::cerr.flush();
    const pid_t child = fork();
    if (child == 0) {
        // The child only reads; its messages would be said twice.
        const int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, STDOUT_FILENO);
        dup2(devNull, STDERR_FILENO);
        importModel(model);
        _exit(0);
    }
    TrialRead trial;
    if (child < 0) {
        return trial;
    }
    const auto start = std::chrono::steady_clock::now();
    if (progress != nullptr) {
        // Only now: a thread started before would be half there in the child.
        progress->keepMoving();
    }
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(limit)) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            trial.timedOut = limit;
            return trial;
        }
        usleep(2000);
    }
    trial.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return trial;
}

} // namespace

int main(int argc, char** argv) {
    ToolCommandLine commandLine(program, usage(), {"--size", "--up", "--points", "--pressure"});
    commandLine.setVersionNote(libraryVersions());
    commandLine.setFlags({"--progress"});
    PrepareOptions options;
    if (!commandLine.read(argc, argv) || !readOptions(commandLine, options)) {
        return commandLine.status();
    }
    const std::string& model = commandLine.operands()[0];
    const std::string& out = commandLine.operands()[1];

    std::unique_ptr<ProgressLines> progress;
    if (commandLine.has("--progress")) {
        progress = std::make_unique<ProgressLines>(std::cout);
        progress->report(PrepareStage::Reading, 0);
        options.progress = [&progress](PrepareStage stage, double done) {
            progress->report(stage, done);
        };
    }

    const auto start = std::chrono::steady_clock::now();
    const TrialRead trial = trialRead(model, progress.get());
    if (trial.signal != 0) {
        std::cerr << model << ": the import library crashed reading the file (signal "
                  << trial.signal << "); the file is malformed" << std::endl;
        return 1;
    }
    if (trial.timedOut != 0) {
        std::cerr << model << ": the import library did not finish reading the file in "
                  << trial.timedOut << " s; the file is malformed" << std::endl;
        return 1;
    }
    TriangleMesh body;
    PrepareReport report;
    std::string error = prepareModel(model, options, body, report);
    if (!error.empty()) {
        std::cerr << model << ": " << error << std::endl;
        return 1;
    }
    std::ostringstream comment;
    comment << "prepared by " << program << " from " << model << "; "
            << (report.pressure > 0 ? "held by the gas inside, bending springs as faces of two"
                                    : "struts as faces of two");
    std::string commentLine = comment.str();
    for (char& c : commentLine) {
        c = c == '\n' || c == '\r' ? ' ' : c;
    }
    if (progress) {
        progress->report(PrepareStage::Writing, 0);
    }
    error = writeBodyFiles(body, report.picture, out, commentLine, report.pressure);
    if (!error.empty()) {
        std::cerr << error << std::endl;
        return 1;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    printReport(model, out, options, body, report, seconds);
    if (progress) {
        progress->finish();
    }
    return 0;
}
